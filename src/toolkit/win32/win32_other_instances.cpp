// Another instance of the program: its window found by title and brought to
// the front, and a key pressed in its main menu.
#include "toolkit/win32/scoped.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::win32 {
namespace {

constexpr DWORD kForegroundWaitMs = 2000;  // for the other program to take the front
constexpr DWORD kPollMs = 10;
constexpr DWORD kInputIdleWaitMs = 5000;   // for the other program to handle the key

std::wstring windowClass(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

struct TitleSearch {
    std::wstring title;
    bool prefix = false;
    HWND found = nullptr;
};

BOOL CALLBACK matchTitle(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<TitleSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    // Only the program's own windows: another program's window of that title is not ours to press keys in.
    if (pid == GetCurrentProcessId() || !IsWindowVisible(hwnd) || windowClass(hwnd) != formClassName())
        return TRUE;
    const std::wstring title = windowText(hwnd);
    const bool match = search->prefix ? title.rfind(search->title, 0) == 0 : title == search->title;
    if (!match) return TRUE;
    search->found = hwnd;
    return FALSE;
}

// The visible top-level windows of the process that owns a window.
struct InstanceWindows {
    DWORD processId = 0;
    HWND frontMost = nullptr;  // the first in Z order that takes input
    bool modalOpen = false;    // one of the program's windows is disabled: a modal window is over it
};

BOOL CALLBACK addInstanceWindow(HWND hwnd, LPARAM lp) {
    auto* instance = reinterpret_cast<InstanceWindows*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != instance->processId || !IsWindowVisible(hwnd)) return TRUE;
    const bool enabled = IsWindowEnabled(hwnd);
    if (!enabled && windowClass(hwnd) == formClassName()) instance->modalOpen = true;
    if (enabled && !instance->frontMost && !(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
        instance->frontMost = hwnd;
    return TRUE;
}

InstanceWindows instanceWindows(HWND window) {
    InstanceWindows instance;
    GetWindowThreadProcessId(window, &instance.processId);
    EnumWindows(addInstanceWindow, reinterpret_cast<LPARAM>(&instance));
    return instance;
}

// True once the system reports the window in front. The other program
// activates its window in its own time; a key sent before that would reach
// whatever window was in front, of whichever program.
bool bringToFront(HWND window) {
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    for (DWORD waited = 0; GetForegroundWindow() != window && waited < kForegroundWaitMs; waited += kPollMs)
        Sleep(kPollMs);
    if (GetForegroundWindow() != window) return false;
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kForegroundWaitMs, &ignored);
    return GetForegroundWindow() == window;
}

}  // namespace

WindowFound activateWindowByTitle(const std::wstring& title) {
    TitleSearch search{title, false, nullptr};
    EnumWindows(matchTitle, reinterpret_cast<LPARAM>(&search));
    if (!search.found) {
        search.prefix = true;
        EnumWindows(matchTitle, reinterpret_cast<LPARAM>(&search));
    }
    if (!search.found) return WindowFound::None;
    // Only the menu waits for the Enter: in a dialog found by the prefix it would press
    // the focused button (削除, ｷｬﾝｾﾙ, OK), and a message box, the picker or a file
    // dialog is for the user to answer, not us.
    const InstanceWindows instance = instanceWindows(search.found);
    const bool modalOpen = !IsWindowEnabled(search.found) || instance.modalOpen;
    const bool inFront = bringToFront(modalOpen && instance.frontMost ? instance.frontMost : search.found);
    return !search.prefix && !modalOpen && inFront ? WindowFound::TakesInput : WindowFound::FrontOnly;
}

void sendEnterAndWait() {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_RETURN;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    // The key has been handled once the receiving program waits for input again.
    DWORD pid = 0;
    if (HWND target = GetForegroundWindow()) GetWindowThreadProcessId(target, &pid);
    if (!pid || pid == GetCurrentProcessId()) return;
    if (const AutoCloseHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid)); process.valid())
        WaitForInputIdle(process, kInputIdleWaitMs);
}

}  // namespace tk::win32
