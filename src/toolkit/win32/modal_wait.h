// Waiting for something outside the program while its windows stay on screen.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>

namespace tk::win32 {

// Waits until the object is signalled or the time is up. Meanwhile the program's
// windows are disabled, as under a modal box, and painted; the user's keys and
// clicks are dropped, and anything else posted waits for the message loop, so that
// no handler runs. `poll` runs at the start and at least every 50 ms (a pipe that
// must not fill up). The wait cursor shows over the program's windows meanwhile.
// True when the object was signalled.
bool waitWithWindowsDisabled(HANDLE object, std::chrono::milliseconds timeout, const std::function<void()>& poll);

// Whether such a wait is under way: the windows then answer WM_SETCURSOR with the wait cursor.
bool waitCursorShown();

}  // namespace tk::win32
