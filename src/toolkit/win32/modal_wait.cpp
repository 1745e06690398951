#include "toolkit/win32/modal_wait.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace tk::win32 {
namespace {

// While it lives, the enabled windows of this thread are disabled, as under a modal box.
class WindowsDisabled {
public:
    WindowsDisabled() : focus_(GetFocus()) {
        EnumThreadWindows(GetCurrentThreadId(), collect, reinterpret_cast<LPARAM>(&windows_));
        for (HWND window : windows_) EnableWindow(window, FALSE);
    }
    ~WindowsDisabled() {
        for (HWND window : windows_)
            if (IsWindow(window)) EnableWindow(window, TRUE);
        if (focus_ && IsWindow(focus_)) SetFocus(focus_);
    }
    WindowsDisabled(const WindowsDisabled&) = delete;
    WindowsDisabled& operator=(const WindowsDisabled&) = delete;

private:
    static BOOL CALLBACK collect(HWND window, LPARAM list) {
        if (IsWindowVisible(window) && IsWindowEnabled(window))
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
        return TRUE;
    }
    HWND focus_;
    std::vector<HWND> windows_;
};

bool waiting = false;

// While it lives, the wait cursor shows over the program's windows; the next
// move of the mouse afterwards brings back the cursor of what lies beneath.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) { waiting = true; }
    ~WaitCursor() {
        waiting = false;
        SetCursor(previous_);
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

// Paints the windows and drops the user's keys and clicks. Anything else posted
// (a quit request, a click sent by another program) waits for the message loop,
// so that no handler runs while the action waits.
void paintAndDropInput() {
    MSG msg;
    const std::pair<UINT, UINT> input[] = {
        {WM_KEYFIRST, WM_KEYLAST}, {WM_MOUSEFIRST, WM_MOUSELAST}, {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK}};
    for (const auto& [first, last] : input)
        while (PeekMessageW(&msg, nullptr, first, last, PM_REMOVE)) {
        }
    // A window that paints leaves no WM_PAINT behind; the bound guards against one that does not.
    for (int i = 0; i < 100 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT); ++i)
        DispatchMessageW(&msg);
}

}  // namespace

bool waitCursorShown() { return waiting; }

bool waitWithWindowsDisabled(HANDLE object, std::chrono::milliseconds timeout, const std::function<void()>& poll) {
    const WindowsDisabled disabled;
    const WaitCursor cursor;
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(std::max<long long>(timeout.count(), 0));
    for (;;) {
        poll();
        if (WaitForSingleObject(object, 0) == WAIT_OBJECT_0) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        // Woken by the object or by new messages, and at least every 50 ms for poll.
        const DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50));
        MsgWaitForMultipleObjects(1, &object, FALSE, slice, QS_ALLINPUT);
        paintAndDropInput();
    }
}

}  // namespace tk::win32
