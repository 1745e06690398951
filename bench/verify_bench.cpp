// How fast a backup's check (検査) reads a set back and compares it with the source.
//
//     lorvane_verify_bench [--size MB] [--files N] [--row big|small] [--only plain|compare]
//                          [--reuse] [--keep] [folder]
//
// Writes into the folder (default: a new folder in the temporary directory) a
// pair of equal files of --size megabytes (default 1024) and two trees of --files
// small files (default 20,000; 1 to 16 KiB each), then measures, side by side:
//   plain     both files (both trees) read once, 1 MiB at a time, nothing compared;
//   compare   the backup system's compareContents over the same bytes.
// The check keeps up with the disk when compare takes no longer than plain
// (it should stay within 1.5 times). Every figure is the best of three runs, from
// whatever cache the system has. For figures from the disk itself, make the files
// once (--keep), then measure one figure at a time, once, dropping the system's
// cache before each (--reuse --keep --row big --only plain). The files are deleted
// afterwards unless --keep is given.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench_log.h"
#include "platform/win32/win32_backup_system.h"

namespace {

using bench::seconds;
namespace fs = std::filesystem;

struct Options {
    std::uint64_t megabytes = 1024;
    int files = 20000;
    std::wstring row;   // empty: both
    std::wstring only;  // empty: both figures
    bool reuse = false, keep = false;
    fs::path folder;
};

// The same bytes for the same seed, and no two pieces alike (no file system can
// make them smaller).
void fill(char* bytes, std::size_t size, std::uint64_t& seed) {
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        std::memcpy(bytes + i, &seed, 8);
    }
}

void writeFile(const fs::path& path, std::uint64_t size, std::uint64_t seed) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot write %ls\n", path.c_str());
        std::exit(2);
    }
    static std::vector<char> piece(4 << 20);
    for (std::uint64_t done = 0; done < size;) {
        const DWORD now = static_cast<DWORD>(std::min<std::uint64_t>(piece.size(), size - done));
        fill(piece.data(), (now + 7) & ~7u, seed);
        DWORD written = 0;
        WriteFile(file, piece.data(), now, &written, nullptr);
        done += now;
    }
    CloseHandle(file);
}

std::uint64_t smallSize(int i) { return 1024 + (static_cast<std::uint64_t>(i) * 7919 % (15 * 1024)); }

fs::path smallPath(const fs::path& tree, int i) {
    return tree / std::to_wstring(i / 500) / (L"資料_" + std::to_wstring(i) + L".dat");
}

void make(const Options& o) {
    std::printf("writing %llu MB twice and %d small files twice into %ls ...\n",
                static_cast<unsigned long long>(o.megabytes), o.files, o.folder.c_str());
    std::fflush(stdout);
    fs::create_directories(o.folder);
    for (const wchar_t* name : {L"source.bin", L"copy.bin"}) writeFile(o.folder / name, o.megabytes << 20, 42);
    for (const wchar_t* tree : {L"source", L"copy"})
        for (int i = 0; i < o.files; ++i) {
            const fs::path path = smallPath(o.folder / tree, i);
            if (i % 500 == 0) fs::create_directories(path.parent_path());
            writeFile(path, smallSize(i), 1000 + static_cast<std::uint64_t>(i));
        }
}

// Reads the file to its end, 1 MiB at a time, as a copy program would; the bytes read.
std::uint64_t plainRead(const std::wstring& path) {
    static std::vector<char> buffer(1 << 20);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    std::uint64_t total = 0;
    DWORD got = 0;
    while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0) total += got;
    CloseHandle(file);
    return total;
}

// The figure, or 0 when another one alone is asked for.
double bestOfThree(bool once, const std::function<void()>& run) {
    double best = 1e9;
    for (int i = 0; i < (once ? 1 : 3); ++i) {
        const double start = seconds();
        run();
        best = std::min(best, seconds() - start);
    }
    return best;
}

void row(const char* name, std::uint64_t bytes, double plain, double compare, bool allSame) {
    const double mb = static_cast<double>(bytes) / (1 << 20);
    std::printf("%-30s plain %8.0f ms (%6.0f MB/s)   compare %8.0f ms (%6.0f MB/s)   %.2fx %s\n", name,
                plain * 1000, plain > 0 ? mb / plain : 0, compare * 1000, compare > 0 ? mb / compare : 0,
                plain > 0 ? compare / plain : 0, allSame ? "" : "  MISMATCH?");
    std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--size" && i + 1 < argc)
            o.megabytes = std::wcstoull(argv[++i], nullptr, 10);
        else if (a == L"--files" && i + 1 < argc)
            o.files = static_cast<int>(std::wcstol(argv[++i], nullptr, 10));
        else if (a == L"--row" && i + 1 < argc)
            o.row = argv[++i];
        else if (a == L"--only" && i + 1 < argc)
            o.only = argv[++i];
        else if (a == L"--reuse")
            o.reuse = true;
        else if (a == L"--keep")
            o.keep = true;
        else
            o.folder = a;
    }
    if (o.folder.empty())
        o.folder = fs::temp_directory_path() / (L"lorvane-verify-bench-" + std::to_wstring(GetCurrentProcessId()));
    if (!o.reuse) make(o);
    const bool once = !o.row.empty();  // a row alone: once, from whatever the cache holds
    const auto measured = [&](const wchar_t* figure, const std::function<void()>& run) {
        return o.only.empty() || o.only == figure ? bestOfThree(once, run) : 0.0;
    };

    lorvane::Win32BackupSystem system;
    if (o.row.empty() || o.row == L"big") {
        const std::wstring a = (o.folder / L"source.bin").wstring(), b = (o.folder / L"copy.bin").wstring();
        std::uint64_t bytes = 0;
        const double plain = measured(L"plain", [&] { bytes = plainRead(a) + plainRead(b); });
        bool same = true;
        const double compare = measured(
            L"compare", [&] { same = system.compareContents(a, b) == lorvane::backup::Comparison::Same; });
        bytes = 2 * fs::file_size(a);
        row("one large file", bytes, plain, compare, same);
    }
    if (o.row.empty() || o.row == L"small") {
        std::vector<std::wstring> sources, copies;
        for (int i = 0; i < o.files; ++i) {
            sources.push_back(smallPath(o.folder / L"source", i).wstring());
            copies.push_back(smallPath(o.folder / L"copy", i).wstring());
        }
        std::uint64_t bytes = 0;
        const double plain = measured(L"plain", [&] {
            for (int i = 0; i < o.files; ++i) plainRead(sources[i]), plainRead(copies[i]);
        });
        for (int i = 0; i < o.files; ++i) bytes += 2 * smallSize(i);
        bool same = true;
        const double compare = measured(L"compare", [&] {
            for (int i = 0; i < o.files; ++i)
                same = system.compareContents(sources[i], copies[i]) == lorvane::backup::Comparison::Same && same;
        });
        row((std::to_string(o.files) + " small files").c_str(), bytes, plain, compare, same);
    }
    if (!o.keep) {
        std::error_code ignored;
        fs::remove_all(o.folder, ignored);
    }
    return 0;
}
