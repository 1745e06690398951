// The Task Scheduler task that runs the backup command file where `at` takes no
// more jobs: the schedule as triggers, run as SYSTEM with the highest privileges.
#pragma once

#include <optional>
#include <string>

#include "core/datetime.h"
#include "core/settings.h"

namespace lorvane {

// The task's XML (schema 1.2), for a file written as UTF-16LE (core/utf16.h).
// The schedule reads as the at line does (BuildAtCommand): every → one weekly or
// monthly trigger; next → one single run per chosen day at its next occurrence;
// today → the next occurrence of the time; tomorrow → tomorrow at the time. Times
// are local and written without a zone. The description, trimmed of blanks,
// becomes the task's description (none when empty). Every text is escaped for XML;
// a control character is not handled here, the apply action refuses those.
std::wstring BuildTaskXml(const ScheduleRecord& schedule, DateTime now, const std::wstring& commandFile,
                          const std::wstring& description);

// For a repeating schedule (every): the first run after `now`, and the longest
// time between two runs in days. Nothing for a single run (today, tomorrow, next),
// whose moment depends on when it was registered.
std::optional<DateTime> nextRepeatingRun(const ScheduleRecord& schedule, DateTime now);
std::optional<int> longestGapDays(const ScheduleRecord& schedule);

}  // namespace lorvane
