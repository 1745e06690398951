#include "core/subroutines.h"

#include <limits>
#include <stdexcept>

#include "core/host.h"

namespace lorvane {

std::wstring subGetWindowsDir() { return host().windowsDirectory(); }

std::wstring subGetSystemDir() { return host().systemDirectory(); }

void subWait(std::int32_t seconds) {
    // The span is 16-bit time arithmetic: anything wider overflows.
    if (seconds < std::numeric_limits<Int16>::min() || seconds > std::numeric_limits<Int16>::max())
        throw std::overflow_error("subWait: seconds out of range");
    const DateTime until = host().now().addSeconds(seconds);
    while (until > host().now()) {
    }
}

bool todayTimePassed(DateTime now, int hour, int minute) {
    const CivilTime civil = now.civil();
    return civil.hour * 3600 + civil.minute * 60 + civil.second > hour * 3600 + minute * 60;
}

}  // namespace lorvane
