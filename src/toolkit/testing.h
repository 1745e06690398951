// Lets a test act as the user and observe what the program showed. The same
// calls work on both backends: headless they act on the controls' state, under
// Win32 they send the real window messages a user's action would cause.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/datetime.h"

namespace tk {

class Button;
class Form;
class MenuItem;

namespace testing {

bool active();
// Starts a test: test mode on, every window closed, nothing ended, no messages.
void begin();

struct ShownMessage {
    std::wstring text;
    int style = 0;
    std::wstring caption;
    int answer = 0;
};
// Queues the button the user presses in the next message box (tk::mb values).
void answerNextMessageBox(int result);
const std::vector<ShownMessage>& shownMessages();
void clearMessages();
// For the backends: records a message box and returns the queued answer, or 0 when none was queued.
int recordMessageBox(const std::wstring& text, int style, const std::wstring& caption);
int defaultAnswer(int style);

// Replacements for what the system would report, so that a test can decide
// the clock, the directories, the platform and whether another instance runs.
struct Overrides {
    std::function<lorvane::DateTime()> clock;
    std::optional<std::wstring> windowsDirectory;
    std::optional<std::wstring> systemDirectory;
    std::optional<int> platformCode;
    std::optional<bool> prevInstance;
    std::optional<float> screenWidthTwips, screenHeightTwips;
    std::optional<bool> windowFound;  // what bringing a window to the front finds
    std::vector<std::wstring> activatedTitles;  // windows brought to the front
    int entersSent = 0;
    bool allFormsUnloaded = false;
};
Overrides& overrides();

// What the user does inside the next modal window; it must close the window.
void onNextModal(std::function<void(Form&)> action);
// For the backends: runs the queued action for a modal window. False when none was queued.
bool runModalAction(Form& form);

}  // namespace testing

namespace user {
void click(Button& button);
void choose(MenuItem& item);
void closeBox(Form& form);
}  // namespace user

}  // namespace tk
