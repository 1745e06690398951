// The job's log (the file the backup dialog names): one line for each run, each
// restore and each restore drill, in UTF-16LE.
#pragma once

#include <string>

#include "backup/backup_system.h"

namespace lorvane::backup {

// Adds the line; a log an earlier version wrote in the code page is first renamed
// to the first free name of <name>.old, <name>.2.old, ..., so that one file never
// mixes two encodings.
void appendJobLog(BackupSystem& system, const std::wstring& path, const std::wstring& line);

// "2026-12-08 02:30:00", as the logs show a time.
std::wstring shownTime(DateTime time);

}  // namespace lorvane::backup
