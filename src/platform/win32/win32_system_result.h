// A Win32 error code as the outcome the program's interfaces report.
#pragma once

#include <windows.h>

#include "apply/system_access.h"
#include "toolkit/win32/system_text.h"

namespace lorvane::win32 {

// NotWritable for what keeps a file from being written (access, sharing, locks,
// write protection), Failed with the system's own text for anything else.
inline SystemResult resultOfError(DWORD error) {
    switch (error) {
        case ERROR_SUCCESS:
            return {};
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_WRITE_PROTECT:
            return {Outcome::NotWritable, {}};
        default:
            return {Outcome::Failed, tk::win32::systemErrorText(error)};
    }
}

}  // namespace lorvane::win32
