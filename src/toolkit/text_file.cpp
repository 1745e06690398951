#include "toolkit/text_file.h"

#include <algorithm>
#include <cstring>

namespace tk {
namespace {

// A code point as a wstring holds it: one unit, or a surrogate pair where wchar_t has 16 bits.
void appendCodePoint(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c > 0xFFFF) {
            c -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (c >> 10));
            out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(c);
}

// The length of the well-formed UTF-8 sequence at p, 0 when there is none; *code
// receives its code point. A sequence cut off by the end counts as ill-formed.
std::size_t utf8Sequence(const unsigned char* p, const unsigned char* end, char32_t* code) {
    const unsigned char lead = p[0];
    std::size_t length = 0;
    char32_t c = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead < 0x80) {
        *code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;   // no overlong forms
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (static_cast<std::size_t>(end - p) < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char b = p[i];
        if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF)) return 0;
        c = (c << 6) | (b & 0x3F);
    }
    *code = c;
    return length;
}

// Valid UTF-8 with at least one character beyond ASCII.
bool isUtf8Text(std::string_view bytes) {
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto end = p + bytes.size();
    bool beyondAscii = false;
    while (p < end) {
        // Plain ASCII goes eight bytes at a time.
        std::uint64_t word;
        if (end - p >= 8 && (std::memcpy(&word, p, 8), (word & 0x8080808080808080ull) == 0)) {
            p += 8;
            continue;
        }
        char32_t c;
        const std::size_t length = utf8Sequence(p, end, &c);
        if (length == 0) {
            // A character cut off by the end of the file does not count against it.
            if (end - p < 4 && *p >= 0xC2 && *p <= 0xF4 &&
                std::all_of(p + 1, end, [](unsigned char b) { return b >= 0x80 && b <= 0xBF; }))
                return beyondAscii;
            return false;
        }
        beyondAscii = beyondAscii || length > 1;
        p += length;
    }
    return beyondAscii;
}

std::wstring decodeUtf8(std::string_view bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto end = p + bytes.size();
    while (p < end) {
        char32_t c;
        const std::size_t length = utf8Sequence(p, end, &c);
        appendCodePoint(out, length ? c : 0xFFFD);
        p += length ? length : 1;
    }
    return out;
}

std::wstring decodeUtf16(std::string_view bytes, bool bigEndian) {
    std::wstring out;
    out.reserve(bytes.size() / 2);
    const auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (a << 8 | b) : (b << 8 | a);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if constexpr (sizeof(wchar_t) > 2) {
            if (c >= 0xD800 && c <= 0xDBFF && i + 3 < bytes.size()) {
                const char32_t next = unit(i + 2);
                if (next >= 0xDC00 && next <= 0xDFFF) {
                    c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
                    i += 2;
                }
            }
        }
        appendCodePoint(out, c);
    }
    return out;
}

// The next CR or LF byte at or after p, else end. Eight bytes at a time while none
// of them is below 0x0E, as is the case in most of a log.
const char* nextLineEnd8(const char* p, const char* end) {
    constexpr std::uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    while (end - p >= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        if (((word - ones * 0x0E) & ~word & highs) != 0) break;
        p += 8;
    }
    for (; p < end; ++p)
        if (*p == '\n' || *p == '\r') return p;
    return end;
}

}  // namespace

TextFormat detectTextFormat(std::string_view bytes) {
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") return {TextEncoding::Utf16LE, 2};
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFE\xFF") return {TextEncoding::Utf16BE, 2};
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return {TextEncoding::Utf8, 3};
    return {isUtf8Text(bytes) ? TextEncoding::Utf8 : TextEncoding::Ansi, 0};
}

bool isRtf(std::string_view bytes) {
    return bytes.substr(0, 5) == "{\\rtf";
}

TextFile::TextFile(std::string bytes) : bytes_(std::move(bytes)), format_(detectTextFormat(bytes_)) {
    starts_.push_back(format_.bomSize);
    index(format_.bomSize);
}

void TextFile::append(std::string_view more) {
    if (more.empty()) return;
    // The last line may go on, and a CR that ended the line before may be followed by its LF.
    starts_.pop_back();
    if (starts_.empty()) starts_.push_back(format_.bomSize);
    bytes_.append(more);
    index(starts_.back());
}

