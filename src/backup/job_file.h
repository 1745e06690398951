// The job that apply hands to the Task Scheduler on the copy path, as the file
// tpbackup.ini beside tpbackup.cmd: what the backup's run reads, and what the
// program reads back to edit the registered job. docs/backup-sets.md describes it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/settings.h"

namespace lorvane::backup {

struct Job {
    BackupRecord backup;
    ScheduleRecord schedule;
};

inline constexpr int kJobFormat = 1;

// UTF-16LE with a byte order mark, one "key=value" a line, CR LF.
std::string writeJobFile(const Job& job);

// The job, or why it cannot be read (a damaged file, another format).
struct JobRead {
    std::optional<Job> job;
    std::wstring failure;
};
JobRead readJobFile(std::string_view bytes);

}  // namespace lorvane::backup
