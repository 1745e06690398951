// The native side of the windowed controls: each kind's child window, kept in
// step with its model, and the user's actions turned back into model changes.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <vector>

#include "toolkit/choices.h"
#include "toolkit/controls.h"
#include "toolkit/list_box.h"
#include "toolkit/progress_bar.h"
#include "toolkit/rich_text.h"
#include "toolkit/text_box.h"
#include "toolkit/up_down.h"
#include "toolkit/win32/win32_internal.h"
#include "toolkit/win32/win32_list_peers.h"
#include "toolkit/win32/win32_rich_text.h"

namespace tk::win32 {

ChildWindowPeer::ChildWindowPeer(Control& control, HWND hwnd) : control_(control), hwnd_(hwnd) {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    update(Property::Font);
    update(Property::Enabled);
}

ChildWindowPeer::~ChildWindowPeer() {
    if (IsWindow(hwnd_)) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

ChildWindowPeer* ChildWindowPeer::of(HWND hwnd) {
    return reinterpret_cast<ChildWindowPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

HWND ChildWindowPeer::create(Control& control, HWND parent, int id, const wchar_t* windowClass, DWORD style,
                             DWORD exStyle) {
    const RECT r = pixelRect(control, dpiOf(parent));
    std::wstring caption;
    if (auto* captioned = dynamic_cast<CaptionedControl*>(&control)) caption = captioned->Caption();
    return CreateWindowExW(exStyle, windowClass, caption.c_str(),
                           WS_CHILD | style | (control.Visible() ? WS_VISIBLE : 0), r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

void ChildWindowPeer::update(Property what) {
    const int dpi = dpiOf(hwnd_);
    switch (what) {
        case Property::Caption:
            if (auto* captioned = dynamic_cast<CaptionedControl*>(&control_))
                SetWindowTextW(hwnd_, captioned->Caption().c_str());
            InvalidateRect(hwnd_, nullptr, TRUE);
            break;
        case Property::Enabled:
            // A disabled frame disables what it holds: each control inside shows
            // whether it can be used, every container above it counted.
            EnableWindow(hwnd_, control_.effectivelyEnabled());
            if (auto* container = dynamic_cast<Container*>(&control_)) {
                for (Control* inner : container->children())
                    if (inner->peer()) inner->peer()->update(Property::Enabled);
                InvalidateRect(hwnd_, nullptr, TRUE);
            }
            break;
        case Property::Visible: ShowWindow(hwnd_, control_.Visible() ? SW_SHOWNA : SW_HIDE); break;
        case Property::Bounds: {
            const RECT r = pixelRect(control_, dpi);
            MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
            break;
        }
        case Property::Font:
            SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(fontFor(effectiveFont(control_), dpi)), TRUE);
            break;
        default: break;
    }
}

namespace {

class ButtonPeer final : public ChildWindowPeer {
public:
    ButtonPeer(Button& button, HWND parent, int id)
        : ChildWindowPeer(button, create(button, parent, id, L"BUTTON", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON)),
          button_(button) {}
    void notify(WORD code) override {
        if (code == BN_CLICKED) button_.raiseClick();
    }

private:
    Button& button_;
};

class CheckBoxPeer final : public ChildWindowPeer {
public:
    CheckBoxPeer(CheckBox& box, HWND parent, int id)
        : ChildWindowPeer(box, create(box, parent, id, L"BUTTON", WS_TABSTOP | WS_GROUP | BS_CHECKBOX)), box_(box) {
        update(Property::Value);
    }
    void update(Property what) override {
        if (what == Property::Value)
            SendMessageW(hwnd(), BM_SETCHECK, box_.Value() == checked::Checked ? BST_CHECKED : BST_UNCHECKED, 0);
        else
            ChildWindowPeer::update(what);
    }
    void notify(WORD code) override {
        if (code == BN_CLICKED) box_.userToggled();  // the model's change checks the box
    }

private:
    CheckBox& box_;
};

// Option buttons of one container form one keyboard group: the first starts it,
// Tab stops only at the chosen one, and the arrow keys move within the group and
// choose, wrapping at either end, as a dialog box does with its radio buttons.
class OptionButtonPeer final : public ChildWindowPeer {
public:
    OptionButtonPeer(OptionButton& option, HWND parent, int id, bool startsGroup)
        : ChildWindowPeer(option,
                          create(option, parent, id, L"BUTTON", BS_RADIOBUTTON | (startsGroup ? WS_GROUP : 0))),
          option_(option) {
        SetWindowSubclass(hwnd(), keys, 0, reinterpret_cast<DWORD_PTR>(this));
        update(Property::Value);
    }
    ~OptionButtonPeer() override { RemoveWindowSubclass(hwnd(), keys, 0); }

    void update(Property what) override {
        if (what != Property::Value) return ChildWindowPeer::update(what);
        SendMessageW(hwnd(), BM_SETCHECK, option_.Value() ? BST_CHECKED : BST_UNCHECKED, 0);
        for (Control* sibling : option_.parent().children())
            if (auto* member = dynamic_cast<OptionButton*>(sibling))
                if (HWND h = controlWindow(*member)) placeTabStop(h, member->isTabStop());
    }
    void notify(WORD code) override {
        if (code == BN_CLICKED) option_.userChose();
    }

private:
    static void placeTabStop(HWND button, bool on) {
        const LONG style = GetWindowLongW(button, GWL_STYLE);
        SetWindowLongW(button, GWL_STYLE, on ? style | WS_TABSTOP : style & ~WS_TABSTOP);
    }

    // The focus moves first: the button may report a click as it takes it.
    void arrow(bool forward) {
        OptionButton& target = option_.arrowTarget(forward);
        if (HWND h = controlWindow(target)) SetFocus(h);
        if (!target.Value()) target.userChose();
    }

    static LRESULT CALLBACK keys(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
        auto* self = reinterpret_cast<OptionButtonPeer*>(data);
        if (msg == WM_GETDLGCODE) return DefSubclassProc(hwnd, msg, wp, lp) | DLGC_WANTARROWS;
        if (msg == WM_KEYDOWN && (wp == VK_UP || wp == VK_DOWN || wp == VK_LEFT || wp == VK_RIGHT)) {
            runGuarded([self, forward = wp == VK_DOWN || wp == VK_RIGHT] { self->arrow(forward); });
            return 0;
        }
        return DefSubclassProc(hwnd, msg, wp, lp);
    }

    OptionButton& option_;
};

class TextBoxPeer final : public ChildWindowPeer {
public:
    TextBoxPeer(TextBox& box, HWND parent, int id)
        : ChildWindowPeer(box, create(box, parent, id, L"EDIT", styleOf(box), WS_EX_CLIENTEDGE)), box_(box) {
        update(Property::Text);
        if (box.MaxLength > 0) SendMessageW(hwnd(), EM_SETLIMITTEXT, static_cast<WPARAM>(box.MaxLength), 0);
    }
    void update(Property what) override {
        if (what != Property::Text) return ChildWindowPeer::update(what);
        updating_ = true;
        SetWindowTextW(hwnd(), box_.Text().c_str());
        updating_ = false;
    }
    void notify(WORD code) override {
        if (code != EN_CHANGE || updating_) return;
        box_.userTyped(windowText(hwnd()));
    }

private:
    static DWORD styleOf(const TextBox& box) {
        DWORD style = WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL;
        if (box.Locked) style |= ES_READONLY;
        if (box.alignment == Alignment::Right) style |= ES_RIGHT;
        if (box.alignment == Alignment::Center) style |= ES_CENTER;
        return style;
    }
    TextBox& box_;
};

class ListBoxPeer final : public ChildWindowPeer {
public:
    ListBoxPeer(ListBox& list, HWND parent, int id)
        : ChildWindowPeer(list, create(list, parent, id, L"LISTBOX", styleOf(list), WS_EX_CLIENTEDGE)), list_(list) {
        update(Property::Items);
    }
    void update(Property what) override {
        updating_ = true;
        if (what == Property::Items) {
            fillListBox(hwnd(), list_);
            showSelection();
        } else if (what == Property::Selection) {
            showSelection();
        } else {
            ChildWindowPeer::update(what);
        }
        updating_ = false;
    }
    void notify(WORD code) override {
        if (updating_) return;
        if (code == LBN_SELCHANGE) {
            std::vector<bool> selected(static_cast<size_t>(list_.ListCount()), false);
            int index = -1;
            if (list_.multiSelect == MultiSelect::None) {
                index = static_cast<int>(SendMessageW(hwnd(), LB_GETCURSEL, 0, 0));
                if (index >= 0) selected[static_cast<size_t>(index)] = true;
            } else {
                index = static_cast<int>(SendMessageW(hwnd(), LB_GETCARETINDEX, 0, 0));
                for (int i = 0; i < list_.ListCount(); ++i)
                    selected[static_cast<size_t>(i)] = SendMessageW(hwnd(), LB_GETSEL, static_cast<WPARAM>(i), 0) > 0;
            }
            list_.userSelected(index, selected);
        } else if (code == LBN_DBLCLK) {
            list_.userDoubleClicked();
        }
    }

private:
    static DWORD styleOf(const ListBox& list) {
        DWORD style = WS_TABSTOP | WS_GROUP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        if (list.multiSelect == MultiSelect::Simple) style |= LBS_MULTIPLESEL;
        if (list.multiSelect == MultiSelect::Extended) style |= LBS_EXTENDEDSEL;
        return style;
    }
    void showSelection() {
        if (list_.multiSelect == MultiSelect::None) {
            SendMessageW(hwnd(), LB_SETCURSEL, static_cast<WPARAM>(list_.ListIndex()), 0);
            return;
        }
        for (int i = 0; i < list_.ListCount(); ++i)
            SendMessageW(hwnd(), LB_SETSEL, list_.Selected(i), static_cast<LPARAM>(i));
        if (list_.ListIndex() >= 0) SendMessageW(hwnd(), LB_SETCARETINDEX, static_cast<WPARAM>(list_.ListIndex()), FALSE);
    }
    ListBox& list_;
};

class FramePeer final : public ChildWindowPeer {
public:
    FramePeer(Frame& frame, HWND parent, int id)
        : ChildWindowPeer(frame, create(frame, parent, id, frameClassName(), 0, WS_EX_CONTROLPARENT)) {}
};

bool startsOptionGroup(const OptionButton& option) {
    for (Control* sibling : windowOrder(option.parent())) {
        if (sibling == &option) return true;
        if (sibling->kind() == ControlKind::OptionButton) return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<ChildWindowPeer> createUpDownPeer(UpDown& upDown, HWND parent, int id);  // win32_up_down.cpp
std::unique_ptr<ChildWindowPeer> createProgressBarPeer(ProgressBar& bar, HWND parent, int id);  // win32_progress_bar.cpp

std::unique_ptr<ChildWindowPeer> createChildPeer(Control& control, HWND parent, int id) {
    switch (control.kind()) {
        case ControlKind::Label:
        case ControlKind::Image: return createStaticPeer(control, parent, id);
        case ControlKind::Button: return std::make_unique<ButtonPeer>(static_cast<Button&>(control), parent, id);
        case ControlKind::Frame: return std::make_unique<FramePeer>(static_cast<Frame&>(control), parent, id);
        case ControlKind::CheckBox: return std::make_unique<CheckBoxPeer>(static_cast<CheckBox&>(control), parent, id);
        case ControlKind::OptionButton: {
            auto& option = static_cast<OptionButton&>(control);
            return std::make_unique<OptionButtonPeer>(option, parent, id, startsOptionGroup(option));
        }
        case ControlKind::TextBox: return std::make_unique<TextBoxPeer>(static_cast<TextBox&>(control), parent, id);
        case ControlKind::ListBox: return std::make_unique<ListBoxPeer>(static_cast<ListBox&>(control), parent, id);
        case ControlKind::ComboBox: return createComboBoxPeer(control, parent, id);
        case ControlKind::DriveList: return createDriveListPeer(control, parent, id);
        case ControlKind::FolderList: return createFolderListPeer(control, parent, id);
        case ControlKind::UpDown: return createUpDownPeer(static_cast<UpDown&>(control), parent, id);
        case ControlKind::RichText: return createRichTextPeer(static_cast<RichText&>(control), parent, id);
        case ControlKind::ProgressBar:
            return createProgressBarPeer(static_cast<ProgressBar&>(control), parent, id);
        default: return nullptr;
    }
}

}  // namespace tk::win32
