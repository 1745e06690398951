// Texts the system writes into the caller's buffer in two calls: the first, with
// no room, tells the size needed (its terminating zero included), the second fills it.
#pragma once

#include <windows.h>

#include <string>

namespace lorvane::win32 {

// fill(buffer, size) is the system call: it returns the length written, or the
// size needed when the buffer is too small, or 0 on failure. Empty when either call fails.
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

}  // namespace lorvane::win32
