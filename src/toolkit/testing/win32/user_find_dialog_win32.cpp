// The user's actions in the system's find dialog: its controls set and its
// buttons pressed, as the user's typing and clicks would.
#include <windows.h>
// after windows.h
#include <commdlg.h>
#include <dlgs.h>

#include <stdexcept>

#include "toolkit/find_dialog.h"
#include "toolkit/testing.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::user {
namespace {

HWND openFindDialog(FindDialog& dialog) {
    HWND hwnd = win32::findDialogWindow(dialog);
    if (!hwnd) throw std::logic_error("the find dialog is not open");
    return hwnd;
}

}  // namespace

void findNext(FindDialog& dialog, const std::wstring& text, bool matchCase, bool down) {
    HWND hwnd = openFindDialog(dialog);
    SetDlgItemTextW(hwnd, edt1, text.c_str());
    CheckDlgButton(hwnd, chx2, matchCase ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(hwnd, rad1, rad2, down ? rad2 : rad1);
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDOK)));
    win32::rethrowHeldException();
}

void close(FindDialog& dialog) {
    if (!dialog.Visible()) return;
    HWND hwnd = openFindDialog(dialog);
    SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDCANCEL)));
    win32::rethrowHeldException();
}

}  // namespace tk::user
