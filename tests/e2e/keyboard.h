// The keyboard as the user's fingers: real key presses (SendInput) that go to
// the window in front and, inside it, to the control that has the focus.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "driver.h"

namespace e2e {

// Brings the program's window to the front, so that the keys go to it.
void bringToFront(const Window& window);
// One key pressed and released; with shift held down when asked.
void pressKey(UINT virtualKey, bool shift = false);
// Brings the window to the front and presses the keys together, the first one
// first, then lets them go: {VK_CONTROL, 'F'}.
void pressChord(const Window& window, const std::vector<UINT>& keys);
// Types the text character by character, as an input method hands it over.
void typeText(const std::wstring& text);

// The control that has the keyboard focus in the window's thread (none: an empty Window).
Window focusedControl(const Window& window);
// Waits until the focus has left `from`, and returns where it went.
Window waitForFocusToMove(const Window& window, const Window& from);

// The text of the static control directly before the control in z-order, which
// screen readers take as its name; empty when the window before it is no static.
std::wstring labelBefore(const Window& control);

// A control as a keyboard user meets it: "button OK", "option 今日", "check ...",
// "edit 説明" (by its label), "list 2" (the second list box of the window).
// The edit field of a combo box counts as the combo box.
std::wstring describeForKeyboard(const Window& window, const Window& control);

}  // namespace e2e
