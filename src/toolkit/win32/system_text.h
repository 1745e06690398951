// Texts the system gives: those it writes into the caller's buffer in two calls,
// and its own description of an error code.
#pragma once

#include <windows.h>

#include <string>

namespace tk::win32 {

// fill(buffer, size) is the system call: it returns the length written, or the
// size needed (its terminating zero included) when the buffer is too small, or 0
// on failure. The first call, with no room, asks the size. Empty when either fails.
template <class Fill>
std::wstring systemText(Fill fill) {
    const DWORD needed = fill(nullptr, 0);
    if (needed == 0) return {};
    std::wstring text(needed, L'\0');
    const DWORD length = fill(text.data(), needed);
    if (length == 0 || length >= needed) return {};
    text.resize(length);
    return text;
}

// The system's description of a Win32 error code in the user's language, without
// its line break; the toolkit's numbered text when the system has none.
std::wstring systemErrorText(DWORD error);

}  // namespace tk::win32
