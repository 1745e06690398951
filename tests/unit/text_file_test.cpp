#include "toolkit/text_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
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
        // Half-width katakana at the very end look like a two-byte sequence and a cut-off one.
        {"\xC3\xBD\xC4", TextEncoding::Ansi},             // ﾃｽﾄ
        {"2026/12/07 \xC3\xBD\xC4", TextEncoding::Ansi},  // ... ﾃｽﾄ
        {"\xC3\xBD\xC4\xC3\xBD", TextEncoding::Ansi},     // ﾃｽﾄﾃｽ
        {"\xC3\xBD\xC4\r\n", TextEncoding::Ansi},         // with a line end it is plainly no UTF-8
        {utf8(u8"é") + "\xC3", TextEncoding::Ansi},       // two-byte evidence only, then a cut
        {utf8(u8"ログ") + "\xE3", TextEncoding::Utf8},    // three-byte evidence, then a cut
    };
    for (const Case& c : cases) EXPECT_EQ(detectTextFormat(c.bytes).encoding, c.encoding) << c.bytes;
}

// Where every line's text begins and ends, and which line holds every offset.
TEST(TextFile, LinePositionsOverAwkwardShapes) {
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::pair<std::uint64_t, std::uint64_t>> lines;  // text from, to
    };
    const Case cases[] = {
        {"empty", "", {{0, 0}}},
        {"bare CR", "a\rb\r", {{0, 1}, {2, 3}, {4, 4}}},
        {"bare LF", "a\nb", {{0, 1}, {2, 3}}},
        {"CR LF", "a\r\n\r\nb", {{0, 1}, {3, 3}, {5, 6}}},
        {"mixed", "\r\n\n\r\r\n", {{0, 0}, {2, 2}, {3, 3}, {4, 4}, {6, 6}}},
        {"line breaks only", std::string(5, '\n'), {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}},
        {"UTF-8 BOM only", "\xEF\xBB\xBF", {{3, 3}}},
        {"UTF-16LE BOM only", "\xFF\xFE", {{2, 2}}},
        {"UTF-16LE odd final byte",
         std::string("\xFF\xFE"
                     "a\0\n\0b",
                     7),
         {{2, 4}, {6, 6}}},
        {"UTF-16BE CR LF, odd final byte", std::string("\xFE\xFF\0x\0\r\0\n\0y\0", 11), {{2, 4}, {8, 10}}},
        {"UTF-16LE lone surrogates",
         std::string("\xFF\xFE\x00\xD8"
                     "a\0\x00\xDC\n\0",
                     10),
         {{2, 8}, {10, 10}}},
        {"UTF-16LE CR and LF bytes inside characters", utf16(L"\x0A0D\x0D0A\r", false), {{2, 6}, {8, 8}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TextFile file(c.bytes);
        ASSERT_EQ(file.lineCount(), c.lines.size());
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            EXPECT_EQ(file.lineStart(i), c.lines[i].first) << "line " << i;
            EXPECT_EQ(file.lineEnd(i), c.lines[i].second) << "line " << i;
        }
        for (std::uint64_t offset = 0; offset <= c.bytes.size(); ++offset) {
            std::size_t holder = 0;
            while (holder + 1 < c.lines.size() && c.lines[holder + 1].first <= offset) ++holder;
            EXPECT_EQ(file.lineOf(offset), holder) << "offset " << offset;
        }
    }
}

