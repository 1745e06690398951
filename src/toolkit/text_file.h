// A text file as the log viewer reads it: the raw bytes kept once, the start of
// every line indexed in them, and a line decoded only when it is shown.
#pragma once

#include <cstddef>
#include <cstdint>
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

// A byte-order mark decides UTF-16LE, UTF-16BE or UTF-8. Without one, text that
// is valid UTF-8 and not plain ASCII is UTF-8 (a sequence cut off at the very end,
// as in a log still being written, counts as valid); anything else is ANSI.
TextFormat detectTextFormat(std::string_view bytes);

// An RTF document begins with "{\rtf".
bool isRtf(std::string_view bytes);

// Text in the system's ANSI code page (932 on a Japanese system), decoded. Each
// toolkit backend provides it.
std::wstring decodeAnsi(std::string_view bytes);

// The text of an RTF document as a rich edit control holds it: paragraphs ended
// by CR LF (the last one ends the document and adds no empty line), tabs kept,
// formatting, pictures and hidden destinations left out.
std::wstring rtfPlainText(std::string_view rtf);

// The whole file, or nothing when it cannot be read. Each toolkit backend provides
// it (without the iostreams, which would double the size of the program).
std::optional<std::string> readWholeFile(const std::wstring& path);

class TextFile {
public:
    // No file: one empty line.
    TextFile() : TextFile(std::string()) {}
    explicit TextFile(std::string bytes);

    TextEncoding encoding() const { return format_.encoding; }
    const TextFormat& format() const { return format_; }
    // The file's bytes, byte-order mark included.
    std::string_view bytes() const { return bytes_; }
    // The bytes a log writer added since; the encoding stays as it was found.
    void append(std::string_view more);
    // Lines are ended by CR LF, LF or CR alone; the text after the last line end
    // (perhaps nothing) is a line too, so there is always at least one.
    std::size_t lineCount() const { return starts_.size(); }
    std::wstring line(std::size_t index) const;
    // Length of the longest line, in bytes (UTF-16: code units).
    std::size_t longestLine() const { return longest_; }
    // Every line, joined by CR LF.
    std::wstring text() const;

    // Where the line begins, in bytes; and the line that holds a byte.
    std::size_t lineStart(std::size_t index) const { return starts_.at(index); }
    std::size_t lineAt(std::size_t offset) const;
    // Bytes of the file, decoded.
    std::wstring decode(std::size_t begin, std::size_t end) const;

private:
    // Indexes the lines that begin at or after `start`, a line start.
    void index(std::size_t start);
    // The line's bytes, without its line end.
    std::string_view raw(std::size_t index) const;

    std::string bytes_;
    TextFormat format_;
    std::vector<std::size_t> starts_;  // where each line begins in bytes_
    std::size_t longest_ = 0;
};

}  // namespace tk
