// Drives the real lorvane.exe from outside, as a user would: it starts the
// program, finds its windows and controls, clicks, chooses menu items and
// answers message boxes. Clicks are posted, never sent, so that a modal window
// opened by a click cannot block the driver.
//
// Every wait polls with a timeout. A wait that runs out throws DriverError,
// whose text says what was waited for and what the program showed instead
// (its windows and the last message box it showed).
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace e2e {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class DriverError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::string utf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

// The program under test: $LORVANE_EXE, a Unix path turned into a Wine one.
std::wstring programPath();
// The folder of the test program, with a backslash at its end: the test-only
// programs built with it sit there.
std::wstring directoryOfThisProgram();

// A Unix path as Wine sees it (Z: is the Unix root); Windows paths pass unchanged.
std::wstring windowsPath(const std::wstring& path);

// Polls `done` until it holds; otherwise throws with `what` and what `seen` reports.
void waitUntil(const std::string& what, milliseconds timeout, const std::function<bool()>& done,
               const std::function<std::string()>& seen = {});

// Lets time pass while the test's own windows go on handling their messages.
void pause(milliseconds time);

// One item of a window's menu bar, and the items below it.
struct MenuItem {
    std::wstring text;  // as set, "&" marks included, without a "\t" shortcut part
    unsigned id = 0;
    bool grayed = false;
    bool checked = false;
    std::vector<MenuItem> items;
};

// A window of the program, top-level or child. Holds only the handle: every
// question is asked of the window at that moment.
class Window {
public:
    Window() = default;
    explicit Window(HWND hwnd) : hwnd_(hwnd) {}

    HWND handle() const { return hwnd_; }
    explicit operator bool() const { return hwnd_ != nullptr; }
    bool operator==(const Window&) const = default;

    bool exists() const;
    bool visible() const;
    bool enabled() const;
    std::wstring title() const;
    // The text that an edit or combo box holds, asked of the control itself.
    std::wstring contents() const;
    std::wstring className() const;
    int controlId() const;
    DWORD processId() const;

    Window parent() const;
    // Where it is on the screen.
    RECT rect() const;

    // Child controls (at any depth, frames included), optionally of one class.
    std::vector<Window> children(const std::wstring& className = {}) const;
    // The child of this class and caption; throws, listing the children, if none.
    Window child(const std::wstring& className, const std::wstring& caption) const;
    // The child control with this id, at any depth; throws if none.
    Window childById(int id) const;

    // A button, check box or option button: refuses when disabled or hidden, as the mouse would.
    void click() const;
    // A check box or option button.
    bool checked() const;
    // The close box.
    void close() const;

    // An edit box: selects what it holds and types `text` over it (an empty text
    // deletes it), then waits until the box shows the text.
    void type(const std::wstring& text) const;
    // One key pressed and released while this control has the keyboard.
    void pressKey(UINT virtualKey) const;
    // A left click at a point of the control's client area (an up-down's arrow, say).
    void clickAt(int x, int y) const;

    // A list box or combo box: its items.
    std::vector<std::wstring> items() const;
    // The row holding exactly `text`; throws, listing the items, if none.
    int row(const std::wstring& text) const;
    // A list box: the selected rows.
    std::vector<int> selectedRows() const;
    // A list box: one click, or a double-click, on a row, as the mouse would.
    void clickRow(int row) const;
    void doubleClickRow(int row) const;
    // A combo box: moves its selection to the item `text` with the arrow keys.
    void chooseWithArrowKeys(const std::wstring& text) const;

    // The menu bar, read inside the program (menus cannot be read from outside under Wine).
    std::vector<MenuItem> menuBar() const;
    // "ﾌｧｲﾙ(&F) { 終了(&X) } ﾍﾙﾌﾟ(&H) { ﾊﾞｰｼﾞｮﾝ情報(&A) [greyed] }"
    std::string menuOutline() const;
    // Chooses an item by its path of texts; refuses a greyed one.
    void chooseMenu(const std::vector<std::wstring>& path) const;

    // One line about the window: class, title, visibility, a message box's text.
    std::string describe() const;

private:
    HWND hwnd_ = nullptr;
};

// A standard message box of the program.
class MessageBoxWindow : public Window {
public:
    using Window::Window;
    std::wstring text() const;
    // Presses the button of the result it gives (IDOK, IDYES, IDNO, IDRETRY, IDCANCEL).
    void press(int result) const;
    // The results its buttons give, in their order.
    std::vector<int> buttons() const;
};

// The standard open-file dialog.
class FileDialog : public Window {
public:
    using Window::Window;
    // What the file name box holds.
    std::wstring fileName() const;
    // Types the name into the file name box and presses Open.
    void open(const std::wstring& path) const;
};

// The standard font dialog.
class FontDialog : public Window {
public:
    using Window::Window;
    // Chooses the face and the size in points from the dialog's lists and presses OK.
    void choose(const std::wstring& face, int points) const;
};

struct WindowQuery {
    std::wstring className = L"TkForm";
    std::optional<std::wstring> title;  // any title when absent
};

// One started process. Ends it, if still running, when destroyed.
class Program {
public:
    explicit Program(const std::wstring& exe = programPath(), const std::wstring& arguments = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD id() const { return processId_; }
    bool running() const;
    DWORD exitCode() const;  // throws while running
    DWORD waitForExit(milliseconds timeout) const;
    void terminate();

    // Its top-level windows, in z-order, the invisible ones only when asked for.
    std::vector<Window> windows(bool visibleOnly = true) const;
    Window findWindow(const WindowQuery& query) const;
    Window waitForWindow(const WindowQuery& query, milliseconds timeout) const;
    // Waits until the window is closed (destroyed or hidden).
    void waitUntilGone(const Window& window, const std::string& what, milliseconds timeout) const;
    // A message box of the program; a hidden one too when asked (one that is
    // made but not yet shown by its modal loop).
    MessageBoxWindow findMessageBox(bool visibleOnly = true) const;
    MessageBoxWindow waitForMessageBox(milliseconds timeout) const;
    FileDialog waitForFileDialog(milliseconds timeout) const;
    FontDialog waitForFontDialog(milliseconds timeout) const;
    // Waits until the program has handled everything sent or posted to the window so far.
    void settle(const Window& window) const;

    // What the program shows now, for failure messages.
    std::string describe() const;

private:
    std::wstring exe_;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    mutable std::wstring lastMessageBox_;
};

std::string describe(const WindowQuery& query);
// The window in front, which gets the keyboard's input, of whichever program.
Window foregroundWindow();

// Rows of the window's client area, as shown on the screen, that hold dark
// pixels (text, in a view with a light background).
int inkedRows(const Window& window);

// When $LORVANE_SCREENSHOTS names a folder (a Unix path), saves what the screen
// shows of the window as <name>.png there, and returns its path; otherwise does
// nothing and returns nothing. Taken by ImageMagick's import, a Unix program,
// from the X display that Wine draws on.
std::optional<std::string> screenshot(const Window& window, const std::string& name);
// $LORVANE_SCREENSHOTS, empty when unset.
std::string screenshotFolder();

}  // namespace e2e
