// A window of the program as a real top-level HWND: its class, its procedure,
// its modal loop, and the focus and keyboard handling of a dialog box.
#include <utility>
#include <vector>

#include "toolkit/backend.h"
#include "toolkit/controls.h"
#include "toolkit/events.h"
#include "toolkit/twips.h"
#include "toolkit/win32/modal_wait.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::win32 {
namespace {

constexpr wchar_t kFormClass[] = L"TkForm";

HWND navigationWindow = nullptr;

class Win32FormPeer;
LRESULT CALLBACK formProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

void registerFormClass() {
    static const bool registered = [] {
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = formProc;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(handedOver().iconResource));
        wc.lpszClassName = kFormClass;
        if (!RegisterClassExW(&wc)) throwLastError(texts().windowClassFailure);
        return true;
    }();
    (void)registered;
}

int px(float twips, int dpi) { return twipsToPixels(twips, dpi); }

class Win32FormPeer final : public FormPeer {
public:
    explicit Win32FormPeer(Form& form) : form_(form) {
        registerFormClass();
        const int dpi = dpiOf(nullptr);
        RECT r{0, 0, px(form.ScaleWidth(), dpi), px(form.ScaleHeight(), dpi)};
        menuBar_.build(form);
        AdjustWindowRectEx(&r, formStyle(form), menuBar_.menu != nullptr, formExStyle(form));
        // The procedure attaches this peer at WM_NCCREATE, before any other message.
        if (!CreateWindowExW(formExStyle(form), kFormClass, form.Caption().c_str(), formStyle(form),
                             px(form.Left(), dpi), px(form.Top(), dpi), r.right - r.left, r.bottom - r.top, nullptr,
                             menuBar_.menu, GetModuleHandleW(nullptr), this)) {
            hwnd_ = nullptr;
            if (IsMenu(menuBar_.menu)) DestroyMenu(menuBar_.menu);
            throwLastError(texts().windowFailure);
        }
        try {
            createChildren(form, hwnd_);
        } catch (...) {
            detachControls(form);
            detach();
            throw;
        }
    }

    ~Win32FormPeer() override { detach(); }

    // Called by the procedure at WM_NCCREATE and when the window is destroyed.
    void attach(HWND hwnd) { hwnd_ = hwnd; }
    HWND hwnd() const { return hwnd_; }
    Form& form() const { return form_; }
    HACCEL accelerators() const { return menuBar_.accelerators; }

    void show() override {
        ShowWindow(hwnd_, SW_SHOW);
        if (GetActiveWindow() != hwnd_) {
            SetForegroundWindow(hwnd_);
            SetActiveWindow(hwnd_);
        }
        UpdateWindow(hwnd_);
    }

    // As a dialog ends: the other windows come back before this one goes, so
    // that the system activates the window below it.
    void hide() override {
        enableOthers();
        ShowWindow(hwnd_, SW_HIDE);
    }
    void updateCaption() override { SetWindowTextW(hwnd_, form_.Caption().c_str()); }

