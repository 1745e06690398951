// Owner-drawn lists with icons: the drive list and the folder list.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "toolkit/win32/win32_list_peers.h"

namespace tk::win32 {
namespace {

// Sizes at the system's default resolution, grown with the window's.
constexpr int kSmallIconPixels = 16;
constexpr int kGapPixels = 2;

// Installed on the list's container, one per list, keyed by the list's handle.
LRESULT CALLBACK containerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data) {
    if (msg == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (reinterpret_cast<UINT_PTR>(item->hwndItem) == id) {
            reinterpret_cast<OwnerDrawn*>(data)->drawItem(*item);
            return TRUE;
        }
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

void routeOwnerDraw(HWND list, OwnerDrawn& drawer) {
    SetWindowSubclass(GetParent(list), containerProc, reinterpret_cast<UINT_PTR>(list),
                      reinterpret_cast<DWORD_PTR>(&drawer));
}

void stopOwnerDraw(HWND list) {
    HWND container = GetParent(list);
    if (container && IsWindow(container))
        RemoveWindowSubclass(container, containerProc, reinterpret_cast<UINT_PTR>(list));
}

int atDpi(int pixels, int dpi) { return MulDiv(pixels, dpi, USER_DEFAULT_SCREEN_DPI); }

int iconRowHeight(HWND list) {
    const int dpi = dpiOf(list);
    TEXTMETRICW tm{};
    {
        const ScopedGetDC dc(list);
        const ScopedSelectObject font(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
        GetTextMetricsW(dc, &tm);
    }
    return std::max<int>(atDpi(kSmallIconPixels, dpi), tm.tmHeight) + atDpi(kGapPixels, dpi);
}

AutoDestroyIcon smallShellIcon(const wchar_t* path, UINT flags) {
    SHFILEINFOW info{};
    const UINT asked = SHGFI_ICON | SHGFI_SMALLICON | flags;
    if (!SHGetFileInfoW(path, FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, asked)) return {};
    return AutoDestroyIcon(info.hIcon);
}

void drawIconRow(const DRAWITEMSTRUCT& item, HICON icon, int indentPixels, const wchar_t* text) {
    HDC dc = item.hDC;
    const int dpi = dpiOf(item.hwndItem);
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    RECT r = item.rcItem;
    FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item.itemID == static_cast<UINT>(-1)) return;  // an empty list: only the focus
    const int iconSize = atDpi(kSmallIconPixels, dpi);
    const int gap = atDpi(kGapPixels, dpi);
    int x = r.left + gap + indentPixels;
    if (icon) {
        DrawIconEx(dc, x, r.top + (r.bottom - r.top - iconSize) / 2, icon, iconSize, iconSize, 0, nullptr,
                   DI_NORMAL);
        x += iconSize + gap * 2;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled   ? COLOR_GRAYTEXT
                                 : selected ? COLOR_HIGHLIGHTTEXT
                                            : COLOR_WINDOWTEXT));
    RECT textRect{x, r.top, r.right - gap, r.bottom};
    DrawTextW(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) DrawFocusRect(dc, &r);
}

}  // namespace tk::win32
