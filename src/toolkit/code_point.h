// One code point appended to a wstring, as the decoders and the RTF reader need it.
#pragma once

#include <string>

namespace tk {

// A code point as a wstring holds it: one unit, or a surrogate pair where wchar_t has 16 bits.
inline void appendCodePoint(std::wstring& out, char32_t c) {
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

}  // namespace tk
