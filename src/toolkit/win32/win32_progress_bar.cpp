// The progress bar as a real msctls_progress32 window.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "toolkit/progress_bar.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::win32 {
namespace {

class ProgressBarPeer final : public ChildWindowPeer {
public:
    ProgressBarPeer(ProgressBar& bar, HWND parent, int id)
        : ChildWindowPeer(bar, createWindow(bar, parent, id)), bar_(bar) {
        SendMessageW(hwnd(), PBM_SETRANGE32, 0, ProgressBar::kSteps);
        update(Property::Value);
    }

    void update(Property what) override {
        if (what == Property::Value)
            SendMessageW(hwnd(), PBM_SETPOS, static_cast<WPARAM>(bar_.Value()), 0);
        else
            ChildWindowPeer::update(what);
    }

private:
    static HWND createWindow(ProgressBar& bar, HWND parent, int id) {
        static const bool registered = [] {
            INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
            return InitCommonControlsEx(&classes) != FALSE;
        }();
        (void)registered;
        return create(bar, parent, id, PROGRESS_CLASSW, 0);
    }

    ProgressBar& bar_;
};

}  // namespace

std::unique_ptr<ChildWindowPeer> createProgressBarPeer(ProgressBar& bar, HWND parent, int id) {
    return std::make_unique<ProgressBarPeer>(bar, parent, id);
}

}  // namespace tk::win32
