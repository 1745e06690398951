// What the main menu says of the copy backup's job that apply handed over: what
// is registered, when it runs next, how its last run went, and the newest sets.
// Read from the job file, the Task Scheduler and the sets below the destination.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "apply/job_file.h"
#include "apply/task_scheduler.h"
#include "backup/backup_sets.h"
#include "backup/backup_system.h"

namespace lorvane::backup {

inline constexpr wchar_t kJobFileName[] = L"tpbackup.ini";

struct JobStatus {
    bool registered = false;   // the job file is there
    std::optional<Job> job;    // what it holds, when it can be read
    std::wstring jobFailure;   // why it cannot be read
    TaskStatus task;           // what the scheduler says
    std::vector<FoundSet> sets;  // below the job's destination, oldest first
};

// Reads the job file of the system directory, asks the scheduler about the task,
// and finds the sets. Slow when the scheduler or the destination is: call it off
// the window's thread.
JobStatus readJobStatus(BackupSystem& system, TaskScheduler& scheduler);

// The schedule in words: 毎週 月・金 02:30, 毎月 1・15日 02:30, 今日 02:30, 次回 月 02:30.
std::wstring scheduleWords(const ScheduleRecord& schedule);

// A size for a reader: 512 ﾊﾞｲﾄ, 12.3 KB, 4.5 MB, 1.2 GB.
std::wstring sizeWords(std::uint64_t bytes);

struct StatusText {
    std::wstring text;     // the lines of the status, CR LF between them
    std::wstring warning;  // empty, or what is late (shown in the warning colour)
    bool running = false;  // a run is in progress: read again soon
};

// The status at `now`, in plain Japanese.
StatusText describeStatus(const JobStatus& status, DateTime now);

}  // namespace lorvane::backup
