// The run of a copy backup, started by the Task Scheduler through tpbackup.cmd as
// `lorvane.exe /backup <job file>` (kRunSwitch): checks the destination, takes shadow copies,
// copies each folder with robocopy into a new set, checks what it copied, clears
// the archive bits of what it copied, saves the registry, leaves its log and
// result record in the set, adds one entry to the job's log and removes the sets
// no longer kept.
#pragma once

#include <string>

#include "backup/backup_system.h"

namespace lorvane::backup {

// Runs the job in the file; returns the exit code (exitCodeOf the result).
int runBackupJob(BackupSystem& system, const std::wstring& jobFile);

}  // namespace lorvane::backup
