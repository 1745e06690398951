// The Win32 backend's services: the system, the message loop, message boxes,
// other instances and windows, and the user's actions for the window tests.
#include <cwctype>
#include <stdexcept>
#include <vector>

#include "toolkit/backend.h"
#include "toolkit/choices.h"
#include "toolkit/combo_box.h"
#include "toolkit/drive_list.h"
#include "toolkit/folder_list.h"
#include "toolkit/controls.h"
#include "toolkit/list_box.h"
#include "toolkit/text_box.h"
#include "toolkit/menu.h"
#include "toolkit/testing.h"
#include "toolkit/twips.h"
#include "toolkit/up_down.h"
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

// Answers the message box that the test scripted, the moment it appears.
thread_local int scriptedAnswer = 0;
thread_local HHOOK answerHook = nullptr;

LRESULT CALLBACK answerMessageBox(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE && scriptedAnswer) {
        HWND box = reinterpret_cast<HWND>(wp);
        wchar_t cls[16] = {};
        GetClassNameW(box, cls, 16);
        if (std::wstring(cls) == L"#32770") {
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(scriptedAnswer, BN_CLICKED), 0);
            scriptedAnswer = 0;
        }
    }
    return CallNextHookEx(answerHook, code, wp, lp);
}

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
            if (win32::modelessDialogMessage(msg)) continue;
            HWND active = win32::dialogNavigationWindow();
            if (active) {
                if (HACCEL accelerators = win32::acceleratorsOf(active))
                    if (TranslateAcceleratorW(active, accelerators, &msg)) continue;
                if (IsDialogMessageW(active, &msg)) continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
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
        if (!testing::active()) return MessageBoxW(ownerWindow, text.c_str(), caption.c_str(), flags);
        // In a test the real box appears and is answered as the test scripted.
        const int answer = testing::recordMessageBox(text, style, caption);
        scriptedAnswer = answer ? answer : testing::defaultAnswer(style);
        answerHook = SetWindowsHookExW(WH_CBT, answerMessageBox, nullptr, GetCurrentThreadId());
        const int result = MessageBoxW(ownerWindow, text.c_str(), caption.c_str(), flags);
        UnhookWindowsHookEx(answerHook);
        answerHook = nullptr;
        scriptedAnswer = 0;
        return result;
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

    int showOpenDialog(CommonDialog& dialog, const testing::DialogAnswer* answer) override {
        return win32::showOpenDialog(dialog, answer);
    }
    int showFontDialog(CommonDialog& dialog, const testing::DialogAnswer* answer) override {
        return win32::showFontDialog(dialog, answer);
    }
    std::unique_ptr<FindDialogPeer> createFindDialogPeer(FindDialog& dialog) override {
        return win32::createFindDialogPeer(dialog);
    }
};

}  // namespace

Backend& backend() {
    static Win32Backend instance;
    return instance;
}

std::wstring testing::labelBefore(Control& control) {
    HWND hwnd = win32::controlWindow(control);
    if (!hwnd) throw std::logic_error("the control has no window: is its form loaded?");
    HWND previous = GetWindow(hwnd, GW_HWNDPREV);
    wchar_t className[16] = {};
    if (!previous || !GetClassNameW(previous, className, 16) || lstrcmpiW(className, L"Static") != 0) return {};
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(previous)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(previous, text.data(), static_cast<int>(text.size()))));
    return text;
}

