// The system access of the system this build runs on: Win32 in the product and
// the Windows tests, POSIX (real files, programs recorded) in the native tests.
#pragma once

#include "apply/system_access.h"

namespace lorvane {

// Defined once, by the implementation this build compiles.
SystemAccess& platformSystemAccess();

}  // namespace lorvane
