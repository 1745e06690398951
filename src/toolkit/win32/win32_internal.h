// Shared between the Win32 backend's files; not part of the toolkit's interface.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>

#include "toolkit/common_dialog.h"
#include "toolkit/control.h"
#include "toolkit/find_dialog.h"
#include "toolkit/font.h"
#include "toolkit/form.h"
#include "toolkit/testing.h"

namespace tk {
class MenuItem;
enum class Shortcut;
}  // namespace tk

namespace tk::win32 {

// Dots per inch of the window (or of the primary screen for nullptr).
int dpiOf(HWND hwnd);

HWND formWindow(const Form& form);
HWND controlWindow(const Control& control);

// Window styles that give the form its border, title bar and buttons.
DWORD formStyle(const Form& form);
DWORD formExStyle(const Form& form);

// An exception that escaped a handler inside a window procedure waits here
// until the code that sent the message can rethrow it.
void holdException(std::exception_ptr error);
void rethrowHeldException();

std::unique_ptr<FormPeer> createFormPeer(Form& form);

// A font made once per description and resolution and kept for the run.
HFONT fontFor(const Font& font, int dpi);
// The control's own font, else its window's.
const Font& effectiveFont(const Control& control);
// The control's rectangle in pixels, relative to its container's client area.
RECT pixelRect(const Control& control, int dpi);
// The window that draws the control: its frame's, or its form's.
HWND containerWindow(const Control& control);
// The registered class of frames (and of forms), ready for CreateWindowEx.
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

int showOpenDialog(CommonDialog& dialog, const testing::DialogAnswer* answer);
std::unique_ptr<FindDialogPeer> createFindDialogPeer(FindDialog& dialog);
// The registered message by which a find dialog reports to its owner, and its handling.
UINT findMessage();
void onFindMessage(LPARAM lp);
// Keyboard navigation inside an open modeless dialog; true when the message went to one.
bool modelessDialogMessage(MSG& msg);
int showFontDialog(CommonDialog& dialog, const testing::DialogAnswer* answer);

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

// The window that keyboard navigation (Tab, Enter, access keys) goes to.
HWND dialogNavigationWindow();

}  // namespace tk::win32