namespace user {
namespace {

HWND usableWindow(Control& control);

void sendClick(Control& control) {
    if (HWND hwnd = usableWindow(control)) {
        SendMessageW(hwnd, BM_CLICK, 0, 0);
        win32::rethrowHeldException();
    }
}

HWND usableWindow(Control& control) {
    HWND hwnd = win32::controlWindow(control);
    if (!hwnd) throw std::logic_error("the control has no window: is its form loaded?");
    return IsWindowEnabled(hwnd) && IsWindowVisible(hwnd) ? hwnd : nullptr;
}

// The mouse pressed and released over the row of a list box.
void clickRow(HWND list, int row, UINT press) {
    RECT item{};
    SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(row), 0);
    if (SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) == LB_ERR)
        throw std::out_of_range("no such row in the list");
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SetFocus(list);
    SendMessageW(list, press, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
    win32::rethrowHeldException();
}

// A click on a row of a list control, or a double click (press, release, press again).
void clickListRow(Control& list, int row, bool twice) {
    HWND hwnd = usableWindow(list);
    if (!hwnd) return;
    clickRow(hwnd, row, WM_LBUTTONDOWN);
    if (twice) clickRow(hwnd, row, WM_LBUTTONDBLCLK);
}

}  // namespace

void click(Button& button) { sendClick(button); }

void choose(MenuItem& item) {
    HWND hwnd = win32::formWindow(item.form());
    HMENU menu = hwnd ? GetMenu(hwnd) : nullptr;
    if (!menu) throw std::logic_error("the menu's window is not loaded");
    const UINT state = GetMenuState(menu, static_cast<UINT>(item.commandId), MF_BYCOMMAND);
    if (state == static_cast<UINT>(-1) || (state & (MF_GRAYED | MF_DISABLED))) return;
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(item.commandId, 0), 0);
    win32::rethrowHeldException();
}

void click(CheckBox& box) { sendClick(box); }
void click(OptionButton& option) { sendClick(option); }

void type(TextBox& box, const std::wstring& text) {
    HWND hwnd = win32::controlWindow(box);
    if (!hwnd) throw std::logic_error("the text box has no window: is its form loaded?");
    if (!IsWindowEnabled(hwnd) || (GetWindowLongW(hwnd, GWL_STYLE) & ES_READONLY)) return;
    SetFocus(hwnd);
    SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    win32::rethrowHeldException();
}

void select(ListBox& list, int index) { clickListRow(list, index, false); }
void doubleClick(ListBox& list, int index) { clickListRow(list, index, true); }

void closeBox(Form& form) {
    HWND hwnd = win32::formWindow(form);
    if (!hwnd || !form.ControlBox) return;
    SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    win32::rethrowHeldException();
}

// The mouse pressed and released over the upper or lower arrow, once a step.
void spin(UpDown& upDown, int steps) {
    HWND hwnd = win32::controlWindow(upDown);
    if (!hwnd) throw std::logic_error("the up-down has no window: is its form loaded?");
    if (!IsWindowEnabled(hwnd) || !IsWindowVisible(hwnd)) return;
    RECT r{};
    GetClientRect(hwnd, &r);
    const LPARAM at = MAKELPARAM(r.right / 2, steps < 0 ? r.bottom * 3 / 4 : r.bottom / 4);
    for (int i = 0; i < (steps < 0 ? -steps : steps); ++i) {
        SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(hwnd, WM_LBUTTONUP, 0, at);
        win32::rethrowHeldException();
    }
}

namespace {

// A key message as the message loop hands it on: the window's dialog keys first.
void deliverKey(HWND target, UINT msg, WPARAM wp) {
    MSG m{target, msg, wp, 1, static_cast<DWORD>(GetMessageTime()), {}};
    if (!IsDialogMessageW(GetAncestor(target, GA_ROOT), &m)) DispatchMessageW(&m);
    win32::rethrowHeldException();
}

void pressKeyIn(HWND target, int key) {
    if (key >= 0x10000) {
        deliverKey(target, WM_KEYDOWN, static_cast<WPARAM>(key - 0x10000));
        deliverKey(target, WM_KEYUP, static_cast<WPARAM>(key - 0x10000));
        return;
    }
    const SHORT scan = VkKeyScanW(static_cast<wchar_t>(key));
    const WPARAM virtualKey = key == key::Back ? VK_BACK : key == key::Return ? VK_RETURN : LOBYTE(scan);
    deliverKey(target, WM_KEYDOWN, virtualKey);
    deliverKey(target, WM_CHAR, static_cast<WPARAM>(key));
    deliverKey(target, WM_KEYUP, virtualKey);
}

// Opens the drop-down list, picks the item and closes the list again.
void chooseFromDropDown(HWND combo, int index) {
    SetFocus(combo);
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    win32::rethrowHeldException();
}


}  // namespace

