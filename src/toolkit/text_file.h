// A text file as the log viewer reads it: its raw bytes (in memory or read from
// the file in pieces), a sparse index of line starts in them that may be built a
// little at a time, and text decoded only where it is shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/text_bytes.h"

namespace tk {

enum class TextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

struct TextFormat {
    TextEncoding encoding = TextEncoding::Ansi;
    std::size_t bomSize = 0;  // bytes of the byte-order mark, skipped
};

// A byte-order mark decides UTF-16LE, UTF-16BE or UTF-8. Without one, UTF-8 needs
// evidence: valid multi-byte sequences and no invalid one. A sequence cut off at
// the very end (a log still being written) is left out of the judgement, but it
// then takes a sequence of three or four bytes to decide UTF-8: two-byte sequences
// alone are just as likely half-width katakana in Shift-JIS. Anything else is ANSI.
TextFormat detectTextFormat(std::string_view bytes);

// The same judgement of UTF-8 over bytes that come a part at a time.
class Utf8Evidence {
public:
    void feed(std::string_view bytes);
    // Whether everything fed, taken as the whole, is UTF-8.
    bool verdict() const;

private:
    bool invalid_ = false, twoBytes_ = false, longer_ = false;
    std::string carry_;  // a sequence cut off by the end of what was fed
};

// An RTF document begins with "{\rtf".
bool isRtf(std::string_view bytes);

// Text in the system's ANSI code page (932 on a Japanese system), decoded, and
// whether a byte starts a two-byte character there. Each toolkit backend provides them.
std::wstring decodeAnsi(std::string_view bytes);
bool isAnsiLeadByte(unsigned char byte);

// The text of an RTF document as a rich edit control holds it: paragraphs ended
// by CR LF (the last one ends the document and adds no empty line), tabs kept,
// formatting, pictures and hidden destinations left out.
std::wstring rtfPlainText(std::string_view rtf);

// Positions in a TextFile are byte offsets into its bytes; a line's text runs
// from lineStart to lineEnd, its line break (if any) follows. The lines are known
// as far as the bytes have been indexed: the last line known runs to there.
class TextFile {
public:
    static constexpr std::uint64_t kWhole = std::numeric_limits<std::uint64_t>::max();

    // No file: one empty line.
    TextFile() : TextFile(std::string()) {}
    explicit TextFile(std::string bytes) : TextFile(TextBytes(std::move(bytes))) {}
    // Bytes kept elsewhere (a mapped file), alive as long as owner is.
    TextFile(std::string_view bytes, std::shared_ptr<const void> owner)
        : TextFile(TextBytes(bytes, std::move(owner))) {}
    // The first indexFirst bytes or so indexed now, the rest by indexMore. Until
    // all is indexed, the encoding is judged from the first piece of the bytes.
    explicit TextFile(TextBytes bytes, std::uint64_t indexFirst = kWhole);

    TextEncoding encoding() const { return format_.encoding; }
    const TextFormat& format() const { return format_; }
    // The file's bytes, byte-order mark included.
    const TextBytes& bytes() const { return bytes_; }
    std::uint64_t size() const { return bytes_.size(); }
    // The bytes a log writer added since, in memory; grow: the file is now that
    // long, its last bytes tail. The encoding stays as it was found; only the lines
    // from the old last one on are indexed again.
    void append(std::string_view more);
    void grow(const FileStamp& now, std::string tail);

    // How far the lines are known, in bytes; whether that is the whole.
    std::uint64_t indexedBytes() const { return scanned_; }
    bool indexed() const { return scanned_ >= endOfText(); }
    // Indexes about that many bytes more.
    void indexMore(std::uint64_t bytes);

    // Lines are ended by CR LF, LF or CR alone; the text after the last line end
    // (perhaps nothing) is a line too, so there is always at least one.
    std::uint64_t lineCount() const { return lines_; }
    std::uint64_t lineStart(std::uint64_t line) const;
    // Where the line's text ends: before its line break, or at the end of the file.
    std::uint64_t lineEnd(std::uint64_t line) const;
    // The line that holds the byte at offset (a line break belongs to its line).
    std::uint64_t lineOf(std::uint64_t offset) const;
    // Length of the longest line, in bytes (UTF-16: code units).
    std::uint64_t longestLine() const;

    // The nearest character boundary at or before offset, not before from (a
    // boundary, such as a line start).
    std::uint64_t boundaryBefore(std::uint64_t from, std::uint64_t offset) const;
    // The characters of [begin, end), both boundaries; with offsets, the byte
    // offset (from begin) of every UTF-16 unit boundary: text.size() + 1 entries.
    std::wstring decode(std::uint64_t begin, std::uint64_t end) const;
    std::wstring decode(std::uint64_t begin, std::uint64_t end, std::vector<std::uint32_t>& offsets) const;
    // The first limit characters of [begin, end) at most (more or less one, at a
    // character that takes two units): a large range is never decoded whole.
    std::wstring decodeFirst(std::uint64_t begin, std::uint64_t end, std::size_t limit) const;

    // Between a byte offset and a (line, UTF-16 column) position; these decode the
    // line up to the position. A column inside a surrogate pair means the one before it.
    std::size_t columnOf(std::uint64_t line, std::uint64_t offset) const;
    std::uint64_t offsetOf(std::uint64_t line, std::size_t column) const;

    std::wstring line(std::uint64_t index) const { return decode(lineStart(index), lineEnd(index)); }
    // Every line, joined by CR LF.
    std::wstring text() const;

private:
    // A line start is remembered for every every_-th line (64, or more in a file
    // so large that the marks would take too much memory), and for the first line
    // starting kReach bytes or more after the last one remembered, so that any
    // line is found by scanning fewer than every_ line ends within kReach bytes.
    static constexpr std::uint64_t kEvery = 64;
    static constexpr std::uint64_t kReach = 64 * 1024;
    struct Mark {
        std::uint64_t offset;
        std::uint64_t line;
    };

    bool wide() const;
    // Where the text's last whole character unit ends.
    std::uint64_t endOfText() const;
    // The start of the next line after the line break that begins at or after
    // from and before limit; nullopt when there is none there.
    std::optional<std::uint64_t> nextLine(std::uint64_t from, std::uint64_t limit) const;
    // Counts and remembers the lines in the bytes up to until.
    void scan(std::uint64_t until);
    // After growth: the last line known (and the one before, when the old end was
    // a CR that an LF may now follow) is indexed again.
    void restartAtLastLine(std::uint64_t oldSize);

    TextBytes bytes_;
    TextFormat format_;
    std::optional<Utf8Evidence> judging_;  // while the encoding is still to be judged
    std::vector<Mark> marks_;
    std::uint64_t every_ = kEvery;
    std::uint64_t scanned_ = 0;  // every line break that begins before this is counted
    std::uint64_t start_ = 0;    // where the last line known starts
    std::uint64_t lines_ = 1;
    std::uint64_t longest_ = 0;  // bytes of the longest line before the last one
    // The line found last: the view asks for neighbouring lines one after another.
    mutable Mark last_{0, 0};
};

}  // namespace tk