    void updateBounds() override {
        const int dpi = dpiOf(hwnd_);
        RECT r{0, 0, px(form_.ScaleWidth(), dpi), px(form_.ScaleHeight(), dpi)};
        AdjustWindowRectEx(&r, formStyle(form_), menuBar_.menu != nullptr, formExStyle(form_));
        updatingBounds_ = true;
        SetWindowPos(hwnd_, nullptr, px(form_.Left(), dpi), px(form_.Top(), dpi), r.right - r.left,
                     r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
        updatingBounds_ = false;
    }

    void updateMenu(MenuItem& item) override { menuBar_.showEnabled(hwnd_, form_, item); }

    void refresh() override {
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        GdiFlush();
    }

    void runModal() override {
        // Closing the window by its close box ends this peer: only locals are safe afterwards.
        Form& form = form_;
        const HWND window = hwnd_;
        // The other windows of the program wait until the modal one is gone.
        for (Form* other : loadedForms()) {
            HWND h = formWindow(*other);
            if (other != &form && IsWindowEnabled(h)) {
                EnableWindow(h, FALSE);
                disabled_.push_back(h);
            }
        }
        MSG msg;
        while (form.loaded() && form.Visible() && !programEnded()) {
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got <= 0) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (!IsDialogMessageW(window, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            reportHeldFailure(msg.hwnd);
        }
        if (form.loaded()) enableOthers();  // else the peer went with the window and did it
    }

    // The window's messages; returns false to let the default procedure run.
    bool handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        switch (msg) {
            case WM_COMMAND: return command(wp, lp);
            case WM_NOTIFY:
            case WM_VSCROLL:
            case WM_HSCROLL: return childMessage(msg, wp, lp, result);
            case WM_SETCURSOR:
                // Over the window and each of its controls, which ask their parent first.
                if (!waitCursorShown()) return false;
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                result = TRUE;
                return true;
            case WM_ACTIVATE:
                if (LOWORD(wp) != WA_INACTIVE) {
                    navigationWindow = hwnd_;
                    restoreFocus();
                    runGuarded([this] { form_.backendActivated(); });
                    return true;
                }
                focus_ = GetFocus();
                return false;
            case WM_SIZE:
                if (wp != SIZE_MINIMIZED && !updatingBounds_) {
                    const int dpi = dpiOf(hwnd_);
                    runGuarded([&] {
                        form_.backendResized(pixelsToTwips(LOWORD(lp), dpi), pixelsToTwips(HIWORD(lp), dpi));
                    });
                }
                return false;
            case WM_MOVE: {
                RECT r;
                GetWindowRect(hwnd_, &r);
                const int dpi = dpiOf(hwnd_);
                form_.backendMoved(pixelsToTwips(r.left, dpi), pixelsToTwips(r.top, dpi));
                return false;
            }
            case WM_CLOSE:
                runGuarded([this] { form_.backendCloseRequested(); });
                result = 0;
                return true;
            case WM_CTLCOLORSTATIC:
                if (HBRUSH brush = labelColors(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp))) {
                    result = reinterpret_cast<LRESULT>(brush);
                    return true;
                }
                return false;
            case DM_GETDEFID: result = focusedPushButton(); return true;
            case WM_DPICHANGED: {
                const RECT* suggested = reinterpret_cast<const RECT*>(lp);
                SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                             suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
                relayout(form_);
                return true;
            }
            default:
                if (msg == findMessage()) {
                    onFindMessage(lp);
                    return true;
                }
                return false;
        }
    }

private:
    // Notifications that name their control by handle rather than by WM_COMMAND.
    static bool childMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        HWND from = msg == WM_NOTIFY ? reinterpret_cast<NMHDR*>(lp)->hwndFrom : reinterpret_cast<HWND>(lp);
        ChildWindowPeer* child = from ? ChildWindowPeer::of(from) : nullptr;
        if (!child) return false;
        bool handled = false;
        runGuarded([&] { handled = child->notifyEx(msg, wp, lp, result); });
        return handled;
    }

    bool command(WPARAM wp, LPARAM lp) {
        if (lp != 0) {  // a control's notification
            if (ChildWindowPeer* child = ChildWindowPeer::of(reinterpret_cast<HWND>(lp)))
                runGuarded([child, code = HIWORD(wp)] { child->notify(code); });
            return true;
        }
        runMenuCommand(form_, LOWORD(wp));  // a menu item or its shortcut
        return true;
    }

    // Enter presses the push button that has the focus, as in a dialog box.
    LRESULT focusedPushButton() const {
        HWND focus = GetFocus();
        if (!focus || !IsChild(hwnd_, focus)) return 0;
        wchar_t cls[16] = {};
        GetClassNameW(focus, cls, 16);
        const LONG type = GetWindowLongW(focus, GWL_STYLE) & BS_TYPEMASK;
        if (lstrcmpiW(cls, L"BUTTON") != 0 || (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON)) return 0;
        return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
    }

    void restoreFocus() {
        if (focus_ && IsWindow(focus_) && IsChild(hwnd_, focus_) && IsWindowEnabled(focus_)) {
            SetFocus(focus_);
            return;
        }
        if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE)) SetFocus(first);
    }

    // Controls are created in window order: the z-order, which the keyboard follows
    // and in which a label comes directly before the control it names.
    void createChildren(Container& container, HWND parent) {
        for (Control* control : windowOrder(container)) {
            auto peer = createChildPeer(*control, parent, nextControlId_++);
            if (!peer) continue;
            if (!peer->hwnd()) throwLastError(texts().controlFailure);
            ChildWindowPeer* child = peer.get();
            control->attachPeer(std::move(peer));
            if (auto* frame = dynamic_cast<Frame*>(control)) createChildren(*frame, child->hwnd());
        }
    }

    // After a change of resolution every control is placed and lettered again.
    void relayout(Container& container) {
        for (Control* control : container.children()) {
            if (auto* peer = control->peer()) {
                peer->update(Property::Bounds);
                peer->update(Property::Font);
            }
            if (auto* inner = dynamic_cast<Container*>(control)) relayout(*inner);
        }
        InvalidateRect(hwnd_, nullptr, TRUE);
    }

    static void detachControls(Container& container) {
        for (Control* control : container.children()) {
            if (auto* inner = dynamic_cast<Container*>(control)) detachControls(*inner);
            control->detachPeer();
        }
    }

    void enableOthers() {
        for (HWND h : std::exchange(disabled_, {}))
            if (IsWindow(h)) EnableWindow(h, TRUE);
    }

    // The window goes; from here on its messages reach no peer.
    void detach() {
        if (!hwnd_) return;
        if (navigationWindow == hwnd_) navigationWindow = nullptr;
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        enableOthers();
        DestroyWindow(std::exchange(hwnd_, nullptr));
    }

    Form& form_;
    HWND hwnd_ = nullptr;
    MenuBar menuBar_;
    HWND focus_ = nullptr;
    int nextControlId_ = 100;
    bool updatingBounds_ = false;
    std::vector<HWND> disabled_;  // the program's other windows, while this one is modal
};

