#include "toolkit/text_search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tk {
namespace {

constexpr long kNone = -1;

std::string utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

std::string utf16(const std::u16string& text, bool bigEndian, bool bom = true) {
    std::string bytes = bom ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
    for (char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

struct Search {
    const char* name;
    std::string bytes;
    std::wstring needle;
    bool matchCase = false;
    bool down = true;
    std::size_t from = 0;
    long expected = kNone;  // offset of the match
};

// The offset found, kNone when nothing was.
long run(const Search& c, std::size_t chunk = TextSearch::kDefaultChunk) {
    TextSearch search(c.needle, detectTextFormat(c.bytes), c.matchCase);
    search.chunkSize = chunk;
    const SearchResult result = search.find(c.bytes, c.from, c.down);
    return result.outcome == SearchOutcome::Found ? static_cast<long>(result.match.offset) : kNone;
}

void expectAll(const std::vector<Search>& cases, std::size_t chunk = TextSearch::kDefaultChunk) {
    for (const Search& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(run(c, chunk), c.expected);
    }
}

// 表 is 95 5C and ソ is 83 5C: their second byte is the backslash.
const std::string kTable = "\x95\x5C";
const std::string kSo = "\x83\x5C";

TEST(TextSearch, ShiftJisMatchesOnlyWholeCharacters) {
    // 亜 is 88 9F, and 9F 88 is a character too: in a run of 亜 it only ever
    // shows up straddling two of them.
    const std::string a = "\x88\x9F", straddle = "\x9F\x88";
    const std::wstring straddleText = decodeAnsi(straddle);
    const std::string run4 = a + a + a + a;
    expectAll({
        {"backslash after 表", "C:" + kTable + "\\x", L"\\", false, true, 0, 4},
        {"backslash after ソ", kSo + kSo + "\\", L"\\", false, true, 0, 4},
        {"only 表, no backslash", kTable + kSo, L"\\", false, true, 0, kNone},
        {"up past 表", "\\" + kTable + kSo, L"\\", false, false, 5, 0},
        {"up, only inside characters", "x" + kTable + kSo, L"\\", false, false, 5, kNone},
        {"lower-case s is a second byte too", "\x83s", L"s", false, true, 0, kNone},
        {"a long run of lead bytes, down", run4 + straddle, straddleText, true, true, 0, 8},
        {"a long run of lead bytes, up", straddle + run4, straddleText, true, false, 10, 0},
        {"nothing but the run", run4, straddleText, true, true, 0, kNone},
        {"half-width katakana is one byte", "\xC3\xBD\xC4\x5C", L"\\", false, true, 0, 3},
    });
}

TEST(TextSearch, EveryEncodingFindsTheSameWord) {
    const std::u16string text = u"開始 エラー: skipped";
    expectAll({
        {"Shift-JIS", "\x8AJ\x8En \x83G\x83\x89\x81[: skipped", L"エラー", false, true, 0, 5},
        {"UTF-8", utf8(u8"開始 エラー: skipped"), L"エラー", false, true, 0, 7},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + utf8(u8"開始 エラー"), L"エラー", false, true, 0, 10},
        {"UTF-16LE", utf16(text, false), L"エラー", false, true, 0, 8},
        {"UTF-16BE", utf16(text, true), L"エラー", false, true, 0, 8},
        {"UTF-16LE, ASCII word", utf16(text, false), L"SKIPPED", false, true, 0, 18},
        {"UTF-16BE, ASCII word", utf16(text, true), L"skipped", true, true, 0, 18},
    });
}

TEST(TextSearch, Utf16MatchesStartOnWholeCodeUnits) {
    // U+6100 U+3000 is 00 61 00 30 in UTF-16LE: "a" (61 00) straddles the two.
    expectAll({
        {"straddling two units", utf16(u"\u6100\u3000", false), L"a", false, true, 0, kNone},
        {"on a unit", utf16(u"\u6100a", false), L"a", false, true, 0, 4},
        {"odd last byte", utf16(u"x", false) + "a", L"a", false, true, 0, kNone},
    });
}

TEST(TextSearch, CaseRules) {
    const std::string sjisFullWidth = "\x82`\x82\x81";  // Ａａ
    const std::string sjisGreek = "\x83\xBF\x83\x9F";    // αΑ
    const std::string sjisCyrillic = "\x84p\x84@";       // аА
    expectAll({
        {"ASCII, any case", "Backup SKIPPED", L"skipped", false, true, 0, 7},
        {"ASCII, match case", "Backup SKIPPED skipped", L"skipped", true, true, 0, 15},
        {"ASCII, match case, absent", "Backup SKIPPED", L"skipped", true, true, 0, kNone},
        {"Latin-1 in UTF-8", utf8(u8"FEHLER: ÜBERSPRUNGEN"), L"übersprungen", false, true, 0, 8},
        {"full-width in UTF-8", utf8(u8"ｅｒｒｏｒ"), L"ＥＲＲＯＲ", false, true, 0, 0},
        {"full-width is not half-width", utf8(u8"ｅｒｒｏｒ"), L"error", false, true, 0, kNone},
        {"an accented Greek letter is a letter of its own", utf8(u8"ΣΦΑΛΜΑ"), L"σφάλμα", false, true, 0, kNone},
        {"Greek letters in UTF-8", utf8(u8"ΩΜΕΓΑ"), L"ωμεγα", false, true, 0, 0},
        {"Cyrillic in UTF-8", utf8(u8"Ошибка: ОШИБКА"), L"ошибка", false, true, 0, 0},
        {"Cyrillic, match case", utf8(u8"Ошибка: ОШИБКА"), L"ОШИБКА", true, true, 0, 14},
        {"Ё and ё", utf8(u8"ЁЛКА"), L"ёлка", false, true, 0, 0},
        {"hiragana is not katakana", utf8(u8"カタカナ"), L"かたかな", false, true, 0, kNone},
        {"Shift-JIS full-width letters", sjisFullWidth, L"ａ", false, true, 0, 0},
        {"Shift-JIS full-width, match case", sjisFullWidth, L"ａ", true, true, 0, 2},
        {"Shift-JIS Greek", sjisGreek, L"Α", false, true, 0, 0},
        {"Shift-JIS Cyrillic", sjisCyrillic, L"А", false, true, 0, 0},
        {"Shift-JIS Cyrillic, match case", sjisCyrillic, L"А", true, true, 0, 2},
    });
}

TEST(TextSearch, DirectionAndStart) {
    const std::string text = "err1 err2 err3";
    expectAll({
        {"down from the start", text, L"err", false, true, 0, 0},
        {"down from inside the first", text, L"err", false, true, 1, 5},
        {"down from the last", text, L"err", false, true, 10, 10},
        {"down past the last", text, L"err", false, true, 11, kNone},
        {"down from beyond the end", text, L"err", false, true, 99, kNone},
        {"up from the end", text, L"err", false, false, 14, 10},
        {"up from the start of the last", text, L"err", false, false, 10, 5},
        {"up from beyond the end", text, L"err", false, false, 99, 10},
        {"up from the start", text, L"err", false, false, 0, kNone},
        {"a match may reach past the start, up", text, L"err3", false, false, 11, 10},
        {"up never looks at the byte-order mark", utf16(u"ab", false), L"\uFEFF", false, false, 6, kNone},
    });
}

TEST(TextSearch, NeedlesThatCannotMatch) {
    expectAll({
        {"empty needle", "abc", L"", false, true, 0, kNone},
        {"longer than the file", "abc", L"abcd", false, true, 0, kNone},
        {"longer than the file, up", "abc", L"abcd", false, false, 3, kNone},
        {"a cut-off match at the end", "xxab", L"abc", false, true, 0, kNone},
        {"empty file", "", L"a", false, true, 0, kNone},
        {"a character Shift-JIS lacks", "\x83G\x83\x89", L"에러", false, true, 0, kNone},
        {"a character Shift-JIS has only a look-alike of", "C:\\log", L"\u00A5log", false, true, 0, kNone},
    });
    EXPECT_FALSE(TextSearch(L"에러", TextFormat{}, true).possible());
    EXPECT_FALSE(TextSearch(L"", TextFormat{TextEncoding::Utf8, 0}, true).possible());
}

// Matches that begin in one piece of the scan and end in the next, and pieces
// that begin or end inside a double-byte character.
TEST(TextSearch, MatchesAcrossPieces) {
    std::string sjis;
    for (int i = 0; i < 40; ++i) sjis += kTable;
    sjis += "\\";  // offset 80
    std::string ascii(61, '.');
    ascii += "ERROR";  // offset 61
    const std::vector<Search> cases = {
        {"down, across", ascii, L"error", false, true, 0, 61},
        {"up, across", ascii, L"error", false, false, 66, 61},
        {"up, starting inside the match", ascii, L"error", false, false, 63, 61},
        {"down, Shift-JIS", sjis, L"\\", false, true, 0, 80},
        {"up, Shift-JIS", sjis, L"\\", false, false, 81, 80},
        {"up, Shift-JIS, nothing whole", sjis, L"\\", false, false, 80, kNone},
        {"UTF-16 across", utf16(u"..........ERROR", false), L"error", false, true, 0, 22},
    };
    for (std::size_t chunk : {1u, 3u, 7u, 8u, 9u, 16u, 64u}) {
        SCOPED_TRACE("piece of " + std::to_string(chunk) + " bytes");
        expectAll(cases, chunk);
    }
}

TEST(TextSearch, ReportsProgressAndStopsWhenTold) {
    for (const bool down : {true, false}) {
        SCOPED_TRACE(down ? "down" : "up");
        const std::string dots(100, '.');
        const std::string text = down ? dots + "x" : "x" + dots;  // the match is in the last piece
        TextSearch search(L"x", TextFormat{}, true);
        search.chunkSize = 10;
        std::vector<std::size_t> reports;
        const SearchProgress stopAtThird = [&](std::size_t searched, std::size_t total) {
            EXPECT_EQ(total, 101u);
            reports.push_back(searched);
            return reports.size() < 3;
        };
        const SearchResult result = search.find(text, down ? 0 : text.size(), down, stopAtThird);
        EXPECT_EQ(result.outcome, SearchOutcome::Cancelled);
        EXPECT_EQ(reports, (std::vector<std::size_t>{10, 20, 30}));
        search.chunkSize = 1000;
        EXPECT_EQ(search.find(text, down ? 0 : text.size(), down, stopAtThird).outcome, SearchOutcome::Found);
    }
}

}  // namespace
}  // namespace tk
