#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "toolkit/win32/win32_system_access.h"

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

}  // namespace
}  // namespace lorvane
