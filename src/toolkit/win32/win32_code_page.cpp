// Text in a code page, with the system's conversion.
#include <windows.h>

#include <climits>

#include "toolkit/code_page.h"

namespace tk {

static_assert(kAnsiCodePage == CP_ACP && kUtf8CodePage == CP_UTF8);

// Best-fit mapping is off: a character the code page lacks must fail, never
// become a look-alike.
std::optional<std::string> encodeToCodePage(std::wstring_view text, unsigned codePage) {
    if (text.empty()) return std::string();
    if (text.size() > INT_MAX / 4) return std::nullopt;
    // UTF-8 holds every character but refuses a lone surrogate; it takes no default character.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* used = utf8 ? nullptr : &usedDefault;
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, used);
    if (size <= 0 || usedDefault) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(codePage, flags, text.data(), length, bytes.data(), size, nullptr, used) !=
            size ||
        usedDefault)
        return std::nullopt;
    return bytes;
}

}  // namespace tk
