// The user's actions under Win32: the window messages that the user's mouse
// and keys would cause, sent to the real controls; what a handler threw
// comes back to the test at once.
#include <cwctype>
#include <stdexcept>

#include "toolkit/choices.h"
#include "toolkit/combo_box.h"
#include "toolkit/controls.h"
#include "toolkit/drive_list.h"
#include "toolkit/folder_list.h"
#include "toolkit/list_box.h"
#include "toolkit/menu.h"
#include "toolkit/testing.h"
#include "toolkit/text_box.h"
#include "toolkit/twips.h"
#include "toolkit/up_down.h"
#include "toolkit/win32/win32_internal.h"

namespace tk {

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
    if (key >= key::VirtualKey) {
        deliverKey(target, WM_KEYDOWN, static_cast<WPARAM>(key - key::VirtualKey));
        deliverKey(target, WM_KEYUP, static_cast<WPARAM>(key - key::VirtualKey));
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
    constexpr BYTE kDown = 0x80;  // the high bit of a key's state: held down
    const BYTE control = keys[VK_CONTROL], shift = keys[VK_SHIFT];
    keys[VK_CONTROL] = (key.modifiers & FCONTROL) ? kDown : 0;
    keys[VK_SHIFT] = (key.modifiers & FSHIFT) ? kDown : 0;
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