void TextFile::index(std::size_t start) {
    const std::size_t size = bytes_.size();
    std::size_t longest = 0;  // bytes
    const auto lineEndsAt = [&](std::size_t next) {
        longest = std::max(longest, next - start);
        starts_.push_back(start = next);
    };
    if (format_.encoding == TextEncoding::Utf16LE || format_.encoding == TextEncoding::Utf16BE) {
        // A line feed is looked for as a whole code unit, never as a byte of one.
        const std::size_t hi = format_.encoding == TextEncoding::Utf16BE ? 0 : 1;
        const char* data = bytes_.data();
        const std::size_t units = size - (size - start) % 2;
        for (std::size_t i = start; i < units; i += 2) {
            if (data[i + hi] != 0) continue;
            const char low = data[i + 1 - hi];
            if (low == '\n') {
                lineEndsAt(i + 2);
            } else if (low == '\r') {
                const bool crlf = i + 3 < units && data[i + 2 + hi] == 0 && data[i + 3 - hi] == '\n';
                lineEndsAt(i + (crlf ? 4 : 2));
                if (crlf) i += 2;
            }
        }
        longest_ = std::max(longest_, std::max(longest, size - start) / 2);
    } else {
        // A line feed byte never occurs inside a Shift-JIS or UTF-8 character.
        const char* data = bytes_.data();
        const char* end = data + size;
        for (const char* p = nextLineEnd8(data + start, end); p < end; p = nextLineEnd8(p, end)) {
            if (*p++ == '\r' && p < end && *p == '\n') ++p;
            lineEndsAt(static_cast<std::size_t>(p - data));
        }
        longest_ = std::max(longest_, std::max(longest, size - start));
    }
}

std::string_view TextFile::raw(std::size_t index) const {
    const std::size_t begin = starts_.at(index);
    std::size_t end = bytes_.size();
    if (index + 1 < starts_.size()) {
        end = starts_[index + 1];
        const bool wide =
            format_.encoding == TextEncoding::Utf16LE || format_.encoding == TextEncoding::Utf16BE;
        const std::size_t unit = wide ? 2 : 1;
        const std::size_t low = format_.encoding == TextEncoding::Utf16BE ? 1 : 0;
        end -= unit;  // the LF or CR
        if (bytes_[end + low] == '\n' && end >= begin + unit && bytes_[end - unit + low] == '\r' &&
            (!wide || bytes_[end - unit + 1 - low] == 0))
            end -= unit;
    } else if (format_.encoding != TextEncoding::Ansi && format_.encoding != TextEncoding::Utf8) {
        end -= (end - begin) % 2;
    }
    return std::string_view(bytes_).substr(begin, end - begin);
}

std::size_t TextFile::lineAt(std::size_t offset) const {
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
    return after == starts_.begin() ? 0 : static_cast<std::size_t>(after - starts_.begin()) - 1;
}

std::wstring TextFile::decode(std::size_t begin, std::size_t end) const {
    const std::string_view bytes = std::string_view(bytes_).substr(begin, end > begin ? end - begin : 0);
    switch (format_.encoding) {
        case TextEncoding::Utf8:
            return decodeUtf8(bytes);
        case TextEncoding::Utf16LE:
            return decodeUtf16(bytes, false);
        case TextEncoding::Utf16BE:
            return decodeUtf16(bytes, true);
        case TextEncoding::Ansi:
            break;
    }
    return decodeAnsi(bytes);
}

std::wstring TextFile::line(std::size_t index) const {
    const std::string_view bytes = raw(index);
    switch (format_.encoding) {
        case TextEncoding::Utf8:
            return decodeUtf8(bytes);
        case TextEncoding::Utf16LE:
            return decodeUtf16(bytes, false);
        case TextEncoding::Utf16BE:
            return decodeUtf16(bytes, true);
        case TextEncoding::Ansi:
            break;
    }
    return decodeAnsi(bytes);
}

std::wstring TextFile::text() const {
    std::wstring all;
    for (std::size_t i = 0; i < lineCount(); ++i) {
        if (i > 0) all += L"\r\n";
        all += line(i);
    }
    return all;
}

