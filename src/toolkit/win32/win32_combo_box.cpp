// The combo box: a system COMBOBOX with an edit field. The edit field is
// subclassed so that the model's key-press handler sees, and may discard,
// every character before the field does, and so that a listOnly box keeps the
// chosen item in it whatever key, clipboard command or menu item reaches it.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <imm.h>

#include "toolkit/combo_box.h"
#include "toolkit/win32/win32_list_peers.h"

namespace tk::win32 {
namespace {

class ComboBoxPeer final : public ChildWindowPeer {
public:
    ComboBoxPeer(ComboBox& box, HWND parent, int id)
        : ChildWindowPeer(box, create(box, parent, id, L"COMBOBOX",
                                      WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL)),
          box_(box) {
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (GetComboBoxInfo(hwnd(), &info) && info.hwndItem) {
            edit_ = info.hwndItem;
            SetWindowSubclass(edit_, editProc, 0, reinterpret_cast<DWORD_PTR>(this));
        }
        update(Property::Bounds);
        update(Property::Items);
    }

    ~ComboBoxPeer() override {
        if (edit_ && IsWindow(edit_)) RemoveWindowSubclass(edit_, editProc, 0);
    }

    void update(Property what) override {
        updating_ = true;
        switch (what) {
            case Property::Items:
                fillComboBox(hwnd(), box_);
                showSelection();
                break;
            case Property::Selection:
            case Property::Text: showSelection(); break;
            case Property::Bounds: placeDropDown(hwnd(), control()); break;
            default: ChildWindowPeer::update(what); break;
        }
        updating_ = false;
    }

    void notify(WORD code) override {
        if (updating_) return;
        if (code == CBN_SELCHANGE) {
            box_.userSelected(static_cast<int>(SendMessageW(hwnd(), CB_GETCURSEL, 0, 0)));
        } else if (code == CBN_EDITCHANGE) {
            const int length = GetWindowTextLengthW(hwnd());
            std::wstring text(static_cast<size_t>(length) + 1, L'\0');
            text.resize(static_cast<size_t>(GetWindowTextW(hwnd(), text.data(), length + 1)));
            box_.userEdited(text);
            // Whatever got past the edit field and was not taken: the box shows the model again.
            if (box_.Text() != text) update(Property::Selection);
        }
    }

private:
    void showSelection() {
        SendMessageW(hwnd(), CB_SETCURSEL, static_cast<WPARAM>(box_.ListIndex()), 0);
        if (box_.ListIndex() < 0) SetWindowTextW(hwnd(), box_.Text().c_str());
    }

    static LRESULT CALLBACK editProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
        auto* peer = reinterpret_cast<ComboBoxPeer*>(data);
        switch (msg) {
            case WM_IME_COMPOSITION:
                // The default procedure turns a finished composition into characters, one
                // WM_IME_CHAR each, which then come through here like typed keys.
                if (lp & GCS_RESULTSTR) return DefWindowProcW(hwnd, msg, wp, lp);
                break;
            case WM_CHAR:
            case WM_IME_CHAR: {
                int key = static_cast<int>(wp);
                runGuarded([&] { key = peer->box_.userKeyPress(key); });
                if (key == 0 || peer->box_.listOnly) return 0;
                return DefSubclassProc(hwnd, msg, static_cast<WPARAM>(key), lp);
            }
            default: break;
        }
        if (peer->box_.listOnly && changesText(msg, wp)) return 0;
        if (peer->box_.listOnly && msg == WM_CONTEXTMENU) {
            // The field's own menu greys Undo, Cut, Paste and Delete while it is read-only.
            SendMessageW(hwnd, EM_SETREADONLY, TRUE, 0);
            const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
            SendMessageW(hwnd, EM_SETREADONLY, FALSE, 0);
            return result;
        }
        return DefSubclassProc(hwnd, msg, wp, lp);
    }

    // What an edit field does to its text besides typed characters: Delete and
    // Backspace, Shift+Delete (cut), Shift+Insert (paste), and the clipboard and
    // undo commands its menu and Ctrl+X, Ctrl+V, Ctrl+Z send.
    static bool changesText(UINT msg, WPARAM wp) {
        switch (msg) {
            case WM_KEYDOWN:
                return wp == VK_DELETE || wp == VK_BACK || (wp == VK_INSERT && GetKeyState(VK_SHIFT) < 0);
            case WM_CUT:
            case WM_PASTE:
            case WM_CLEAR:
            case WM_UNDO:
            case EM_UNDO:
            case EM_REPLACESEL: return true;
            default: return false;
        }
    }

    ComboBox& box_;
    HWND edit_ = nullptr;
};

}  // namespace

std::unique_ptr<ChildWindowPeer> createComboBoxPeer(Control& box, HWND parent, int id) {
    return std::make_unique<ComboBoxPeer>(static_cast<ComboBox&>(box), parent, id);
}

void placeDropDown(HWND box, const Control& control) {
    const RECT r = pixelRect(control, dpiOf(GetParent(box)));
    MoveWindow(box, r.left, r.top, r.right - r.left, (r.bottom - r.top) * (1 + kDropDownRows), TRUE);
}

}  // namespace tk::win32
