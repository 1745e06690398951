// Text as the bytes of a UTF-16LE file, the encoding the Task Scheduler reads
// a task definition in.
#pragma once

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

}  // namespace lorvane
