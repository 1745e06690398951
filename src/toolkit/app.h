// Program-wide services: the application's identity, other instances and
// windows of the system, and the end of the program.
#pragma once

#include <functional>
#include <string>

namespace tk {

// Installs the toolkit's services for core and apply; call once at start-up.
void initialize();

// The application title: captions of message boxes and of the main window.
const std::wstring& AppTitle();

struct VersionInfo {
    std::wstring companyName;
    std::wstring productName;
    int major = 0;
    int minor = 0;
    int revision = 0;
};
// Read from the program's own version information.
VersionInfo AppVersion();

// 2 for the Windows NT family (1 for the older consumer Windows family).
int PlatformCode();

// Whether another instance of this program is already running.
bool PrevInstance();

// What bringing another instance's window to the front found.
enum class WindowFound {
    None,        // no window with that title
    TakesInput,  // the window of exactly that title, enabled, no modal window open, now in front
    FrontOnly,   // any other: a window found by the title's start (a dialog), a modal
                 // window open, or one that did not come to the front in time
};

// Looks for a window of the program in another process with exactly this title,
// else the first one whose title begins with it, and brings it to the front;
// when a modal window of that instance is open, its front-most window instead.
WindowFound ActivateWindowByTitle(const std::wstring& title);

// Sends one Enter key press to the active window and waits until it has been processed.
void SendEnterAndWait();

// Ends the program at once: no further event handler runs, no window is shown.
void EndProgram();

// Shows the first window (start), then runs the program's message loop until its
// last window has been unloaded. A failure in start is reported as one in a handler.
int RunMessageLoop(const std::function<void()>& start);

}  // namespace tk
