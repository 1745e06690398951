// Small routines that several windows share.
#pragma once

#include <cstdint>
#include <string>

#include "core/settings.h"

namespace lorvane {

std::wstring subGetWindowsDir();
std::wstring subGetSystemDir();

// Busy-waits the given number of seconds without letting any window message through.
void subWait(std::int32_t seconds);

}  // namespace lorvane