void pressKey(OptionButton& option, int key) {
    HWND hwnd = usableWindow(option);
    if (!hwnd) return;
    SetFocus(hwnd);
    pressKeyIn(hwnd, key);
}

void select(ComboBox& box, int index) {
    HWND hwnd = usableWindow(box);
    if (index < 0 || index >= box.ListCount()) throw std::out_of_range("no such item in the combo box");
    if (hwnd) chooseFromDropDown(hwnd, index);
}

void pressKey(ComboBox& box, int key) {
    HWND hwnd = usableWindow(box);
    if (!hwnd) return;
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    HWND edit = GetComboBoxInfo(hwnd, &info) && info.hwndItem ? info.hwndItem : hwnd;
    if (GetFocus() != edit) SetFocus(edit);
    pressKeyIn(edit, key);
}

void select(DriveList& list, const std::wstring& drive) {
    HWND hwnd = usableWindow(list);
    if (!hwnd || drive.empty()) return;
    SetFocus(hwnd);
    SendMessageW(hwnd, CB_SHOWDROPDOWN, TRUE, 0);  // reads the drives again
    for (int i = 0; i < list.ListCount(); ++i)
        if (std::towupper(static_cast<std::wint_t>(drive[0])) == static_cast<std::wint_t>(list.drive(i).letter))
            return chooseFromDropDown(hwnd, i);
    SendMessageW(hwnd, CB_SHOWDROPDOWN, FALSE, 0);
    throw std::out_of_range("no such drive in the list");
}

void select(FolderList& list, int row) { clickListRow(list, row, false); }
void doubleClick(FolderList& list, int row) { clickListRow(list, row, true); }

void pressKey(FolderList& list, int key) {
    HWND hwnd = usableWindow(list);
    if (!hwnd) return;
    if (GetFocus() != hwnd) SetFocus(hwnd);
    pressKeyIn(hwnd, key);
}

// The key goes through the window's accelerator table, as the message loop sends it.
void press(Form& form, Shortcut shortcut) {
    HWND hwnd = win32::formWindow(form);
    HACCEL accelerators = hwnd ? win32::acceleratorsOf(hwnd) : nullptr;
    if (!accelerators) throw std::logic_error("the window has no shortcuts: is it loaded?");
    const win32::ShortcutKey key = win32::shortcutKey(shortcut);
    BYTE keys[256];
    GetKeyboardState(keys);
    const BYTE control = keys[VK_CONTROL], shift = keys[VK_SHIFT];
    keys[VK_CONTROL] = (key.modifiers & FCONTROL) ? 0x80 : 0;
    keys[VK_SHIFT] = (key.modifiers & FSHIFT) ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG msg{GetFocus() ? GetFocus() : hwnd, WM_KEYDOWN, key.key, 1, 0, {0, 0}};
    TranslateAcceleratorW(hwnd, accelerators, &msg);
    keys[VK_CONTROL] = control;
    keys[VK_SHIFT] = shift;
    SetKeyboardState(keys);
    win32::rethrowHeldException();
}

void resize(Form& form, float width, float height) {
    HWND hwnd = win32::formWindow(form);
    if (!hwnd) throw std::logic_error("the window is not loaded");
    const int dpi = win32::dpiOf(hwnd);
    SetWindowPos(hwnd, nullptr, 0, 0, twipsToPixels(width, dpi), twipsToPixels(height, dpi),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    win32::rethrowHeldException();
}

}  // namespace user
}  // namespace tk
