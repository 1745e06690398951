// What the settings, the module routines and the apply action need of the system
// and of the user: directories, the clock and message boxes. The program
// implements it with the toolkit's message box (app/program.h); tests install their own.
#pragma once

#include <string>

#include "core/datetime.h"

namespace lorvane {

// Message box styles and results, by the values the program uses.
namespace mb {
constexpr int OkOnly = 0;
constexpr int Critical = 16;           // stop icon, OK
constexpr int QuestionYesNo = 36;      // question icon, Yes and No
constexpr int Exclamation = 48;        // exclamation icon, OK
constexpr int ExclamationRetryCancel = 53;
constexpr int Ok = 1, Cancel = 2, Retry = 4, Yes = 6, No = 7;
}  // namespace mb

class Host {
public:
    virtual ~Host() = default;

    // Directories without a trailing separator; empty when the system gives nothing.
    virtual std::wstring windowsDirectory() = 0;
    virtual std::wstring systemDirectory() = 0;

    virtual DateTime now() = 0;

    // A modal message box captioned with the application title; returns the button pressed.
    virtual int messageBox(const std::wstring& text, int style) = 0;
};

Host& host();
// Installs the host; returns the one it replaces.
Host* setHost(Host* host);

// A message box under the application's title.
inline int MsgBox(const std::wstring& text, int style = mb::OkOnly) { return host().messageBox(text, style); }

}  // namespace lorvane
