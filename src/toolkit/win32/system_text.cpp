#include "toolkit/win32/system_text.h"

#include "toolkit/texts.h"

namespace tk::win32 {

std::wstring systemErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    // Language 0: the thread's, then the user's, then the system's language.
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    if (text.empty()) text = filled(texts().systemError, std::to_wstring(error));
    return text;
}

}  // namespace tk::win32
