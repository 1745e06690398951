// Lets a test act as the user and observe what the program showed. The same
// calls work on both backends: headless they act on the controls' state, under
// Win32 they send the real window messages a user's action would cause.
// Only test programs link this (lorvane_toolkit_testing): begin() puts a backend
// in front of the system's that answers message boxes, standard dialogs and
// modal windows as the test scripted, and reports the system the test decided.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "toolkit/app.h"

namespace tk {

class Button;
class CheckBox;
class Control;
class ComboBox;
class DriveList;
class FindDialog;
class FolderList;
class Form;
class ListBox;
class OptionButton;
class TextBox;
class UpDown;
class MenuItem;
enum class Shortcut;

namespace testing {

// Starts a test: the test's backend in front, every window closed, nothing
// ended, no messages, nothing scripted or overridden.
void begin();

struct ShownMessage {
    std::wstring text;
    int style = 0;
    std::wstring caption;
    int answer = 0;
};
// Queues the button the user presses in the next message box (tk::box values).
void answerNextMessageBox(int result);
const std::vector<ShownMessage>& shownMessages();
void clearMessages();

// Replacements for what the system would report, so that a test can decide
// the screen, the platform and whether another instance runs.
struct Overrides {
    std::optional<int> platformCode;
    std::optional<bool> prevInstance;
    std::optional<float> screenWidthTwips, screenHeightTwips;
    std::optional<WindowFound> windowFound;     // what bringing a window to the front finds
    std::vector<std::wstring> activatedTitles;  // windows brought to the front
    int entersSent = 0;
    bool allFormsUnloaded = false;  // the program's last window went (the product would quit)
};
Overrides& overrides();

// How the user answers the next standard dialog (open-file or font).
struct DialogAnswer {
    enum Kind { Choose, Cancel, Fail } kind = Cancel;
    std::wstring path;  // the file chosen
    std::wstring fontName;
    float fontSize = 0;
    bool fontBold = false, fontItalic = false;
};
void answerNextDialog(DialogAnswer answer);
inline DialogAnswer dialogAnswer(DialogAnswer::Kind kind, std::wstring path = {}) {
    DialogAnswer answer;
    answer.kind = kind;
    answer.path = std::move(path);
    return answer;
}
inline void chooseFile(const std::wstring& path) { answerNextDialog(dialogAnswer(DialogAnswer::Choose, path)); }
inline void cancelDialog() { answerNextDialog(dialogAnswer(DialogAnswer::Cancel)); }
inline void failDialog() { answerNextDialog(dialogAnswer(DialogAnswer::Fail)); }

struct DialogRequest {
    std::wstring kind;  // "open", "font" or "find"
    std::wstring title;
    std::wstring fileName;  // the initial file name, or the font name
    std::wstring filter;
    long flags = 0;
};
const std::vector<DialogRequest>& shownDialogs();

// What the user does inside the next modal window; it must close the window.
// Under Win32 it runs inside the window's own message loop.
void onNextModal(std::function<void(Form&)> action);

// The text of the label directly before the control in its window's order,
// which screen readers take as the control's name; empty when there is none.
std::wstring labelBefore(Control& control);

// Makes the folder and every folder above it that is missing: in the headless
// machine's memory, or on the real disk under Win32.
void makeFolder(const std::wstring& path);
// Removes the folder with every folder inside it (folders only: a file inside stops it).
void removeFolder(const std::wstring& path);
// Adds a drive whose medium cannot be read, as a drive without its disk; false
// when the system offers no way to (the drive letter must be free).
bool addUnreadableDrive(wchar_t letter);
void removeDrive(wchar_t letter);

}  // namespace testing

namespace user {
void click(Button& button);
void click(CheckBox& box);     // toggles it
void click(OptionButton& option);  // chooses it
void type(TextBox& box, const std::wstring& text);  // leaves this text in the box
// Clicks the item: selects it in a single-select list, toggles it in a multi-select one.
void select(ListBox& list, int index);
void doubleClick(ListBox& list, int index);
void choose(MenuItem& item);
void closeBox(Form& form);
// Presses the up arrow steps times (the down arrow for negative steps).
void spin(UpDown& upDown, int steps);
// An arrow key (key::Up, Down, Left, Right) pressed while the option button has the focus.
void pressKey(OptionButton& option, int key);

// Chooses the item from the combo box's drop-down list.
void select(ComboBox& box, int index);
// A key pressed in the control: a character key by its character (key::Back
// for Backspace), key::Up, key::Down, key::Return.
void pressKey(ComboBox& box, int key);
void pressKey(FolderList& list, int key);
// Opens the drive list and chooses the drive ("D:").
void select(DriveList& list, const std::wstring& drive);
// One click on the row: highlights it. A double-click opens its folder.
void select(FolderList& list, int row);
void doubleClick(FolderList& list, int row);
// Presses the menu shortcut (Ctrl+O, F3, ...) in the window.
void press(Form& form, Shortcut shortcut);
// In the open find dialog: types the text, sets the options and presses its find button.
void findNext(FindDialog& dialog, const std::wstring& text, bool matchCase, bool down);
// Closes the open find dialog with its cancel button.
void close(FindDialog& dialog);
// Drags the window's frame to this outer size, in twips.
void resize(Form& form, float width, float height);
}  // namespace user

// Flags of the find dialog as a test sees them in shownDialogs().
namespace fr {
constexpr long Down = 0x1;
constexpr long MatchCase = 0x4;
constexpr long HideWholeWord = 0x10000;
}  // namespace fr

namespace key {
constexpr int Back = 0x08;
constexpr int Return = 0x0D;
// Keys that type no character: VirtualKey plus the virtual-key code.
constexpr int VirtualKey = 0x10000;
constexpr int Left = VirtualKey + 0x25;
constexpr int Up = VirtualKey + 0x26;
constexpr int Right = VirtualKey + 0x27;
constexpr int Down = VirtualKey + 0x28;
}  // namespace key

}  // namespace tk
