#include "toolkit/text_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tk {
namespace {

// One short log in every form the viewer reads: half-width katakana, the
// backslash, and characters that only code page 932 has (～ ①).
const std::wstring kLog =
    L"2026/12/07 02:30:15 バックアップ開始 C:\\DATA\\ﾛｸﾞ ～①\r\n\r\n\tﾃｰﾌﾟ 1: 完了しました。\r\n";

std::string utf16(const std::wstring& text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t c : text) {
        const char high = static_cast<char>((c >> 8) & 0xFF), low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

std::string utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

const std::string kUtf8 =
    utf8(u8"2026/12/07 02:30:15 バックアップ開始 C:\\DATA\\ﾛｸﾞ ～①\r\n\r\n\tﾃｰﾌﾟ 1: 完了しました。\r\n");
const std::string kShiftJis =
    "2026/12/07 02:30:15 \x83o\x83"
    "b\x83N\x83"
    "A\x83"
    "b\x83v\x8AJ\x8En C:\\DATA\\\xDB\xB8\xDE \x81`\x87@\r\n\r\n"
    "\t\xC3\xB0\xCC\xDF 1: \x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81"
    "B\r\n";

std::vector<std::wstring> lines(const TextFile& file) {
    std::vector<std::wstring> all;
    for (std::size_t i = 0; i < file.lineCount(); ++i) all.push_back(file.line(i));
    return all;
}

TEST(TextFile, EveryEncodingShowsTheSameLines) {
    struct Case {
        const char* name;
        std::string bytes;
        TextEncoding encoding;
    };
    const Case cases[] = {
        {"UTF-16LE with BOM", utf16(kLog, false), TextEncoding::Utf16LE},
        {"UTF-16BE with BOM", utf16(kLog, true), TextEncoding::Utf16BE},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + kUtf8, TextEncoding::Utf8},
        {"UTF-8 without BOM", kUtf8, TextEncoding::Utf8},
        {"Shift-JIS", kShiftJis, TextEncoding::Ansi},
    };
    for (const Case& c : cases) {
        const TextFile file(c.bytes);
        EXPECT_EQ(file.encoding(), c.encoding) << c.name;
        EXPECT_EQ(file.lineCount(), 4u) << c.name;
        EXPECT_EQ(file.text(), kLog) << c.name;
    }
}

TEST(TextFile, LineEndsOfEveryKindAndOddContent) {
    struct Case {
        std::string bytes;
        std::vector<std::wstring> lines;
    };
    const Case cases[] = {
        {"", {L""}},
        {"a\r\nb", {L"a", L"b"}},
        {"a\nb\n", {L"a", L"b", L""}},
        {"a\rb\r", {L"a", L"b", L""}},
        {"a\r\r\n\n\rb", {L"a", L"", L"", L"", L"b"}},
        {std::string("a\0b\n\0", 5), {std::wstring(L"a\0b", 3), std::wstring(1, L'\0')}},
        {utf16(L"x\ry\nz\r\n", false), {L"x", L"y", L"z", L""}},
        {utf16(L"\x0A0D\x0D0A|", false), {L"\x0A0D\x0D0A|"}},  // bytes of CR and LF inside other characters
        {utf16(L"x\ry\r\n", true), {L"x", L"y", L""}},
        {std::string("\xFF\xFE"
                     "a\0\n\0b",
                     7),
         {L"a", L""}},  // an odd byte at the end is dropped
        {"\xEF\xBB\xBF", {L""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lines(TextFile(c.bytes)), c.lines) << testing::PrintToString(c.bytes);
}

TEST(TextFile, OneLineOfAMegabyte) {
    const TextFile file(std::string(1 << 20, 'x') + "\r\n");
    EXPECT_EQ(file.lineCount(), 2u);
    EXPECT_EQ(file.line(0).size(), 1u << 20);
    EXPECT_EQ(file.longestLine(), (1u << 20) + 2);
}

TEST(TextFile, EncodingFollowsTheBytesWithoutABom) {
    struct Case {
        std::string bytes;
        TextEncoding encoding;
    };
    const Case cases[] = {
        {"plain ASCII", TextEncoding::Ansi},
        {utf8(u8"é"), TextEncoding::Utf8},
        {utf8(u8"ログ") + "\xE3\x83", TextEncoding::Utf8},  // cut off while being written
        {utf8(u8"ログ") + "\xE3" + "x", TextEncoding::Ansi},
        {"\xC0\xAF", TextEncoding::Ansi},          // overlong
        {"\xED\xA0\x80", TextEncoding::Ansi},      // a surrogate
        {"abcdefgh\x82\xA0", TextEncoding::Ansi},  // Shift-JIS after a run of ASCII
    };
    for (const Case& c : cases) EXPECT_EQ(detectTextFormat(c.bytes).encoding, c.encoding) << c.bytes;
}

TEST(TextFile, RtfShowsItsTextOnly) {
    struct Case {
        std::string rtf;
        std::wstring text;
    };
    const Case cases[] = {
        {R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset128 \'82\'6c\'82\'72;}}\f0\fs18 a\par b\tab c\par})",
         L"a\r\nb\tc"},
        {R"({\rtf1 \'83\'8d\'83\'4f \u12525?\uc2\u12464??x {\uc0\u12540}})", L"ログ ログx ー"},
        {R"({\rtf1{\*\generator x;}{\info{\title t}}\{\}\\ end})", L"{}\\ end"},
        {"{\\rtf1 line\r\n break\\\r\nnext}", L"line break\r\nnext"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(isRtf(c.rtf));
        EXPECT_EQ(rtfPlainText(c.rtf), c.text) << c.rtf;
    }
}

}  // namespace
}  // namespace tk
