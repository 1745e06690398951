// Text as the bytes of a UTF-16LE file, the encoding the Task Scheduler reads
// a task definition in.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lorvane {

inline void appendUtf16LeUnit(std::string& out, char32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>((unit >> 8) & 0xFF);
}

// The byte order mark FF FE, then the text. Where wchar_t has 16 bits the text is
// UTF-16 already; where it has 32, a code point beyond the BMP becomes a surrogate pair.
inline std::string encodeUtf16Le(std::wstring_view text) {
    std::string out = "\xFF\xFE";
    out.reserve(2 + text.size() * 2);
    for (wchar_t wc : text) {
        char32_t c = static_cast<char32_t>(wc);
        if (c > 0xFFFF) {
            c -= 0x10000;
            appendUtf16LeUnit(out, 0xD800 + (c >> 10));
            appendUtf16LeUnit(out, 0xDC00 + (c & 0x3FF));
        } else {
            appendUtf16LeUnit(out, c);
        }
    }
    return out;
}

// The text of bytes that encodeUtf16Le wrote: nothing without the byte order mark
// or with an odd byte at the end. Where wchar_t has 32 bits a surrogate pair
// becomes one code point.
inline std::optional<std::wstring> decodeUtf16Le(std::string_view bytes) {
    if (bytes.size() < 2 || bytes.size() % 2 != 0 || bytes.substr(0, 2) != "\xFF\xFE") return std::nullopt;
    std::wstring text;
    text.reserve(bytes.size() / 2 - 1);
    for (std::size_t at = 2; at < bytes.size(); at += 2) {
        char32_t unit = static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
        if constexpr (sizeof(wchar_t) > 2) {
            const std::size_t next = at + 2;
            if (unit >= 0xD800 && unit <= 0xDBFF && next + 1 < bytes.size()) {
                const char32_t low =
                    static_cast<unsigned char>(bytes[next]) | static_cast<unsigned char>(bytes[next + 1]) << 8;
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    at = next;
                }
            }
        }
        text += static_cast<wchar_t>(unit);
    }
    return text;
}

}  // namespace lorvane
