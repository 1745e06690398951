#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/win32/win32_system_access.h"

namespace lorvane {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

class Win32Files : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("lorvane-sa-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        std::ofstream(dir / "tpbackup.cmd", std::ios::binary) << "old\r\n";
    }
    void TearDown() override {
        SetFileAttributesW((dir / "tpbackup.cmd").c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(dir);
    }
    std::wstring Target() const { return (dir / "tpbackup.cmd").wstring(); }
    std::size_t FileCount() const {
        return std::distance(fs::directory_iterator(dir), fs::directory_iterator());
    }

    fs::path dir;
    Win32SystemAccess access;
};

TEST_F(Win32Files, ReadOnlyFileIsNotWritableAndKeepsItsContent) {
    ASSERT_TRUE(SetFileAttributesW(Target().c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(access.replaceFile(Target(), "new\r\n").outcome, Outcome::NotWritable);
    EXPECT_EQ(Read(Target()), "old\r\n");
    EXPECT_EQ(FileCount(), 1u);

    ASSERT_TRUE(SetFileAttributesW(Target().c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(access.replaceFile(Target(), "new\r\n").ok());
    EXPECT_EQ(Read(Target()), "new\r\n");
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(Win32Files, FileOpenElsewhereIsNotWritable) {
    HANDLE open = CreateFileW(Target().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(open, INVALID_HANDLE_VALUE);
    const SystemResult result = access.replaceFile(Target(), "new\r\n");
    CloseHandle(open);
    EXPECT_EQ(result.outcome, Outcome::NotWritable);
    EXPECT_EQ(Read(Target()), "old\r\n");
    EXPECT_EQ(FileCount(), 1u);
}

TEST_F(Win32Files, MissingFolderFailsWithTheSystemText) {
    const SystemResult result = access.replaceFile((dir / "missing" / "atcmd.bat").wstring(), "x");
    EXPECT_EQ(result.outcome, Outcome::Failed);
    EXPECT_FALSE(result.description.empty());
    EXPECT_EQ(result.description.find_last_of(L"\r\n"), std::wstring::npos);
}

// The log file's and the destination's checks: a folder, a drive's root, but not a file
// nor what is not there (a drive letter without a drive, with no box from the system).
TEST_F(Win32Files, FolderExistsForFoldersAndRootsOnly) {
    EXPECT_TRUE(access.folderExists(dir.wstring()));
    EXPECT_TRUE(access.folderExists(dir.wstring() + L"\\"));
    EXPECT_TRUE(access.folderExists(L"C:\\"));
    EXPECT_FALSE(access.folderExists(Target()));
    EXPECT_FALSE(access.folderExists((dir / "missing").wstring()));
    wchar_t unused = 0;
    for (wchar_t letter = L'Z'; letter > L'D' && !unused; --letter)
        if (!(GetLogicalDrives() & (1u << (letter - L'A')))) unused = letter;
    ASSERT_NE(unused, 0);
    EXPECT_FALSE(access.folderExists(std::wstring(1, unused) + L":\\"));
}

struct EncodingCase {
    unsigned codePage;
    std::wstring text;
    std::optional<std::string> bytes;
};

class Win32CodePage : public testing::TestWithParam<EncodingCase> {};

TEST_P(Win32CodePage, ExactCharactersOnly) {
    EXPECT_EQ(Win32SystemAccess(GetParam().codePage).toBatchCodePage(GetParam().text), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Win32CodePage,
    testing::Values(EncodingCase{932, L"C:\\データ＂￥", "C:\\\x83\x66\x81\x5b\x83\x5e\xfa\x57\x81\x8f"},
                    EncodingCase{932, L"¥", std::nullopt}, EncodingCase{437, L"＂", std::nullopt},
                    EncodingCase{437, L"é", "\x82"}, EncodingCase{1252, L"é", "\xe9"},
                    EncodingCase{65001, L"é", "\xc3\xa9"}, EncodingCase{65001, L"a\xD800", std::nullopt}));

TEST(Win32CodePage, DefaultIsTheOemCodePage) {
    const std::wstring text = L"é";
    EXPECT_EQ(Win32SystemAccess().toBatchCodePage(text), Win32SystemAccess(GetOEMCP()).toBatchCodePage(text));
}

struct RunCase {
    const char* name;
    std::wstring arguments;
    std::chrono::milliseconds timeout;
    bool finished;
    unsigned long exitCode;
    std::vector<std::wstring> printed;  // each somewhere in the output
};

class Win32Run : public testing::TestWithParam<RunCase> {};

TEST_P(Win32Run, AnswersWithTheExitCodeAndWhatWasPrinted) {
    const RunCase& c = GetParam();
    Win32SystemAccess access(932);
    const ProgramRun run = access.runHidden(access.commandInterpreter(), c.arguments, L"", c.timeout);
    ASSERT_TRUE(run.start.ok()) << run.start.description.size();
    EXPECT_EQ(run.finished, c.finished);
    EXPECT_EQ(run.exitCode, c.exitCode);
    for (const std::wstring& text : c.printed)
        EXPECT_NE(run.output.find(text), std::wstring::npos) << run.output.size() << " characters";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Win32Run,
    testing::Values(RunCase{"Accepted", L"/c \"echo done\"", std::chrono::seconds(30), true, 0, {L"done"}},
                    RunCase{"RefusedWithBothStreams",
                            L"/c \"echo ｻｰﾋﾞｽ停止& echo denied 1>&2& exit /b 3\"",
                            std::chrono::seconds(30),
                            true,
                            3,
                            {L"ｻｰﾋﾞｽ停止", L"denied"}},
                    // More than a pipe holds: the program must not wait for room forever.
                    RunCase{"MuchOutput",
                            L"/c \"for /l %i in (1,1,3000) do @echo line %i\"",
                            std::chrono::seconds(60),
                            true,
                            0,
                            {L"line 3000"}},
                    RunCase{"NoAnswerInTime",
                            L"/c \"ping -n 8 127.0.0.1 >nul\"",
                            std::chrono::milliseconds(300),
                            false,
                            0,
                            {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Win32Run, MissingProgramIsNotStarted) {
    const ProgramRun run =
        Win32SystemAccess().runHidden(L"C:\\no\\such.exe", L"", L"", std::chrono::seconds(1));
    EXPECT_EQ(run.start.outcome, Outcome::Failed);
    EXPECT_FALSE(run.start.description.empty());
    EXPECT_FALSE(run.finished);
}

// A command file of its own in the system directory, removed again afterwards.
class Win32FindProgram : public testing::Test {
protected:
    void SetUp() override {
        wchar_t system[MAX_PATH];
        path = std::wstring(system, GetSystemDirectoryW(system, MAX_PATH)) + L"\\" + name + L".cmd";
        std::ofstream(fs::path(path), std::ios::binary) << "@echo probe\r\n";
    }
    void TearDown() override { DeleteFileW(path.c_str()); }
    const std::wstring name = L"lorvane-probe-" + std::to_wstring(GetCurrentProcessId());
    std::wstring path;
    Win32SystemAccess access;
};

TEST_F(Win32FindProgram, FindsWhatCmdWouldRunAndNothingElse) {
    EXPECT_EQ(_wcsicmp(access.findProgram(name).c_str(), path.c_str()), 0)
        << "a .cmd of the system directory";
    EXPECT_EQ(_wcsicmp(access.findProgram(L"cmd").c_str(), access.commandInterpreter().c_str()), 0);
    EXPECT_EQ(access.findProgram(L"lorvane-no-such-program"), L"");
}

// A folder that only the machine's Path names (a REG_EXPAND_SZ value, as Windows
// keeps it), not the test's own environment; the value is put back afterwards.
TEST_F(Win32FindProgram, LooksOnTheMachinesPath) {
    const wchar_t* key = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, key, L"Path", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                           &type, nullptr, &size),
              ERROR_SUCCESS);
    std::wstring saved(size / sizeof(wchar_t), L'\0');
    ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, key, L"Path", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                           &type, saved.data(), &size),
              ERROR_SUCCESS);
    saved.resize(wcsnlen(saved.c_str(), saved.size()));
    const fs::path folder = fs::temp_directory_path() / (L"lorvane-path-" + std::to_wstring(GetCurrentProcessId()));
    fs::create_directories(folder);
    const fs::path probe = folder / (name + L"-path.cmd");
    std::ofstream(probe, std::ios::binary) << "@echo probe\r\n";
    const auto set = [&](const std::wstring& value) {
        return RegSetKeyValueW(HKEY_LOCAL_MACHINE, key, L"Path", type, value.c_str(),
                               static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    };
    ASSERT_EQ(set(saved + L";" + folder.wstring()), ERROR_SUCCESS);
    const std::wstring found = access.findProgram(name + L"-path");
    EXPECT_EQ(set(saved), ERROR_SUCCESS);
    fs::remove_all(folder);
    EXPECT_EQ(_wcsicmp(found.c_str(), probe.wstring().c_str()), 0) << found;
}

// The user's setting of cmd.exe, put back as it was.
class Win32DelayedExpansion : public testing::Test {
protected:
    static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Command Processor";
    void SetUp() override {
        DWORD size = sizeof saved;
        hadValue = RegGetValueW(HKEY_CURRENT_USER, kKey, L"DelayedExpansion", RRF_RT_REG_DWORD, nullptr,
                                &saved, &size) == ERROR_SUCCESS;
    }
    void TearDown() override {
        if (hadValue)
            Set(saved);
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"DelayedExpansion");
    }
    static void Set(DWORD value) {
        ASSERT_EQ(
            RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"DelayedExpansion", REG_DWORD, &value, sizeof value),
            ERROR_SUCCESS);
    }
    DWORD saved = 0;
    bool hadValue = false;
    Win32SystemAccess access;
};

TEST_F(Win32DelayedExpansion, FollowsTheUsersSetting) {
    for (const DWORD value : {1ul, 0ul}) {
        SCOPED_TRACE(value);
        Set(value);
        EXPECT_EQ(access.delayedExpansion(), value == 1);
    }
}

}  // namespace
}  // namespace lorvane
