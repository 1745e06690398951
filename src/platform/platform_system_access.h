// The system this build runs on: Win32 in the product and the Windows tests,
// POSIX (real files, programs recorded, a fixed C:\WINDOWS) in the native tests.
#pragma once

#include <string>

#include "apply/system_access.h"
#include "core/datetime.h"

namespace lorvane {

// Defined once, by the implementation this build compiles.
SystemAccess& platformSystemAccess();

// The directories without a trailing separator, empty when the system gives none;
// the local time of the system's clock.
std::wstring platformWindowsDirectory();
std::wstring platformSystemDirectory();
DateTime platformNow();

}  // namespace lorvane
