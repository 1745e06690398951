// The real file pieces of a backup's run on Win32: walks that follow no link,
// contents compared, trees removed without following links, archive bits cleared
// only when unchanged, the folder-within check by identity, shadow copies.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "platform/win32/win32_backup_system.h"
#include "platform/win32/win32_system_access.h"

namespace lorvane {
namespace {

namespace fs = std::filesystem;
using backup::Comparison;

class Win32BackupFiles : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / (L"lorvane-bs-" + std::to_wstring(GetCurrentProcessId()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ignored;
        for (const auto& entry : fs::recursive_directory_iterator(dir, ignored))
            SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(dir, ignored);
    }
    std::wstring Write(const std::wstring& relative, const std::string& bytes) {
        const fs::path path = dir / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path.wstring();
    }
    std::wstring Path(const std::wstring& relative) const { return (dir / relative).wstring(); }
    static std::int64_t WriteTime(const std::wstring& path) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
        return static_cast<std::int64_t>(
            (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
            data.ftLastWriteTime.dwLowDateTime);
    }

    fs::path dir;
    Win32BackupSystem system;
};

// Walks, comparisons and removal next to a directory link that leads out of the
// tree, and a snapshot where Wine has no shadow copies.
TEST_F(Win32BackupFiles, LinksAreNeverFollowed) {
    Write(L"DATA\\a.txt", "alpha");
    Write(L"DATA\\sub\\b.txt", "bravo!");
    const std::wstring outside = Write(L"outside\\keep.txt", "keep");
    ASSERT_TRUE(CreateSymbolicLinkW(Path(L"DATA\\link").c_str(), Path(L"outside").c_str(),
                                    SYMBOLIC_LINK_FLAG_DIRECTORY))
        << GetLastError();
    SetFileAttributesW(Path(L"DATA\\sub\\b.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);

    std::map<std::wstring, std::uint64_t> found;
    ASSERT_TRUE(system
                    .walk(Path(L"DATA"),
                          [&](const backup::FoundFile& f) {
                              found[f.relative] = f.size;
                              EXPECT_EQ(f.writeTime, WriteTime(Path(L"DATA\\" + f.relative))) << f.relative;
                              EXPECT_TRUE(f.archive) << f.relative;
                          })
                    .ok());
    EXPECT_EQ(found, (std::map<std::wstring, std::uint64_t>{{L"a.txt", 5}, {L"sub\\b.txt", 6}}));
    EXPECT_FALSE(system.walk(Path(L"missing"), [](const backup::FoundFile&) {}).ok());

    const std::wstring same = Write(L"copy\\a.txt", "alpha");
    const std::wstring changed = Write(L"copy\\changed.txt", "alphA");
    EXPECT_EQ(system.compareContents(Path(L"DATA\\a.txt"), same), Comparison::Same);
    EXPECT_EQ(system.compareContents(Path(L"DATA\\a.txt"), changed), Comparison::Different);
    EXPECT_EQ(system.compareContents(Path(L"DATA\\sub\\b.txt"), same), Comparison::Different)
        << "sizes differ";
    EXPECT_EQ(system.compareContents(Path(L"DATA\\a.txt"), Path(L"copy\\none.txt")), Comparison::Unreadable);

    // Wine has no shadow copies: the snapshot says why and reads the folders live, at once.
    const auto started = std::chrono::steady_clock::now();
    const backup::SnapshotResult snapshot = system.takeSnapshot({Path(L"DATA")});
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    ASSERT_NE(snapshot.snapshot, nullptr);
    EXPECT_FALSE(snapshot.failure.empty());
    EXPECT_EQ(snapshot.snapshot->readPath(Path(L"DATA")), Path(L"DATA"));

    ASSERT_TRUE(system.removeTree(Path(L"DATA")).ok());
    EXPECT_FALSE(fs::exists(Path(L"DATA")));
    EXPECT_TRUE(fs::exists(outside)) << "removing the tree followed the link";
    EXPECT_TRUE(system.removeTree(Path(L"DATA")).ok()) << "already gone";
}

struct ArchiveCase {
    const char* name;
    // What happens after the walk saw the file; a handle it leaves open meanwhile.
    std::function<HANDLE(const std::wstring& path)> meanwhile;
    bool cleared;
};

class Win32ArchiveBit : public Win32BackupFiles, public testing::WithParamInterface<ArchiveCase> {
protected:
    static bool ArchiveBitsKept(const std::wstring& probe) {
        SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
        return !(GetFileAttributesW(probe.c_str()) & FILE_ATTRIBUTE_ARCHIVE);
    }
};

TEST_P(Win32ArchiveBit, ClearedOnlyWhenUnchangedAndUnheld) {
    // desktop.ini-like: hidden and system, which attrib cannot change.
    const std::string content = "[.ShellClassInfo]\r\n";
    const std::wstring path = Write(L"desktop.ini", content);
    ASSERT_TRUE(SetFileAttributesW(path.c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    const std::int64_t seen = WriteTime(path);
    const HANDLE held = GetParam().meanwhile(path);

    EXPECT_EQ(system.clearArchiveIfUnchanged(path, content.size(), seen), GetParam().cleared);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    // Wine shows every file with its archive bit, whatever was set (attrib -A too).
    if (ArchiveBitsKept(Write(L"probe.txt", ""))) {
        EXPECT_EQ((attributes & FILE_ATTRIBUTE_ARCHIVE) == 0, GetParam().cleared);
    }
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Win32ArchiveBit,
    testing::Values(ArchiveCase{"Unchanged", [](const std::wstring&) { return INVALID_HANDLE_VALUE; }, true},
                    ArchiveCase{"Grown",
                                [](const std::wstring& path) {
                                    std::ofstream(fs::path(path), std::ios::binary | std::ios::app) << "x";
                                    return INVALID_HANDLE_VALUE;
                                },
                                false},
                    ArchiveCase{"WrittenAgain",
                                [](const std::wstring& path) {
                                    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                                              OPEN_EXISTING, 0, nullptr);
                                    FILETIME later;
                                    GetFileTime(file, nullptr, nullptr, &later);
                                    later.dwHighDateTime += 1;
                                    SetFileTime(file, nullptr, nullptr, &later);
                                    CloseHandle(file);
                                    return INVALID_HANDLE_VALUE;
                                },
                                false},
                    // Unchanged yet, but someone may write it while the bit is cleared.
                    ArchiveCase{"HeldByAWriter",
                                [](const std::wstring& path) {
                                    return CreateFileW(path.c_str(), GENERIC_WRITE,
                                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                       OPEN_EXISTING, 0, nullptr);
                                },
                                false}),
    [](const auto& info) { return std::string(info.param.name); });

struct WithinCase {
    const char* name;
    std::wstring inner;  // below the test's folder; DATA\x is what the outer folder holds
    bool within;
};

class Win32LiesWithin : public Win32BackupFiles, public testing::WithParamInterface<WithinCase> {};

TEST_P(Win32LiesWithin, ByTheFileSystemsIdentity) {
    Write(L"Daten Archiv Lang\\x\\file.txt", "x");
    Write(L"Daten Archiv Lang 2\\file.txt", "x");
    std::wstring inner = Path(GetParam().inner);
    if (inner.find(L"<short>") != std::wstring::npos) {
        wchar_t shortName[MAX_PATH] = {};
        ASSERT_NE(GetShortPathNameW(Path(L"Daten Archiv Lang").c_str(), shortName, MAX_PATH), 0u);
        ASSERT_EQ(std::wstring(shortName).find(L' '), std::wstring::npos) << "no short name";
        inner = shortName + inner.substr(inner.find(L"<short>") + 7);
    }
    EXPECT_EQ(Win32SystemAccess().liesWithin(inner, Path(L"Daten Archiv Lang")), GetParam().within) << inner;
}

INSTANTIATE_TEST_SUITE_P(Cases, Win32LiesWithin,
                         testing::Values(WithinCase{"Same", L"Daten Archiv Lang", true},
                                         WithinCase{"Inside", L"Daten Archiv Lang\\x", true},
                                         WithinCase{"NotYetMade", L"Daten Archiv Lang\\x\\Backup\\new", true},
                                         WithinCase{"TrailingDot", L"Daten Archiv Lang.\\Backup", true},
                                         WithinCase{"Case", L"DATEN archiv LANG\\Backup", true},
                                         WithinCase{"ShortName", L"<short>\\Backup", true},
                                         WithinCase{"Dotted",
                                                    L"Daten Archiv Lang 2\\..\\Daten Archiv Lang\\x", true},
                                         WithinCase{"SameTextLonger", L"Daten Archiv Lang 2\\Backup", false},
                                         WithinCase{"Above", L"", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Win32BackupFiles, MissingOuterFolderHoldsNothing) {
    EXPECT_FALSE(Win32SystemAccess().liesWithin(Path(L"none\\x"), Path(L"none")));
}

}  // namespace
}  // namespace lorvane
