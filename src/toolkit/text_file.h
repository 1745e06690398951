// A text file as the log viewer reads it: the raw bytes kept once, a sparse index
// of line starts in them, and text decoded only where it is shown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// At most maxBytes of the file from offset on (fewer at its end), read while the
// program that writes it may still hold it open; nothing when it cannot be read,
// and then failure (if given) receives the system's description of why. Memory
// running out throws std::bad_alloc; the file is closed whichever way it ends.
// Each toolkit backend provides it (without the iostreams, which would double
// the size of the program).
std::optional<std::string> readFilePart(const std::wstring& path, std::uint64_t offset, std::size_t maxBytes,
                                        std::wstring* failure);

inline std::optional<std::string> readWholeFile(const std::wstring& path, std::wstring* failure = nullptr) {
    return readFilePart(path, 0, std::numeric_limits<std::size_t>::max(), failure);
}

// Positions in a TextFile are byte offsets into its bytes; a line's text runs
// from lineStart to lineEnd, its line break (if any) follows.
class TextFile {
public:
    // No file: one empty line.
    TextFile() : TextFile(std::string()) {}
    explicit TextFile(std::string bytes);
    // Bytes kept elsewhere (a mapped file), alive as long as owner is.
    TextFile(std::string_view bytes, std::shared_ptr<const void> owner);

    TextEncoding encoding() const { return format_.encoding; }
    const TextFormat& format() const { return format_; }
    // The file's bytes, byte-order mark included.
    std::string_view bytes() const { return bytes_; }
    // The bytes a log writer added since; the encoding stays as it was found.
    // Only the lines from the old last one on are indexed.
    void append(std::string_view more);

    // Lines are ended by CR LF, LF or CR alone; the text after the last line end
    // (perhaps nothing) is a line too, so there is always at least one.
    std::uint64_t lineCount() const { return lines_; }
    std::uint64_t lineStart(std::uint64_t line) const;
    // Where the line's text ends: before its line break, or at the end of the file.
    std::uint64_t lineEnd(std::uint64_t line) const;
    // The line that holds the byte at offset (a line break belongs to its line).
    std::uint64_t lineOf(std::uint64_t offset) const;
    // Length of the longest line, in bytes (UTF-16: code units).
    std::uint64_t longestLine() const { return longest_; }

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
    // A line start is remembered for every kEvery-th line, and for the first line
    // starting kReach bytes or more after the last one remembered, so that any line
    // is found by scanning fewer than kEvery line ends within kReach bytes.
    static constexpr std::uint64_t kEvery = 64;
    static constexpr std::uint64_t kReach = 64 * 1024;
    struct Mark {
        std::uint64_t offset;
        std::uint64_t line;
    };

    bool wide() const;
    // The start of the next line after the line break that begins at or after
    // from and before limit; nullopt when there is none there.
    std::optional<std::uint64_t> nextLine(std::uint64_t from, std::uint64_t limit) const;

    void index();
    // Counts and remembers the lines after the given one, the last remembered
    // being mark; longest so far in bytes.
    void index(Mark from, Mark mark, std::uint64_t longest);

    std::shared_ptr<const void> owner_;
    // The bytes when this file holds them itself: appended to in place while no copy shares them.
    std::shared_ptr<std::string> own_;
    std::string_view bytes_;
    TextFormat format_;
    std::vector<Mark> marks_;
    std::uint64_t lines_ = 1;
    std::uint64_t longest_ = 0;
    // The line found last: the view asks for neighbouring lines one after another.
    mutable Mark last_{0, 0};
};

}  // namespace tk
