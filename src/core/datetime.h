// A local date and time to the second, as the system clock shows it.
#pragma once

#include <cstdint>

namespace lorvane {

struct CivilTime {
    int year = 1970, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
};

class DateTime {
public:
    constexpr DateTime() = default;
    static constexpr DateTime fromSeconds(std::int64_t seconds) { return DateTime(seconds); }
    static DateTime fromCivil(const CivilTime& civil);

    CivilTime civil() const;
    int weekday() const;  // 0 Sunday .. 6 Saturday
    std::int64_t seconds() const { return seconds_; }

    DateTime addSeconds(std::int64_t n) const { return DateTime(seconds_ + n); }
    DateTime addDays(std::int64_t n) const { return DateTime(seconds_ + n * 86400); }

    friend constexpr auto operator<=>(const DateTime&, const DateTime&) = default;

private:
    constexpr explicit DateTime(std::int64_t seconds) : seconds_(seconds) {}
    std::int64_t seconds_ = 0;  // seconds since 1970-01-01 00:00:00 local time
};

}  // namespace lorvane