// The sparse index finds every line as a plain scan does, in any order, also
// around a line far longer than the stretch it scans.
TEST(TextFile, EveryLineIsFoundBetweenTheRememberedOnes) {
    for (const char* form : {"bytes", "UTF-16LE", "UTF-16BE"}) {
        SCOPED_TRACE(form);
        const bool wide = form[0] == 'U', bigEndian = wide && form[7] == 'B';
        std::string bytes = !wide ? "" : bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        const auto put = [&](const std::string& ascii) {
            for (char c : ascii) {
                if (wide && bigEndian) bytes += '\0';
                bytes += c;
                if (wide && !bigEndian) bytes += '\0';
            }
        };
        std::vector<std::uint64_t> starts;
        for (int i = 0; i < 3000; ++i) {
            starts.push_back(bytes.size());
            put(i == 1500 ? std::string(300000, 'x') : std::string(static_cast<std::size_t>(i % 7) * 5, 'a'));
            put(i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\n" : "\r");
        }
        starts.push_back(bytes.size());
        const TextFile file(bytes);
        ASSERT_EQ(file.lineCount(), starts.size());
        EXPECT_EQ(file.longestLine(), 300000u + 2);   // with its CR LF
        for (std::size_t step : {1u, 997u, 2999u}) {  // forwards, and jumping about
            for (std::size_t n = 0, i = 0; n < starts.size(); ++n, i = (i + step) % starts.size()) {
                ASSERT_EQ(file.lineStart(i), starts[i]) << "line " << i;
                ASSERT_EQ(file.lineOf(starts[i]), i) << "line " << i;
                if (i + 1 < starts.size()) {
                    ASSERT_EQ(file.lineOf(starts[i + 1] - 1), i) << "line end " << i;
                }
            }
        }
        EXPECT_EQ(file.lineOf(starts[1500] + 250000), 1500u);
        EXPECT_EQ(file.line(1500).size(), 300000u);
    }
}

// Files of nothing but line breaks, as a writer gone wrong leaves them.
TEST(TextFile, NothingButLineBreaks) {
    struct Case {
        const char* name;
        std::string bom, lineBreak;
    };
    const Case cases[] = {
        {"LF", "", "\n"},
        {"CR LF", "", "\r\n"},
        {"CR", "", "\r"},
        {"UTF-16LE LF", "\xFF\xFE", std::string("\n\0", 2)},
        {"UTF-16BE CR LF", "\xFE\xFF", std::string("\0\r\0\n", 4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = c.bom;
        for (int i = 0; i < 5000; ++i) bytes += c.lineBreak;
        const TextFile file(bytes);
        ASSERT_EQ(file.lineCount(), 5001u);
        for (std::uint64_t line = 0; line <= 5000; line += 7) {
            const std::uint64_t start = c.bom.size() + line * c.lineBreak.size();
            ASSERT_EQ(file.lineStart(line), start) << "line " << line;
            ASSERT_EQ(file.lineEnd(line), start) << "line " << line;
            ASSERT_EQ(file.lineOf(start), line) << "line " << line;
        }
    }
}

// A line cut anywhere at the boundary found before the cut decodes as the whole
// line; columns and offsets map into each other.
TEST(TextFile, CharacterBoundariesNeverSplitACharacter) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"UTF-16LE", utf16(L"ﾛｸﾞ \xD83D\xDE00 ログ\tx", false)},
        {"UTF-16BE", utf16(L"ﾛｸﾞ \xD83D\xDE00 ログ\tx", true)},
        {"UTF-8", utf8(u8"ログ 😀 é ﾛｸﾞ\tx")},
        {"Shift-JIS",
         "\x83\x8D\x83O \xDB\xB8\xDE \x88\x9F\x88\xE0\x89\x40 x\x81"},  // ends in a lone lead byte
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TextFile file(c.bytes);
        const std::uint64_t start = file.lineStart(0), end = file.lineEnd(0);
        const std::wstring whole = file.line(0);
        std::vector<std::uint32_t> offsets;
        EXPECT_EQ(file.decode(start, end, offsets), whole);
        ASSERT_EQ(offsets.size(), whole.size() + 1);
        EXPECT_EQ(offsets.back(), end - start);
        for (std::uint64_t cut = start; cut <= end; ++cut) {
            const std::uint64_t at = file.boundaryBefore(start, cut);
            EXPECT_LE(at, cut);
            EXPECT_EQ(file.decode(start, at) + file.decode(at, end), whole) << "cut at " << cut;
        }
        for (std::size_t column = 0; column <= whole.size(); ++column) {
            const std::uint64_t offset = file.offsetOf(0, column);
            EXPECT_EQ(file.decode(start, offset), whole.substr(0, file.columnOf(0, offset)))
                << "column " << column;
        }
    }
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
