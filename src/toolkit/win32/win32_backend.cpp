// The Win32 backend's services: the system, the message loop, message boxes,
// other instances and windows.
#include <vector>

#include "toolkit/backend.h"
#include "toolkit/twips.h"
#include "toolkit/win32/win32_internal.h"

namespace tk {
namespace {

std::wstring directoryFrom(UINT (*query)(LPWSTR, UINT)) {
    // Ask for the size first, so that no length of path is cut off.
    const UINT needed = query(nullptr, 0);
    if (needed == 0) return {};
    std::wstring path(needed, L'\0');
    const UINT written = query(path.data(), needed);
    if (written == 0 || written >= needed) return {};
    path.resize(written);
    return path;
}

UINT windowsDirectoryW(LPWSTR buffer, UINT size) { return GetWindowsDirectoryW(buffer, size); }
UINT systemDirectoryW(LPWSTR buffer, UINT size) { return GetSystemDirectoryW(buffer, size); }

std::wstring windowTitle(HWND hwnd) {
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring title(static_cast<size_t>(length) + 1, L'\0');
    title.resize(static_cast<size_t>(GetWindowTextW(hwnd, title.data(), length + 1)));
    return title;
}

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
    if (pid == GetCurrentProcessId() || !IsWindowVisible(hwnd) || windowClass(hwnd) != win32::formClassName())
        return TRUE;
    const std::wstring title = windowTitle(hwnd);
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
    if (!enabled && windowClass(hwnd) == win32::formClassName()) instance->modalOpen = true;
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

void bringToFront(HWND window) {
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    // The other program activates its window in its own time: wait until it
    // has, so that a key sent next reaches it and not the window before it.
    for (int waited = 0; GetForegroundWindow() != window && waited < 2000; waited += 10) Sleep(10);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
}

// The active window's shortcuts and dialog keys first, as in a dialog box.
void deliver(MSG& msg) {
    if (HWND active = win32::dialogNavigationWindow()) {
        if (HACCEL accelerators = win32::acceleratorsOf(active))
            if (TranslateAcceleratorW(active, accelerators, &msg)) return;
        if (IsDialogMessageW(active, &msg)) return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

class Win32Backend final : public Backend {
public:
    std::unique_ptr<FormPeer> createFormPeer(Form& form) override { return win32::createFormPeer(form); }

    void frameExtent(const Form& form, float& extraWidth, float& extraHeight) override {
        const int dpi = win32::dpiOf(win32::formWindow(form));
        RECT r{0, 0, 1000, 1000};
        AdjustWindowRectEx(&r, win32::formStyle(form), !form.menus().empty(), win32::formExStyle(form));
        extraWidth = pixelsToTwips(r.right - r.left - 1000, dpi);
        extraHeight = pixelsToTwips(r.bottom - r.top - 1000, dpi);
    }

    void allFormsUnloaded() override { PostQuitMessage(0); }
    [[noreturn]] void exitProcess() override { ExitProcess(0); }

    int runMessageLoop() override {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            deliver(msg);
            win32::reportHeldFailure(msg.hwnd);
        }
        return static_cast<int>(msg.wParam);
    }

    std::wstring windowsDirectory() override { return directoryFrom(windowsDirectoryW); }
    std::wstring systemDirectory() override { return directoryFrom(systemDirectoryW); }

    lorvane::DateTime now() override {
        SYSTEMTIME t;
        GetLocalTime(&t);
        return lorvane::DateTime::fromCivil({t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond});
    }

    float screenWidthTwips() override { return pixelsToTwips(GetSystemMetrics(SM_CXSCREEN), win32::dpiOf(nullptr)); }
    float screenHeightTwips() override { return pixelsToTwips(GetSystemMetrics(SM_CYSCREEN), win32::dpiOf(nullptr)); }

    int messageBox(const std::wstring& text, int style, const std::wstring& caption) override {
        Form* owner = activeForm();
        HWND ownerWindow = owner && owner->Visible() ? win32::formWindow(*owner) : nullptr;
        const UINT flags = static_cast<UINT>(style) | (ownerWindow ? MB_APPLMODAL : MB_TASKMODAL);
        return MessageBoxW(ownerWindow, text.c_str(), caption.c_str(), flags);
    }

    VersionInfo versionInfo() override {
        VersionInfo info;
        wchar_t path[MAX_PATH * 4];
        if (!GetModuleFileNameW(nullptr, path, MAX_PATH * 4)) return info;
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
        if (!size) return info;
        std::vector<unsigned char> block(size);
        if (!GetFileVersionInfoW(path, 0, size, block.data())) return info;
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        if (VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
            info.major = HIWORD(fixed->dwFileVersionMS);
            info.minor = LOWORD(fixed->dwFileVersionMS);
            info.revision = LOWORD(fixed->dwFileVersionLS);
        }
        struct Translation {
            WORD language, codePage;
        }* translation = nullptr;
        if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                            &length) ||
            length < sizeof(Translation))
            return info;
        wchar_t prefix[64];
        wsprintfW(prefix, L"\\StringFileInfo\\%04x%04x\\", translation->language, translation->codePage);
        auto text = [&](const wchar_t* name) {
            wchar_t* value = nullptr;
            UINT chars = 0;
            const std::wstring key = std::wstring(prefix) + name;
            if (!VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &chars) || !value)
                return std::wstring();
            return std::wstring(value);
        };
        info.companyName = text(L"CompanyName");
        info.productName = text(L"ProductName");
        return info;
    }

