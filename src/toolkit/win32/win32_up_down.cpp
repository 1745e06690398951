// The up-down control as a real UPDOWN_CLASS window bound to its buddy's edit box.
// The model decides every step: the control's own change is refused and the
// model's value is shown instead, so both backends step, stop and fill the buddy alike.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "toolkit/text_box.h"
#include "toolkit/up_down.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::win32 {
namespace {

class UpDownPeer final : public ChildWindowPeer {
public:
    UpDownPeer(UpDown& upDown, HWND parent, int id)
        : ChildWindowPeer(upDown, createWindow(upDown, parent, id)), upDown_(upDown) {
        // One step a press, also while an arrow is held down.
        UDACCEL step{0, 1};
        SendMessageW(hwnd(), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&step));
        // One beyond each end, so that the control reports a press at either end
        // too: the model then decides (it stops there, or starts from the buddy's number).
        SendMessageW(hwnd(), UDM_SETRANGE32, static_cast<WPARAM>(upDown.Min - 1),
                     static_cast<LPARAM>(upDown.Max + 1));
        if (upDown.BuddyControl)
            if (HWND buddy = controlWindow(*upDown.BuddyControl))
                SendMessageW(hwnd(), UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy), 0);
        update(Property::Value);
    }

    void update(Property what) override {
        if (what == Property::Value)
            SendMessageW(hwnd(), UDM_SETPOS32, 0, static_cast<LPARAM>(upDown_.Value()));
        else
            ChildWindowPeer::update(what);
    }

    bool notifyEx(UINT msg, WPARAM, LPARAM lp, LRESULT& result) override {
        if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == UDN_DELTAPOS) {
            const auto* change = reinterpret_cast<NMUPDOWN*>(lp);
            upDown_.userSpin(change->iDelta);
            result = TRUE;  // the control keeps the model's position, set by the step
            return true;
        }
        // The scroll message that follows every press: the step is done already.
        return msg == WM_VSCROLL;
    }

private:
    static HWND createWindow(UpDown& upDown, HWND parent, int id) {
        static const bool registered = [] {
            INITCOMMONCONTROLSEX classes{sizeof classes, ICC_UPDOWN_CLASS};
            return InitCommonControlsEx(&classes) != FALSE;
        }();
        (void)registered;
        // No UDS_SETBUDDYINT: the model writes the buddy's text.
        return create(upDown, parent, id, UPDOWN_CLASSW, UDS_ARROWKEYS | UDS_NOTHOUSANDS);
    }

    UpDown& upDown_;
};

}  // namespace

std::unique_ptr<ChildWindowPeer> createUpDownPeer(UpDown& upDown, HWND parent, int id) {
    return std::make_unique<UpDownPeer>(upDown, parent, id);
}

}  // namespace tk::win32
