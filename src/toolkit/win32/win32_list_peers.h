// The native side of the combo box, the drive list and the folder list.
#pragma once

#include <windows.h>

#include <memory>

#include "toolkit/win32/scoped.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::win32 {

// For a control of the kind ComboBox, DriveList and FolderList respectively.
std::unique_ptr<ChildWindowPeer> createComboBoxPeer(Control& box, HWND parent, int id);
std::unique_ptr<ChildWindowPeer> createDriveListPeer(Control& list, HWND parent, int id);
std::unique_ptr<ChildWindowPeer> createFolderListPeer(Control& list, HWND parent, int id);

// Replaces the rows of a combo box's list with the model's items (anything
// with ListCount and List).
template <class Items>
void fillComboBox(HWND box, const Items& items) {
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < items.ListCount(); ++i)
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items.List(i).c_str()));
}

// The same for a list box, drawing once at the end.
template <class Items>
void fillListBox(HWND list, const Items& items) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < items.ListCount(); ++i)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items.List(i).c_str()));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

// Places a drop-down box: its window's height includes the list that drops
// down, kDropDownRows rows of the box's height below the box itself.
constexpr int kDropDownRows = 8;
void placeDropDown(HWND box, const Control& control);

// An owner-drawn list: the window that holds it receives WM_DRAWITEM, which
// routeOwnerDraw passes on to drawItem until stopOwnerDraw.
class OwnerDrawn {
public:
    virtual void drawItem(const DRAWITEMSTRUCT& item) = 0;

protected:
    ~OwnerDrawn() = default;
};
void routeOwnerDraw(HWND list, OwnerDrawn& drawer);
void stopOwnerDraw(HWND list);

// Draws one row of an owner-drawn list: highlight, a small icon, the text.
void drawIconRow(const DRAWITEMSTRUCT& item, HICON icon, int indentPixels, const wchar_t* text);
// The shell's small icon for a folder or drive (flags: SHGFI_OPENICON, SHGFI_USEFILEATTRIBUTES);
// none when the shell has no answer.
AutoDestroyIcon smallShellIcon(const wchar_t* path, UINT flags);
// Pixels at the default resolution (96 dots per inch) as many at dpi.
int atDpi(int pixels, int dpi);
// Row height for a small icon and the control's font.
int iconRowHeight(HWND list);

}  // namespace tk::win32
