#include "toolkit/text_file_reload.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace tk {
namespace {

std::vector<std::wstring> lines(const TextFile& file) {
    std::vector<std::wstring> all;
    for (std::size_t i = 0; i < file.lineCount(); ++i) all.push_back(file.line(i));
    return all;
}

// Every line's start and end, and the line found for each of them.
std::vector<std::uint64_t> positions(const TextFile& file) {
    std::vector<std::uint64_t> all;
    for (std::uint64_t i = 0; i < file.lineCount(); ++i)
        all.insert(all.end(), {file.lineStart(i), file.lineEnd(i), file.lineOf(file.lineStart(i)),
                               file.lineOf(file.lineEnd(i))});
    return all;
}

std::string bytesOf(const TextFile& file) {
    return std::string(file.bytes().read(0, static_cast<std::size_t>(file.size())).view());
}

std::string numbered(int count, const char* end) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "line " + std::to_string(i) + end;
    return text;
}

// Text that arrives in two pieces is indexed as if it had come at once, even
// when a piece ends between the CR and the LF of a line end.
TEST(TextFileAppend, TwoPiecesIndexLikeOne) {
    struct Case {
        const char* name;
        std::string first, second;
    };
    const Case cases[] = {
        {"between lines", "a\r\n", "b\r\n"},
        {"inside a line", "ab", "c\r\nd"},
        {"between CR and LF", "a\r", "\nb"},
        {"a CR alone, then a line", "a\r", "b"},
        {"nothing added", "a\r\nb", ""},
        {"UTF-16LE between CR and LF",
         std::string("\xFF\xFE"
                     "a\0\r\0",
                     6),
         std::string("\n\0b\0", 4)},
        {"UTF-16LE inside a code unit",
         std::string("\xFF\xFE"
                     "a\0b",
                     5),
         std::string("\0\n\0c\0", 5)},
        {"Shift-JIS", "\x95\x5C\r\n", "\x83\x5C\n"},
        // Many lines on either side, so that lines are remembered only here and there.
        {"hundreds of lines, cut inside one", numbered(300, "\r\n") + "li", "ne\r\n" + numbered(300, "\n")},
        {"hundreds of lines, cut between CR and LF", numbered(130, "\r\n") + "x\r",
         "\n" + numbered(200, "\r")},
        {"a line longer than the index's reach", numbered(10, "\n") + std::string(70000, 'x'),
         std::string(70000, 'y') + "\n" + numbered(100, "\n")},
        {"bare line breaks", std::string(1000, '\n'), std::string(1000, '\n')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TextFile whole(c.first + c.second);
        TextFile pieces(c.first);
        pieces.append(c.second);
        EXPECT_EQ(lines(pieces), lines(whole));
        EXPECT_EQ(positions(pieces), positions(whole));
        EXPECT_EQ(pieces.longestLine(), whole.longestLine());
        EXPECT_EQ(bytesOf(pieces), bytesOf(whole));
    }
}

// A copy taken before the addition keeps its own bytes and lines.
TEST(TextFileAppend, ACopyKeepsWhatItHad) {
    TextFile file(numbered(100, "\r\n"));
    const TextFile copy = file;
    file.append("added\r\n");
    EXPECT_EQ(copy.lineCount(), 101u);
    EXPECT_EQ(bytesOf(copy), numbered(100, "\r\n"));
    EXPECT_EQ(file.lineCount(), 102u);
    EXPECT_EQ(file.line(100), L"added");
}

class ReloadTextFile : public ::testing::Test {
protected:
    void SetUp() override {
        path_ =
            std::filesystem::temp_directory_path() /
            ("lorvane-reload-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    }
    void TearDown() override { std::filesystem::remove(path_); }
    void write(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }

    std::filesystem::path path_;
};

TEST_F(ReloadTextFile, ReadsOnlyWhatWasAddedWhenTheStartIsUnchanged) {
    const std::string log(10000, 'x');  // longer than what is compared at either end
    struct Case {
        const char* name;
        std::string before, after;
        ReloadOutcome outcome;
    };
    const Case cases[] = {
        {"lines added", log + "\r\n", log + "\r\nadded\r\n", ReloadOutcome::Grown},
        {"nothing added", log, log, ReloadOutcome::Grown},
        {"written anew, longer", log, "y" + log + "z", ReloadOutcome::Replaced},
        {"the old end changed", log + "a", log + "bc", ReloadOutcome::Replaced},
        {"shorter", log, log.substr(0, 10), ReloadOutcome::Replaced},
        {"empty before: the encoding is found anew", "",
         "\xFF\xFE"
         "a\0",
         ReloadOutcome::Replaced},
    };
    // Held in memory, and read from the file in pieces.
    for (const bool fromFile : {false, true})
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (fromFile ? ", from the file" : ", in memory"));
            write(c.before);
            TextFile file =
                fromFile ? TextFile(*TextBytes::open(path_.wstring(), nullptr)) : TextFile(c.before);
            write(c.after);
            std::wstring failure;
            EXPECT_EQ(reloadTextFile(file, path_.wstring(), &failure), c.outcome);
            file.indexMore(TextFile::kWhole);
            EXPECT_EQ(bytesOf(file), c.after);
            EXPECT_EQ(lines(file), lines(TextFile(c.after)));
        }
}

// A file read in pieces and indexed a step at a time has the lines of the same
// bytes read whole, whatever lies across the boundary of two pieces.
TEST_F(ReloadTextFile, AFileReadInPiecesIndexesLikeOneReadWhole) {
    constexpr std::size_t kPiece = TextBytes::kPiece;
    // Text that ends exactly at the first piece's end, followed by tail.
    const auto across = [&](std::string head, const std::string& tail, char fill = 'x') {
        std::string text = std::move(head);
        while (text.size() + 1000 < kPiece - tail.size() / 2) text += std::string(999, fill) + "\n";
        text.resize(kPiece - tail.size() / 2, fill);
        return text + tail + numbered(50, "\r\n");
    };
    std::string utf16 = "\xFF\xFE";
    for (int i = 0; utf16.size() < kPiece + 4000; ++i)
        utf16 += i % 400 == 399 ? std::string("\r\0\n\0", 4) : "a\0";
    std::string sjis;
    while (sjis.size() < kPiece - 1) sjis += sjis.size() % 1000 == 998 ? "\r\n" : "\x83o";  // バ
    sjis.resize(kPiece - 1);
    sjis += "\x83o\r\nend";
    struct Case {
        const char* name;
        std::string bytes;
        std::uint64_t step;  // bytes indexed at a time
    };
    const Case cases[] = {
        {"CR LF split across pieces", across("", "\r\n"), 100000},
        {"a line starting at a piece", across("", "\n\n"), 333333},
        {"CR alone at a piece's end", across("", "\ry"), TextBytes::kPiece},
        {"UTF-16 lines across pieces", utf16, 77777},
        {"Shift-JIS lead byte at a piece's end", sjis, 65536},
        {"one line over three pieces", std::string(3 * kPiece + 5, 'z') + "\n!", 1 << 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(c.bytes);
        TextFile file(*TextBytes::open(path_.wstring(), nullptr), 1);
        while (!file.indexed()) {
            const std::uint64_t before = file.indexedBytes();
            file.indexMore(c.step);
            ASSERT_GT(file.indexedBytes(), before);
            // What is known already is as it will stay, but the last line that goes on.
            ASSERT_LE(file.lineEnd(file.lineCount() - 1), file.size());
        }
        const TextFile whole(c.bytes);
        EXPECT_EQ(file.encoding(), whole.encoding());
        EXPECT_EQ(lines(file), lines(whole));
        EXPECT_EQ(positions(file), positions(whole));
        EXPECT_EQ(file.longestLine(), whole.longestLine());
        EXPECT_FALSE(file.bytes().changed());
    }
}

// A log written anew while it is indexed is noticed, not shown half the old one:
// shorter, or another file under the same name.
TEST_F(ReloadTextFile, AFileChangedWhileItIsIndexedIsNoticed) {
    const std::string log = numbered(200000, "\r\n");
    ASSERT_GT(log.size(), 2 * TextBytes::kPiece);
    const std::filesystem::path other = path_.string() + ".new";
    struct Case {
        const char* name;
        std::function<void()> change;
    };
    const Case cases[] = {
        {"cut short", [&] { std::filesystem::resize_file(path_, TextBytes::kPiece / 2); }},
        {"replaced",
         [&] {
             std::ofstream(other, std::ios::binary) << log;
             std::filesystem::rename(other, path_);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(log);
        TextFile file(*TextBytes::open(path_.wstring(), nullptr), 1000);
        c.change();
        file.indexMore(TextFile::kWhole);
        EXPECT_TRUE(file.bytes().changed());
    }
}

TEST_F(ReloadTextFile, AFileThatCannotBeReadLeavesTheTextAsItWas) {
    TextFile file("kept\r\n");
    std::wstring failure;
    EXPECT_EQ(reloadTextFile(file, path_.wstring(), &failure), ReloadOutcome::Failed);
    EXPECT_FALSE(failure.empty());
    EXPECT_EQ(file.text(), L"kept\r\n");
}

}  // namespace
}  // namespace tk
