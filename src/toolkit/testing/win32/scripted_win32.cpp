// The real message boxes, standard dialogs and modal loops, answered by the
// scripted user: a hook presses the box's button the moment it appears, a
// dialog hook fills in and confirms the dialog, and a modal window's action
// arrives through the window's own message loop as the user's input would.
#include <exception>
#include <stdexcept>

#include "toolkit/events.h"
#include "toolkit/testing/scripted.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::testing::detail {
namespace {

// The file name box of the open dialog: a combo box in the newer layouts, an edit box in older ones.
constexpr int kFileNameCombo = 0x47c;  // cmb13 of dlgs.h
constexpr int kFileNameEdit = 0x480;   // edt1 of dlgs.h
constexpr wchar_t kDialogClass[] = L"#32770";

thread_local int scriptedButton = 0;
thread_local HHOOK answerHook = nullptr;
thread_local const DialogAnswer* scripted = nullptr;

void pressButton(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

LRESULT CALLBACK answerBoxAsItAppears(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE && scriptedButton) {
        HWND box = reinterpret_cast<HWND>(wp);
        wchar_t cls[16] = {};
        GetClassNameW(box, cls, 16);
        if (std::wstring(cls) == kDialogClass) {
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(scriptedButton, BN_CLICKED), 0);
            scriptedButton = 0;
        }
    }
    return CallNextHookEx(answerHook, code, wp, lp);
}

UINT_PTR CALLBACK answerOpen(HWND child, UINT msg, WPARAM, LPARAM lp) {
    if (msg != WM_NOTIFY || !scripted || reinterpret_cast<OFNOTIFYW*>(lp)->hdr.code != CDN_INITDONE) return 0;
    HWND dialog = GetParent(child);
    if (scripted->kind != DialogAnswer::Choose) {
        pressButton(dialog, IDCANCEL);
        return 0;
    }
    SendMessageW(dialog, CDM_SETCONTROLTEXT, kFileNameCombo, reinterpret_cast<LPARAM>(scripted->path.c_str()));
    SendMessageW(dialog, CDM_SETCONTROLTEXT, kFileNameEdit, reinterpret_cast<LPARAM>(scripted->path.c_str()));
    pressButton(dialog, IDOK);
    return 0;
}

UINT_PTR CALLBACK answerFont(HWND dialog, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG && scripted) pressButton(dialog, scripted->kind == DialogAnswer::Choose ? IDOK : IDCANCEL);
    return 0;
}

// A modal window's action, waiting in the message queue for the window's loop.
struct ModalScript {
    Form& form;
    std::function<void(Form&)> action;
    bool ran = false;
    std::exception_ptr error;
};

constexpr UINT kRunScript = WM_APP + 1;

// Runs the action; a window it leaves open is hidden, so that its loop ends
// and the test hears of it.
LRESULT CALLBACK scriptWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != kRunScript) return DefWindowProcW(hwnd, msg, wp, lp);
    auto* script = reinterpret_cast<ModalScript*>(lp);
    script->ran = true;
    try {
        script->action(script->form);
    } catch (...) {
        script->error = std::current_exception();
    }
    if (script->form.loaded() && script->form.Visible()) {
        if (!script->error) script->error = std::make_exception_ptr(std::logic_error("the modal window was left open"));
        script->form.Hide();
    }
    return 0;
}

HWND scriptWindow() {
    static const HWND window = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = scriptWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TkTestScript";
        if (!RegisterClassExW(&wc)) throw std::runtime_error("the test's script window class cannot be registered");
        HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                    nullptr);
        if (!hwnd) throw std::runtime_error("the test's script window cannot be created");
        return hwnd;
    }();
    return window;
}

}  // namespace

int answerMessageBox(Backend& system, const std::wstring& text, int style, const std::wstring& caption,
                     int answer) {
    scriptedButton = answer;
    answerHook = SetWindowsHookExW(WH_CBT, answerBoxAsItAppears, nullptr, GetCurrentThreadId());
    const int result = system.messageBox(text, style, caption);
    UnhookWindowsHookEx(answerHook);
    answerHook = nullptr;
    scriptedButton = 0;
    return result;
}

int answerOpenDialog(Backend&, CommonDialog& dialog, const DialogAnswer& answer) {
    scripted = &answer;
    const int result = win32::showOpenDialog(dialog, answerOpen);
    scripted = nullptr;
    return result;
}

// The dialog opens on the font to be chosen, so that confirming it chooses that font.
int answerFontDialog(Backend&, CommonDialog& dialog, const DialogAnswer& answer) {
    const CommonDialog before = dialog;
    if (answer.kind == DialogAnswer::Choose) {
        dialog.FontName = answer.fontName;
        dialog.FontSize = answer.fontSize;
        dialog.FontBold = answer.fontBold;
        dialog.FontItalic = answer.fontItalic;
    }
    scripted = &answer;
    const int result = win32::showFontDialog(dialog, answerFont);
    scripted = nullptr;
    if (result != 0) {
        dialog.FontName = before.FontName;
        dialog.FontSize = before.FontSize;
        dialog.FontBold = before.FontBold;
        dialog.FontItalic = before.FontItalic;
    }
    return result;
}

void runModal(Backend& system, Form& form, std::function<void(Form&)> action) {
    ModalScript script{form, std::move(action), false, nullptr};
    const HWND poster = scriptWindow();
    PostMessageW(poster, kRunScript, 0, reinterpret_cast<LPARAM>(&script));
    system.runModal(form);
    if (!script.ran) {
        // The loop ended before the action's turn: it must not run later, on a window that is gone.
        MSG stale;
        while (PeekMessageW(&stale, poster, kRunScript, kRunScript, PM_REMOVE)) {}
        if (!script.error && !programEnded())
            script.error = std::make_exception_ptr(std::logic_error("the modal window closed before its user acted"));
    }
    if (script.error) std::rethrow_exception(script.error);
}

}  // namespace tk::testing::detail
