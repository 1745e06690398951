// The headless machine's ANSI code page is 932 (Shift-JIS), as in text decoding.
#include <iconv.h>

#include "toolkit/text_search.h"

namespace tk {

std::optional<std::string> encodeAnsi(std::wstring_view text) {
    const iconv_t cd = iconv_open("CP932", "WCHAR_T");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(text.size() * 2 + 1, '\0');
    char* in = reinterpret_cast<char*>(const_cast<wchar_t*>(text.data()));
    std::size_t inLeft = text.size() * sizeof(wchar_t);
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (rc != 0 || inLeft != 0) return std::nullopt;  // a character 932 does not have
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace tk