Win32FormPeer* peerOf(HWND hwnd) {
    return reinterpret_cast<Win32FormPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// The one procedure of the program's windows: the peer passed to CreateWindowEx
// is attached as the window's first message arrives, and gets every later one.
LRESULT CALLBACK formProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* peer = static_cast<Win32FormPeer*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(peer));
        peer->attach(hwnd);
    }
    if (Win32FormPeer* peer = peerOf(hwnd)) {
        LRESULT result = 0;
        if (peer->handle(msg, wp, lp, result)) return result;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

const wchar_t* formClassName() { return kFormClass; }

HWND formWindow(const Form& form) {
    auto* peer = dynamic_cast<Win32FormPeer*>(form.peer());
    return peer ? peer->hwnd() : nullptr;
}

Form* formOf(HWND hwnd) {
    wchar_t cls[64] = {};
    if (!hwnd || !GetClassNameW(hwnd, cls, 64) || lstrcmpW(cls, kFormClass) != 0) return nullptr;
    Win32FormPeer* peer = peerOf(hwnd);
    return peer ? &peer->form() : nullptr;
}

DWORD formStyle(const Form& form) {
    DWORD style = WS_CLIPCHILDREN;
    switch (form.borderStyle) {
        case BorderStyle::None: style |= WS_POPUP; break;
        case BorderStyle::FixedDialog: style |= WS_POPUP | WS_DLGFRAME; break;
        case BorderStyle::FixedSingle: style |= WS_OVERLAPPED | WS_BORDER; break;
        case BorderStyle::Sizable: style |= WS_OVERLAPPED | WS_THICKFRAME; break;
    }
    if (form.hasTitleBar()) {
        style |= WS_CAPTION;
        if (form.ControlBox) style |= WS_SYSMENU;
        if (form.MinButton) style |= WS_MINIMIZEBOX;
        if (form.MaxButton) style |= WS_MAXIMIZEBOX;
    }
    return style;
}

DWORD formExStyle(const Form& form) {
    DWORD ex = WS_EX_CONTROLPARENT;
    if (form.borderStyle == BorderStyle::FixedDialog) ex |= WS_EX_DLGMODALFRAME;
    return ex;
}

HWND dialogNavigationWindow() { return navigationWindow; }

HACCEL acceleratorsOf(HWND hwnd) {
    Win32FormPeer* peer = hwnd ? peerOf(hwnd) : nullptr;
    return peer ? peer->accelerators() : nullptr;
}

std::unique_ptr<FormPeer> createFormPeer(Form& form) { return std::make_unique<Win32FormPeer>(form); }

}  // namespace tk::win32
