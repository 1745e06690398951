// Shared between the Win32 backend's files; not part of the toolkit's interface.
#pragma once

#include <windows.h>
// after windows.h
#include <commdlg.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "toolkit/app.h"
#include "toolkit/common_dialog.h"
#include "toolkit/control.h"
#include "toolkit/find_dialog.h"
#include "toolkit/font.h"
#include "toolkit/form.h"

namespace tk {
class MenuItem;
enum class Shortcut;
}  // namespace tk

namespace tk::win32 {

// Dots per inch of the window (or of the primary screen for nullptr).
int dpiOf(HWND hwnd);

// The window's text: a title, or what an edit control holds.
std::wstring windowText(HWND hwnd);

HWND formWindow(const Form& form);
HWND controlWindow(const Control& control);
// The program's window that is this HWND; nullptr for any other window.
Form* formOf(HWND hwnd);

// Window styles that give the form its border, title bar and buttons.
DWORD formStyle(const Form& form);
DWORD formExStyle(const Form& form);

// An exception that escaped a handler inside a window procedure waits here
// until the code that sent the message can rethrow it, or the message loop
// that delivered it reports it (reportHeldFailure, after each message: the
// message box, and the window of the message closed).
void holdException(std::exception_ptr error);
void rethrowHeldException();
void reportHeldFailure(HWND where);
// Throws tk::Failure with the text and the system's reason for the last error.
[[noreturn]] void throwLastError(const std::wstring& what);

std::unique_ptr<FormPeer> createFormPeer(Form& form);

// The LOGFONT height (negative: the character height) of a size in points at a resolution.
LONG fontHeight(float points, int dpi);
// A font made once per description and resolution and kept for the run.
HFONT fontFor(const Font& font, int dpi);
// The control's own font, else its window's.
const Font& effectiveFont(const Control& control);
// The control's rectangle in pixels, relative to its container's client area.
RECT pixelRect(const Control& control, int dpi);
// The window that draws the control: its frame's, or its form's.
HWND containerWindow(const Control& control);
// The registered class of frames, ready for CreateWindowEx.
const wchar_t* frameClassName();
// The class of the program's own windows, which other instances look for.
const wchar_t* formClassName();
// Runs a handler from a window procedure; what it throws waits for rethrowHeldException.
void runGuarded(const std::function<void()>& action);

// A control that is a child window. Subclasses create the window for their kind,
// keep it in step with the model, and turn the user's actions into model changes.
class ChildWindowPeer : public ControlPeer {
public:
    ChildWindowPeer(Control& control, HWND hwnd);
    ~ChildWindowPeer() override;
    HWND hwnd() const { return hwnd_; }
    Control& control() const { return control_; }

    void update(Property what) override;
    // A WM_COMMAND notification from the control.
    virtual void notify(WORD code) { (void)code; }
    // A WM_NOTIFY or scroll message from the control; true when handled.
    virtual bool notifyEx(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        (void)msg, (void)wp, (void)lp, (void)result;
        return false;
    }

    static ChildWindowPeer* of(HWND hwnd);

protected:
    // Creates a child window of a system class for the control.
    static HWND create(Control& control, HWND parent, int id, const wchar_t* windowClass, DWORD style,
                       DWORD exStyle = 0);
    bool updating_ = false;  // set while the model's change is being shown, to ignore the echo

private:
    Control& control_;
    HWND hwnd_;
};

// The standard dialogs; a hook, when given, sees the dialog's messages (the
// window tests answer it so).
int showOpenDialog(CommonDialog& dialog, LPOFNHOOKPROC hook = nullptr);
int showFontDialog(CommonDialog& dialog, LPCFHOOKPROC hook = nullptr);
std::unique_ptr<FindDialogPeer> createFindDialogPeer(FindDialog& dialog);
// The open find dialog's window; nullptr when it is not open.
HWND findDialogWindow(FindDialog& dialog);
// The registered message by which a find dialog reports to its owner, and its handling.
UINT findMessage();
void onFindMessage(LPARAM lp);
// Keyboard navigation inside an open modeless dialog; true when the message went to one.
bool modelessDialogMessage(MSG& msg);

// Creates the native side of a control; nullptr for a kind that has no window.
std::unique_ptr<ChildWindowPeer> createChildPeer(Control& control, HWND parent, int id);
// A label or an image (win32_static.cpp).
std::unique_ptr<ChildWindowPeer> createStaticPeer(Control& control, HWND parent, int id);
// WM_CTLCOLORSTATIC of a label: its colours set on dc, and its background brush;
// nullptr for any other control.
HBRUSH labelColors(HDC dc, HWND child);
HACCEL acceleratorsOf(HWND hwnd);
// A menu shortcut's key, its modifier flags (FCONTROL, FSHIFT) and its text in the menu.
struct ShortcutKey {
    WORD key = 0;
    BYTE modifiers = 0;
    const wchar_t* text = L"";
};
ShortcutKey shortcutKey(Shortcut shortcut);

// A window's menu bar and the accelerator table of its items' shortcuts.
struct MenuBar {
    HMENU menu = nullptr;  // nullptr when the window has no menus; the window destroys it
    HACCEL accelerators = nullptr;

    MenuBar() = default;
    MenuBar(const MenuBar&) = delete;
    MenuBar& operator=(const MenuBar&) = delete;
    ~MenuBar();
    // Numbers the items (commandId) and makes the menus of the form's bar.
    void build(Form& form);
    // Shows the item's Enabled on the bar.
    void showEnabled(HWND window, const Form& form, const MenuItem& item) const;
};
// Runs the click of the form's menu item with this command number.
void runMenuCommand(const Form& form, int id);

// Another instance's window (win32_other_instances.cpp), as tk::ActivateWindowByTitle
// and tk::SendEnterAndWait describe.
WindowFound activateWindowByTitle(const std::wstring& title);
void sendEnterAndWait();

// The window that keyboard navigation (Tab, Enter, access keys) goes to.
HWND dialogNavigationWindow();

}  // namespace tk::win32
