// Windows and controls as real HWNDs: every control is a child window of its
// window or of the frame that holds it.
#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

#include "resource_ids.h"
#include "toolkit/controls.h"
#include "toolkit/events.h"
#include "toolkit/menu.h"
#include "toolkit/testing.h"
#include "toolkit/twips.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::win32 {
namespace {

constexpr wchar_t kFormClass[] = L"LorvaneForm";
constexpr wchar_t kFrameClass[] = L"LorvaneFrame";
constexpr int kFirstMenuId = 1000;

std::exception_ptr heldException;
HWND navigationWindow = nullptr;

LRESULT CALLBACK formProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

void registerClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = formProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_LOGO));
    wc.lpszClassName = kFormClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = frameProc;
    wc.hIcon = nullptr;
    wc.lpszClassName = kFrameClass;
    RegisterClassExW(&wc);
}

int px(float twips, int dpi) { return twipsToPixels(twips, dpi); }

class Win32FormPeer;

Win32FormPeer* peerOf(HWND hwnd) {
    return reinterpret_cast<Win32FormPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

class Win32FormPeer final : public FormPeer {
public:
    explicit Win32FormPeer(Form& form) : form_(form) {
        registerClasses();
        const int dpi = dpiOf(nullptr);
        RECT r{0, 0, px(form.ScaleWidth(), dpi), px(form.ScaleHeight(), dpi)};
        buildMenu();
        AdjustWindowRectEx(&r, formStyle(form), menu_ != nullptr, formExStyle(form));
        hwnd_ = CreateWindowExW(formExStyle(form), kFormClass, form.Caption().c_str(), formStyle(form),
                                px(form.Left(), dpi), px(form.Top(), dpi), r.right - r.left, r.bottom - r.top,
                                nullptr, menu_, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        createChildren(form, hwnd_);
    }

    ~Win32FormPeer() override {
        if (navigationWindow == hwnd_) navigationWindow = nullptr;
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        enableOthers();
        DestroyWindow(hwnd_);
        if (accelerators_) DestroyAcceleratorTable(accelerators_);
    }

    HWND hwnd() const { return hwnd_; }
    Form& form() const { return form_; }
    HACCEL accelerators() const { return accelerators_; }

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
        AdjustWindowRectEx(&r, formStyle(form_), menu_ != nullptr, formExStyle(form_));
        updatingBounds_ = true;
        SetWindowPos(hwnd_, nullptr, px(form_.Left(), dpi), px(form_.Top(), dpi), r.right - r.left,
                     r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
        updatingBounds_ = false;
    }

    void updateMenu(MenuItem& item) override {
        if (!menu_) return;
        if (item.menu()) {
            EnableMenuItem(menu_, static_cast<UINT>(item.commandId),
                           MF_BYCOMMAND | (item.Enabled() ? MF_ENABLED : MF_GRAYED));
        } else {
            const auto& menus = form_.menus();
            int position = 0;
            for (MenuItem* m : menus) {
                if (m == &item) break;
                if (!m->menu()) ++position;
            }
            EnableMenuItem(menu_, static_cast<UINT>(position),
                           MF_BYPOSITION | (item.Enabled() ? MF_ENABLED : MF_GRAYED));
            DrawMenuBar(hwnd_);
        }
    }

    void refresh() override {
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        GdiFlush();
    }

    void runModal() override {
        // Closing the window by its close box ends this peer: only locals are safe afterwards.
        Form& form = form_;
        const HWND window = hwnd_;
        if (testing::active()) {
            if (!testing::runModalAction(form))
                throw std::logic_error("a modal window opened with no user action queued for it");
            if (form.loaded() && form.Visible()) throw std::logic_error("the modal window was left open");
            return;
        }
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

    // Notifications that name their control by handle rather than by WM_COMMAND.
    static bool childMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        HWND from = msg == WM_NOTIFY ? reinterpret_cast<NMHDR*>(lp)->hwndFrom : reinterpret_cast<HWND>(lp);
        ChildWindowPeer* child = from ? ChildWindowPeer::of(from) : nullptr;
        if (!child) return false;
        bool handled = false;
        runGuarded([&] { handled = child->notifyEx(msg, wp, lp, result); });
        return handled;
    }

private:
    bool command(WPARAM wp, LPARAM lp) {
        if (lp != 0) {  // a control's notification
            if (ChildWindowPeer* child = ChildWindowPeer::of(reinterpret_cast<HWND>(lp)))
                runGuarded([child, code = HIWORD(wp)] { child->notify(code); });
            return true;
        }
        const int id = LOWORD(wp);  // a menu item or its shortcut
        for (MenuItem* item : form_.menus())
            if (item->commandId == id) runGuarded([item] { item->raiseClick(); });
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

    void buildMenu() {
        std::vector<ACCEL> accels;
        int nextId = kFirstMenuId;
        for (MenuItem* top : form_.menus()) {
            if (top->menu()) continue;
            if (!menu_) menu_ = CreateMenu();
            HMENU popup = CreatePopupMenu();
            for (MenuItem* item : top->items()) {
                item->commandId = nextId++;
                std::wstring text = item->Caption();
                if (const ShortcutKey key = shortcutKey(item->shortcut()); key.key) {
                    text += L"\t";
                    text += key.text;
                    accels.push_back({static_cast<BYTE>(FVIRTKEY | key.modifiers), key.key,
                                      static_cast<WORD>(item->commandId)});
                }
                if (!item->Visible()) continue;
                AppendMenuW(popup, MF_STRING | (item->Enabled() ? MF_ENABLED : MF_GRAYED),
                            static_cast<UINT_PTR>(item->commandId), text.c_str());
            }
            AppendMenuW(menu_, MF_POPUP | (top->Enabled() ? MF_ENABLED : MF_GRAYED),
                        reinterpret_cast<UINT_PTR>(popup), top->Caption().c_str());
        }
        if (!accels.empty()) accelerators_ = CreateAcceleratorTableW(accels.data(), static_cast<int>(accels.size()));
    }

    // Controls are created in window order: the z-order, which the keyboard follows
    // and in which a label comes directly before the control it names.
    void createChildren(Container& container, HWND parent) {
        for (Control* control : windowOrder(container)) {
            auto peer = createChildPeer(*control, parent, nextControlId_++);
            if (!peer) continue;
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

    void enableOthers() {
        for (HWND h : std::exchange(disabled_, {}))
            if (IsWindow(h)) EnableWindow(h, TRUE);
    }

    Form& form_;
    HWND hwnd_ = nullptr;
    HMENU menu_ = nullptr;
    HACCEL accelerators_ = nullptr;
    HWND focus_ = nullptr;
    int nextControlId_ = 100;
    bool updatingBounds_ = false;
    std::vector<HWND> disabled_;  // the program's other windows, while this one is modal
};

// A frame's etched box, with its caption over the upper edge.
void paintFrame(HWND hwnd, Frame& frame) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    const int dpi = dpiOf(hwnd);
    RECT box;
    GetClientRect(hwnd, &box);
    HGDIOBJ old = SelectObject(dc, fontFor(effectiveFont(frame), dpi));
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    if (!frame.Caption().empty()) box.top += tm.tmHeight / 2;
    DrawEdge(dc, &box, EDGE_ETCHED, BF_RECT);
    if (!frame.Caption().empty()) {
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetTextColor(dc, GetSysColor(frame.effectivelyEnabled() ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
        RECT text{px(120, dpi), 0, box.right, tm.tmHeight};
        DrawTextW(dc, (L" " + frame.Caption() + L" ").c_str(), -1, &text, DT_SINGLELINE | DT_NOCLIP);
    }
    SelectObject(dc, old);
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK formProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (Win32FormPeer* peer = peerOf(hwnd)) {
        LRESULT result = 0;
        if (peer->handle(msg, wp, lp, result)) return result;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// A frame passes its children's notifications on to its window and draws its box.
LRESULT CALLBACK frameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_VSCROLL:
        case WM_HSCROLL: return SendMessageW(GetAncestor(hwnd, GA_ROOT), msg, wp, lp);
        case WM_CTLCOLORSTATIC:
            if (HBRUSH brush = labelColors(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)))
                return reinterpret_cast<LRESULT>(brush);
            break;
        case WM_PAINT: {
            ChildWindowPeer* peer = ChildWindowPeer::of(hwnd);
            if (auto* frame = peer ? dynamic_cast<Frame*>(&peer->control()) : nullptr) {
                paintFrame(hwnd, *frame);
                return 0;
            }
            break;
        }
        default: break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

// Fonts are made once per description and resolution and kept for the run.
HFONT fontFor(const Font& font, int dpi) {
    static std::map<std::pair<std::wstring, int>, HFONT> cache;
    const std::wstring key = font.Name + L"|" + std::to_wstring(font.Size) + (font.Bold ? L"b" : L"") +
                             (font.Italic ? L"i" : L"") + (font.Underline ? L"u" : L"") +
                             std::to_wstring(font.Charset);
    HFONT& handle = cache[{key, dpi}];
    if (!handle) {
        const int height = -static_cast<int>(font.Size * dpi / 72.0f + 0.5f);
        handle = CreateFontW(height, 0, 0, 0, font.Bold ? FW_BOLD : FW_NORMAL, font.Italic, font.Underline, FALSE,
                             static_cast<BYTE>(font.Charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, font.Name.c_str());
    }
    return handle;
}

const Font& effectiveFont(const Control& control) {
    return control.hasOwnFont() ? control.Font() : control.form().font;
}

// The control's rectangle in pixels, relative to its container's client area.
RECT pixelRect(const Control& control, int dpi) {
    const int left = twipsToPixels(control.Left(), dpi), top = twipsToPixels(control.Top(), dpi);
    return RECT{left, top, left + twipsToPixels(control.Width(), dpi), top + twipsToPixels(control.Height(), dpi)};
}

HWND containerWindow(const Control& control) {
    if (auto* frame = dynamic_cast<const Frame*>(&control.parent())) return controlWindow(*frame);
    return formWindow(control.form());
}

void runGuarded(const std::function<void()>& action) {
    try {
        action();
    } catch (...) {
        holdException(std::current_exception());
    }
}

const wchar_t* frameClassName() {
    registerClasses();
    return kFrameClass;
}

const wchar_t* formClassName() { return kFormClass; }

int dpiOf(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (hwnd && getDpiForWindow) {
        if (const UINT dpi = getDpiForWindow(hwnd)) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

HWND formWindow(const Form& form) {
    auto* peer = dynamic_cast<Win32FormPeer*>(form.peer());
    return peer ? peer->hwnd() : nullptr;
}

HWND controlWindow(const Control& control) {
    auto* peer = dynamic_cast<ChildWindowPeer*>(control.peer());
    return peer ? peer->hwnd() : nullptr;
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

void holdException(std::exception_ptr error) {
    if (!heldException) heldException = error;
}

void rethrowHeldException() {
    if (std::exception_ptr error = std::exchange(heldException, nullptr)) std::rethrow_exception(error);
}

HWND dialogNavigationWindow() { return navigationWindow; }

ShortcutKey shortcutKey(Shortcut shortcut) {
    switch (shortcut) {
        case Shortcut::CtrlO: return {'O', FCONTROL, L"Ctrl+O"};
        case Shortcut::CtrlF: return {'F', FCONTROL, L"Ctrl+F"};
        case Shortcut::F3: return {VK_F3, 0, L"F3"};
        case Shortcut::ShiftF3: return {VK_F3, FSHIFT, L"Shift+F3"};
        case Shortcut::F5: return {VK_F5, 0, L"F5"};
        case Shortcut::None: break;
    }
    return {};
}

HACCEL acceleratorsOf(HWND hwnd) {
    Win32FormPeer* peer = hwnd ? peerOf(hwnd) : nullptr;
    return peer ? peer->accelerators() : nullptr;
}

std::unique_ptr<FormPeer> createFormPeer(Form& form) { return std::make_unique<Win32FormPeer>(form); }

}  // namespace tk::win32
