// Schedule records as the scheduler tables write them.
#pragma once

#include <vector>

#include "core/settings.h"

namespace lorvane::test {

// Days not chosen hold 1 (only -1 counts); the list that DateMode does not select is all -1.
inline ScheduleRecord Schedule(Int16 unit, Int16 mode, std::vector<int> days, Int16 hour, Int16 minute) {
    ScheduleRecord record{.RunUnit = unit, .DateMode = mode, .RunHour = hour, .RunMinute = minute};
    record.RunDate.fill(mode == 1 ? 1 : kTrue);
    record.RunWeekday.fill(mode == 1 ? kTrue : 1);
    for (int day : days) (mode == 1 ? record.RunDate[day - 1] : record.RunWeekday[day]) = kTrue;
    return record;
}

}  // namespace lorvane::test
