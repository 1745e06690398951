// Shared between the Win32 backend's files; not part of the toolkit's interface.
#pragma once

#include <windows.h>

#include <exception>
#include <memory>
#include <string>

#include "toolkit/control.h"
#include "toolkit/form.h"

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
HACCEL acceleratorsOf(HWND hwnd);

// The window that keyboard navigation (Tab, Enter, access keys) goes to.
HWND dialogNavigationWindow();

}  // namespace tk::win32
