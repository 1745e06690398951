// The folder list: an owner-drawn list box, each row a folder icon (open on the
// path, closed below it) indented by its depth. A double-click or Enter opens
// the row's folder; a click only moves the highlight.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <shellapi.h>

#include "toolkit/folder_list.h"
#include "toolkit/win32/win32_list_peers.h"

namespace tk::win32 {
namespace {

// How far each level of folders stands in from the one above it.
constexpr int kIndentPixels = 10;

// Asked once and kept for the run.
HICON folderIcon(bool open) {
    static AutoDestroyIcon icons[2];
    AutoDestroyIcon& icon = icons[open ? 1 : 0];
    if (!icon) icon = smallShellIcon(L"folder", SHGFI_USEFILEATTRIBUTES | (open ? SHGFI_OPENICON : 0));
    return icon;
}

class FolderListPeer final : public ChildWindowPeer, public OwnerDrawn {
public:
    FolderListPeer(FolderList& list, HWND parent, int id)
        : ChildWindowPeer(list, create(list, parent, id, L"LISTBOX",
                                       WS_TABSTOP | WS_GROUP | WS_VSCROLL | LBS_NOTIFY |
                                           LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS,
                                       WS_EX_CLIENTEDGE)),
          list_(list) {
        routeOwnerDraw(hwnd(), *this);
        SetWindowSubclass(hwnd(), keyProc, 0, reinterpret_cast<DWORD_PTR>(this));
        update(Property::Font);
        update(Property::Items);
    }
    ~FolderListPeer() override {
        stopOwnerDraw(hwnd());
        RemoveWindowSubclass(hwnd(), keyProc, 0);
    }

    void update(Property what) override {
        updating_ = true;
        switch (what) {
            case Property::Items:
                fillListBox(hwnd(), list_);
                [[fallthrough]];
            case Property::Selection:
                SendMessageW(hwnd(), LB_SETCURSEL, static_cast<WPARAM>(list_.ListIndex()), 0);
                break;
            case Property::Font:
                ChildWindowPeer::update(what);
                SendMessageW(hwnd(), LB_SETITEMHEIGHT, 0, iconRowHeight(hwnd()));
                break;
            default: ChildWindowPeer::update(what); break;
        }
        updating_ = false;
    }

    void notify(WORD code) override {
        if (updating_) return;
        if (code == LBN_SELCHANGE) list_.userHighlighted(current());
        if (code == LBN_DBLCLK) list_.userOpened(current());
    }

    void drawItem(const DRAWITEMSTRUCT& item) override {
        const int row = static_cast<int>(item.itemID);
        if (row < 0 || row >= list_.ListCount()) {
            drawIconRow(item, nullptr, 0, L"");
            return;
        }
        const int step = atDpi(kIndentPixels, dpiOf(hwnd()));
        drawIconRow(item, folderIcon(row < list_.pathRows()), list_.indent(row) * step,
                    list_.List(row).c_str());
    }

private:
    int current() const { return static_cast<int>(SendMessageW(hwnd(), LB_GETCURSEL, 0, 0)); }

    // Enter belongs to the list, not to the window's default button.
    static LRESULT CALLBACK keyProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
        auto* peer = reinterpret_cast<FolderListPeer*>(data);
        switch (msg) {
            case WM_GETDLGCODE: {
                const auto* pending = reinterpret_cast<const MSG*>(lp);
                LRESULT code = DefSubclassProc(hwnd, msg, wp, lp);
                if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN)
                    code |= DLGC_WANTMESSAGE;
                return code;
            }
            case WM_KEYDOWN:
                if (wp != VK_RETURN) break;
                runGuarded([peer] { peer->list_.userOpened(peer->current()); });
                return 0;
            case WM_CHAR:
                if (wp == L'\r') return 0;
                break;
            default: break;
        }
        return DefSubclassProc(hwnd, msg, wp, lp);
    }

    FolderList& list_;
};

}  // namespace

std::unique_ptr<ChildWindowPeer> createFolderListPeer(Control& list, HWND parent, int id) {
    return std::make_unique<FolderListPeer>(static_cast<FolderList&>(list), parent, id);
}

}  // namespace tk::win32