    int platformCode() override {
        OSVERSIONINFOW version{};
        version.dwOSVersionInfoSize = sizeof version;
#ifdef _MSC_VER
#pragma warning(suppress : 4996)
#endif
        if (!GetVersionExW(&version)) return 0;
        return static_cast<int>(version.dwPlatformId);
    }

    bool prevInstance() override {
        // The first instance holds the mutex for its whole run.
        static const bool earlier = [] {
            HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\Lorvane.Instance.5c1e7a52");
            return mutex && GetLastError() == ERROR_ALREADY_EXISTS;
        }();
        return earlier;
    }

    WindowFound activateWindowByTitle(const std::wstring& title) override {
        TitleSearch search{title, false, nullptr};
        EnumWindows(matchTitle, reinterpret_cast<LPARAM>(&search));
        if (!search.found) {
            search.prefix = true;
            EnumWindows(matchTitle, reinterpret_cast<LPARAM>(&search));
        }
        if (!search.found) return WindowFound::None;
        // A message box, the picker or a file dialog is open: the user answers it, not us.
        const InstanceWindows instance = instanceWindows(search.found);
        const bool takesInput = IsWindowEnabled(search.found) && !instance.modalOpen;
        bringToFront(takesInput || !instance.frontMost ? search.found : instance.frontMost);
        return takesInput ? WindowFound::TakesInput : WindowFound::Busy;
    }

    void sendEnterAndWait() override {
        INPUT keys[2] = {};
        keys[0].type = keys[1].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[1].ki.wVk = VK_RETURN;
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, keys, sizeof(INPUT));
        // The key has been handled once the receiving program waits for input again.
        DWORD pid = 0;
        if (HWND target = GetForegroundWindow()) GetWindowThreadProcessId(target, &pid);
        if (!pid || pid == GetCurrentProcessId()) return;
        if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid)) {
            WaitForInputIdle(process, 5000);
            CloseHandle(process);
        }
    }

    int showOpenDialog(CommonDialog& dialog) override { return win32::showOpenDialog(dialog); }
    int showFontDialog(CommonDialog& dialog) override { return win32::showFontDialog(dialog); }
};

}  // namespace

Backend& systemBackend() {
    static Win32Backend instance;
    return instance;
}

}  // namespace tk
