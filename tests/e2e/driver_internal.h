// What the driver's parts share inside: the standard dialogs' control ids and
// the small helpers that ask another program's windows.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "driver.h"
#include "inspector.h"

namespace e2e::detail {

using namespace std::chrono_literals;

inline constexpr milliseconds kPollInterval{20};
inline constexpr milliseconds kAnswerTimeout{5000};
inline constexpr int kMessageBoxTextId = 0xFFFF;
// The standard dialogs' controls: the open-file dialog's file name box (a combo
// box, or an edit box in older layouts) and the font dialog's face and size lists.
inline constexpr int kFileNameCombo = 0x47c;
inline constexpr int kFileNameEdit = 0x480;
inline constexpr int kFontFaceList = 0x470;
inline constexpr int kFontSizeList = 0x472;

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

std::wstring textOf(HWND hwnd);
bool sameClass(HWND hwnd, const std::wstring& className);
std::string quoted(const std::wstring& text);
// Asks another program's window and waits for its answer, never for ever.
LRESULT ask(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0);
HWND descendantWithId(HWND parent, int id);
void postClick(HWND dialog, int id);
std::wstring environment(const wchar_t* name);
// Asks the inspector, hooked into the window's thread for the one question:
// sent, it is answered at once; posted (Inspect::Settled), once the program
// has taken from its queue everything posted to it before.
std::wstring inspect(HWND hwnd, Inspect what);
// Waits, as a user would, for a control that the program is about to show or
// enable: the driver's clicks and keys are posted, so the program may still be
// acting on the last one. Refuses one that stays hidden or disabled.
void waitUntilUsable(const Window& control, const char* action);

}  // namespace e2e::detail