// Groups nest; each keeps whether its text is hidden and how many fallback
// characters follow a \u character. Hex bytes (\'hh) and raw bytes above ASCII
// are collected and decoded together, since one character may take two of them.
std::wstring rtfPlainText(std::string_view rtf) {
    struct Group {
        bool hidden = false;
        int fallback = 1;
    };
    static constexpr std::string_view hiddenDestinations[] = {
        "fonttbl",   "colortbl",     "stylesheet",        "info",    "pict",    "object",
        "header",    "footer",       "headerl",           "headerr", "footerl", "footerr",
        "footnote",  "listtable",    "listoverridetable", "fldinst", "rsidtbl", "generator",
        "themedata", "latentstyles", "datastore",         "xmlnstbl"};
    std::vector<Group> outer;
    Group group;
    std::wstring out;
    std::string ansi;
    int skip = 0;               // fallback characters still to skip
    std::size_t paragraph = 0;  // where the text stood after the last paragraph mark
    const auto flush = [&] {
        if (!ansi.empty()) out += decodeAnsi(ansi);
        ansi.clear();
    };
    // A byte of the code page (from \'hh or raw text above ASCII), or a character.
    const auto character = [&](char32_t c, bool byte) {
        if (group.hidden) return;
        if (skip > 0) {
            --skip;
            return;
        }
        if (byte) {
            ansi += static_cast<char>(c);
            return;
        }
        flush();
        appendCodePoint(out, c);
    };
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto hexValue = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };

    std::size_t i = 0;
    while (i < rtf.size()) {
        const char c = rtf[i++];
        if (c == '{' || c == '}') {
            flush();
            skip = 0;
            if (c == '{') {
                outer.push_back(group);
            } else if (!outer.empty()) {
                group = outer.back();
                outer.pop_back();
            }
        } else if (c == '\r' || c == '\n') {
            // Line breaks in the source are not text.
        } else if (c != '\\') {
            character(static_cast<unsigned char>(c), static_cast<unsigned char>(c) >= 0x80);
        } else if (i < rtf.size() && isLetter(rtf[i])) {
            const std::size_t wordStart = i;
            while (i < rtf.size() && isLetter(rtf[i])) ++i;
            const std::string_view word = rtf.substr(wordStart, i - wordStart);
            bool hasParameter = false;
            long parameter = 0;
            const bool negative = i < rtf.size() && rtf[i] == '-';
            if (negative) ++i;
            while (i < rtf.size() && isDigit(rtf[i])) {
                hasParameter = true;
                parameter = std::min(parameter * 10 + (rtf[i++] - '0'), 1L << 20);
            }
            if (negative) parameter = -parameter;
            if (i < rtf.size() && rtf[i] == ' ') ++i;

            if (word == "par" || word == "line" || word == "sect" || word == "page") {
                character(L'\r', false);
                character(L'\n', false);
                if (!group.hidden) paragraph = out.size();
            } else if (word == "tab") {
                character(L'\t', false);
            } else if (word == "u" && hasParameter) {
                character(static_cast<char32_t>(parameter < 0 ? parameter + 0x10000 : parameter), false);
                if (!group.hidden) skip = group.fallback;
            } else if (word == "uc" && hasParameter) {
                group.fallback = static_cast<int>(std::max(0L, parameter));
            } else if (word == "bin" && hasParameter) {
                i = std::min(rtf.size(), i + static_cast<std::size_t>(std::max(0L, parameter)));
            } else if (std::find(std::begin(hiddenDestinations), std::end(hiddenDestinations), word) !=
                       std::end(hiddenDestinations)) {
                group.hidden = true;
            }
        } else if (i < rtf.size()) {
            const char symbol = rtf[i++];
            if (symbol == '\'' && i + 1 < rtf.size() && hexValue(rtf[i]) >= 0 && hexValue(rtf[i + 1]) >= 0) {
                character(static_cast<char32_t>(hexValue(rtf[i]) * 16 + hexValue(rtf[i + 1])), true);
                i += 2;
            } else if (symbol == '*') {
                group.hidden = true;  // a destination the reader may not know
            } else if (symbol == '~') {
                character(0xA0, false);
            } else if (symbol == '\r' || symbol == '\n') {
                character(L'\r', false);
                character(L'\n', false);
            } else if (symbol == '\\' || symbol == '{' || symbol == '}') {
                character(static_cast<unsigned char>(symbol), false);
            }
        }
    }
    flush();
    // The document's last paragraph mark ends it and adds no empty line.
    if (paragraph == out.size() && out.size() >= 2) out.resize(out.size() - 2);
    return out;
}

}  // namespace tk
