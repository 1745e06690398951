// How fast a restore copies a set back, against a plain copy of the same files.
//
//     lorvane_restore_bench [--size MB] [--files N] [--keep] [folder]
//
// Writes into the folder (default: a new folder in the temporary directory) one
// normal set holding --files small files (default 20,000; 1 to 16 KiB each) and
// one file of --size megabytes (default 1024), then measures, row by row:
//   plain     CopyFileExW of each file into a fresh folder, nothing else;
// each the best of two, taken in turn;
//   restore   the set found, its chain and tree resolved, the plan made and every
//             file restored through the backup system, into another fresh folder.
// The restore keeps up when it takes no longer than plain (within 1.3 times for
// the small files, whose plan reads each target first). The files are deleted
// afterwards unless --keep is given; mind the disk: the set is written once and
// copied twice.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <string>
#include <vector>

#include "backup/found_sets.h"
#include "backup/restore.h"
#include "backup/restore_chain.h"
#include "bench_log.h"
#include "platform/win32/win32_backup_system.h"

namespace {

using bench::seconds;
namespace fs = std::filesystem;

constexpr wchar_t kSet[] = L"2026-12-01_023000_normal";

void writeFile(const fs::path& path, std::uint64_t size, std::uint64_t seed) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot write %ls\n", path.c_str());
        std::exit(2);
    }
    static std::vector<char> piece(4 << 20);
    for (std::uint64_t done = 0; done < size;) {
        const DWORD now = static_cast<DWORD>(std::min<std::uint64_t>(piece.size(), size - done));
        for (DWORD i = 0; i + 8 <= now; i += 8) {
            seed ^= seed << 13;
            seed ^= seed >> 7;
            seed ^= seed << 17;
            std::memcpy(piece.data() + i, &seed, 8);
        }
        DWORD written = 0;
        WriteFile(file, piece.data(), now, &written, nullptr);
        done += now;
    }
    CloseHandle(file);
}

void writeText(const fs::path& path, const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// The set's data below "<set>\C\DATA": the small files in folders of 500, or the one large file.
fs::path data(const fs::path& sets, const wchar_t* row) { return sets / kSet / L"C" / L"DATA" / row; }

void make(const fs::path& sets, int files, std::uint64_t megabytes) {
    std::printf("writing a set of %d small files and one of %llu MB into %ls ...\n", files,
                static_cast<unsigned long long>(megabytes), sets.c_str());
    std::fflush(stdout);
    for (int i = 0; i < files; ++i) {
        const fs::path path = data(sets, L"small") / std::to_wstring(i / 500) / (L"資料_" + std::to_wstring(i) + L".dat");
        if (i % 500 == 0) fs::create_directories(path.parent_path());
        writeFile(path, 1024 + (static_cast<std::uint64_t>(i) * 7919 % (15 * 1024)), 1000 + static_cast<std::uint64_t>(i));
    }
    fs::create_directories(data(sets, L"big"));
    writeFile(data(sets, L"big") / L"large.bin", megabytes << 20, 42);
    writeText(sets / kSet / L"result.ini",
              L"format=1\r\nset=" + std::wstring(kSet) + L"\r\ntype=normal\r\nstarted=2026-12-01T02:30:00\r\n"
              L"ended=2026-12-01T02:31:00\r\nresult=success\r\nexitcode=0\r\nsnapshot=yes\r\nfiles=0\r\nbytes=0\r\n"
              L"failed=0\r\nmismatches=0\r\nreason=\r\n");
}

double plainCopy(const fs::path& from, const fs::path& to) {
    const double start = seconds();
    fs::create_directories(to);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(from)) {
        const fs::path target = to / fs::relative(entry.path(), from);
        if (entry.is_directory()) fs::create_directories(target);
        else CopyFileExW(entry.path().c_str(), target.c_str(), nullptr, nullptr, nullptr, 0);
    }
    return seconds() - start;
}

double restore(lorvane::Win32BackupSystem& system, const fs::path& sets, const wchar_t* row, const fs::path& to,
               std::size_t& failures) {
    const double start = seconds();
    const std::vector<lorvane::backup::FoundSet> found = lorvane::backup::findSets(system, sets.wstring());
    const lorvane::backup::Chain chain = lorvane::backup::restoreChain(found, found.size() - 1);
    const lorvane::backup::ResolvedTree tree = lorvane::backup::resolveTree(system, sets.wstring(), found, chain);
    lorvane::backup::RestoreRun run(
        system, lorvane::backup::planRestore(system, sets.wstring(), found, tree,
                                             {std::wstring(L"C:\\DATA\\") + row}, to.wstring()));
    while (run.step([](std::uint64_t) { return true; })) {}
    failures = run.failures().size() + (run.copied() == 0);
    return seconds() - start;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::uint64_t megabytes = 1024;
    int files = 20000;
    bool keep = false;
    fs::path folder;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--size" && i + 1 < argc) megabytes = std::wcstoull(argv[++i], nullptr, 10);
        else if (a == L"--files" && i + 1 < argc) files = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
        else if (a == L"--keep") keep = true;
        else folder = a;
    }
    if (folder.empty()) folder = fs::temp_directory_path() / L"lorvane-restore-bench";
    const fs::path sets = folder / L"sets";
    make(sets, files, megabytes);
    lorvane::Win32BackupSystem system;
    for (const wchar_t* row : {L"small", L"big"}) {
        std::size_t failures = 0;
        // Best of two each, taken in turn, so that neither gains from the cache the other warmed.
        double plain = 1e9, restored = 1e9;
        for (int round = 0; round < 2; ++round) {
            std::error_code ignored;
            fs::remove_all(folder / L"plain", ignored);
            fs::remove_all(folder / L"restored", ignored);
            plain = std::min(plain, plainCopy(data(sets, row), folder / L"plain" / row));
            restored = std::min(restored, restore(system, sets, row, folder / L"restored", failures));
        }
        std::printf("%-6ls plain %8.0f ms   restore %8.0f ms   %.2fx%s\n", row, plain * 1000, restored * 1000,
                    restored / plain, failures ? "   FAILURES" : "");
        std::fflush(stdout);
        // Each row's copies go before the next, so that the disk holds at most the set and two copies of one row.
        std::error_code ignored;
        fs::remove_all(folder / L"plain", ignored);
        fs::remove_all(folder / L"restored", ignored);
    }
    if (!keep) {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    return 0;
}
