// Small routines that several windows share.
#pragma once

#include <cstdint>
#include <string>

#include "core/datetime.h"
#include "core/settings.h"

namespace lorvane {

std::wstring subGetWindowsDir();
std::wstring subGetSystemDir();

// A run today at hour:minute lies in the past: the current time is later (the very
// same second still counts). The schedule dialog's OK and the apply action ask it.
bool todayTimePassed(DateTime now, int hour, int minute);
inline constexpr wchar_t kTimePassed[] = L"指定された日時は既に経過しています。";

// Busy-waits the given number of seconds without letting any window message through.
void subWait(std::int32_t seconds);

}  // namespace lorvane
