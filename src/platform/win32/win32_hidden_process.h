// A program started with its window hidden and its standard output and error
// going into a pipe: what the apply action's runHidden and a backup's run share.
// Each waits its own way: the apply action with the windows disabled, the backup
// run, which has no windows, by reading the pipe to its end.
#pragma once

#include <windows.h>

#include <string>

#include "apply/system_access.h"
#include "toolkit/win32/scoped.h"

namespace lorvane::win32 {

struct HiddenProcess {
    SystemResult start;                  // whether it could be started at all
    tk::win32::AutoCloseHandle process;  // the started program; closing it does not end it
    tk::win32::AutoCloseHandle
        output;  // the pipe's reading end; it ends when the program and its children do
};

// Starts the program by its full path (never looked up), with the arguments, its
// standard input NUL, in the working directory (the caller's when empty).
HiddenProcess startHidden(const std::wstring& program, const std::wstring& arguments,
                          const std::wstring& workingDirectory);

// What the pipe holds now, without waiting; only the last 64 KiB are kept in bytes.
void readAvailable(HANDLE pipe, std::string& bytes);
// Everything the pipe gives until its writers are gone, keeping the last 64 KiB.
void readToEnd(HANDLE pipe, std::string& bytes);

// The program's output as text, read in the code page it was written in.
std::wstring textFrom(const std::string& bytes, UINT codePage);

}  // namespace lorvane::win32
