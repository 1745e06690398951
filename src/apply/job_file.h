// The job that apply hands to the Task Scheduler on the copy path, as the file
// tpbackup.ini beside tpbackup.cmd: what the backup's run reads, and what the
// program reads back to edit the registered job; and the mark apply leaves in
// the destination. docs/backup-sets.md describes both.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/settings.h"

namespace lorvane::backup {

struct Job {
    BackupRecord backup;
    ScheduleRecord schedule;
    // The restore drill after every N-th successful run (`drill=N`); 0 never.
    // Written only when set, so that a job without it reads as before.
    int drillEvery = 0;
};
inline constexpr int kMostDrillEvery = 999;

inline constexpr int kJobFormat = 1;

// UTF-16LE with a byte order mark, one "key=value" a line, CR LF.
std::string writeJobFile(const Job& job);

// The job, or why it cannot be read (a damaged file, another format).
struct JobRead {
    std::optional<Job> job;
    std::wstring failure;
};
JobRead readJobFile(std::string_view bytes);

// What the program starts with on the copy path: the registered job's records,
// both flags raised, when `bytes` (the job file, none when there is no file) can
// be read whole; else `settings` stay at their start values and the message
// says why (empty when there is no file). Nothing is taken from a file half read.
std::wstring startFromJob(Settings& settings, const std::optional<std::string>& bytes);

// The mark that apply leaves in the destination, so that a run never writes into
// another disk that has taken the destination's drive letter.
inline constexpr wchar_t kMarkFileName[] = L"lorvane-destination.ini";
std::string writeMark(std::wstring_view job);
// Whether the mark names this job.
bool markNamesJob(std::string_view bytes, std::wstring_view job);

// The folder a typed path names: no blanks around it, no trailing
// separator, but a drive's root keeps its own ("E:" alone is the drive's current folder).
std::wstring typedFolder(std::wstring_view typed);

}  // namespace lorvane::backup
