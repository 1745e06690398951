// What the toolkit itself says to the user, in the program's language: the program
// hands these over once at start (tk::initialize). A text with %1 (and %2) has the
// named values put in its place by filled().
#pragma once

#include <string>

namespace tk {

struct Texts {
    std::wstring unexpectedFailure;    // heading of the report of a failure in a handler
    std::wstring dialogFailure;        // %1: the standard dialog's name
    std::wstring findDialogFailure;    // the find dialog could not be opened
    std::wstring windowClassFailure;   // a window class the system refused
    std::wstring windowFailure;        // a window the system refused to create
    std::wstring controlFailure;       // a control the system refused to create
    std::wstring menuFailure;          // a menu the system refused to create
    std::wstring systemError;          // %1: an error code the system has no text for
    std::wstring selectionTooLarge;    // copying a selection the clipboard cannot take
    std::wstring searching;            // %1: the window's caption, %2: percent done
    std::wstring richEditUnavailable;  // the rich edit control cannot be made
    std::wstring richEditCannotLoad;   // %1: the control's error number
    std::wstring rtfTooLarge;          // %1: the largest RTF document shown, in MB
    std::wstring indexing;             // %1: the window's caption, %2: percent of the file read
    std::wstring fileLost;             // %1: the file's path, %2: the system's reason
};

// The texts handed over at start; empty ones before.
const Texts& texts();

// The text with %1 replaced by first and %2 by second, each once, in one pass.
std::wstring filled(const std::wstring& text, const std::wstring& first, const std::wstring& second = {});

}  // namespace tk
