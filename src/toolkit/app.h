// Program-wide services: the application's identity, other instances and
// windows of the system, and the end of the program.
#pragma once

#include <functional>
#include <string>

#include "toolkit/texts.h"

namespace tk {

struct VersionInfo {
    std::wstring companyName;
    std::wstring productName;
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// What the program tells the toolkit about itself, once, at start.
struct ProgramInfo {
    std::wstring title;   // captions of message boxes
    VersionInfo version;  // reported where the program carries none of its own (the headless backend)
    std::wstring instanceName;  // unique to the program: how its instances find each other
    int iconResource = 0;       // the windows' icon in the program's resources
    Texts texts;
};
void initialize(ProgramInfo program);

// The application title: captions of message boxes and of the main window.
const std::wstring& AppTitle();

// Read from the program's own version information.
VersionInfo AppVersion();

// Message box styles and results: the system's values.
namespace box {
constexpr int OkOnly = 0, OkCancel = 1, YesNoCancel = 3, YesNo = 4, RetryCancel = 5;
constexpr int Stop = 16, Question = 32, Exclamation = 48;
constexpr int Ok = 1, Cancel = 2, Retry = 4, Yes = 6, No = 7;
}  // namespace box

// A modal message box captioned with the application title; returns the button pressed.
int messageBox(const std::wstring& text, int style = box::OkOnly);

// Lets the windows take the messages waiting for them (paints, clicks, keys) while
// a handler runs a long task in steps; the handler must expect its own window's
// handlers to run meanwhile. Headless: nothing waits.
void DoEvents();

// The size of the primary screen, in twips.
float ScreenWidth();
float ScreenHeight();

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
