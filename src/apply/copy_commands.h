// The command file and the scheduler line of the copy backup, for systems that
// have robocopy and the Task Scheduler but no ntbackup and no `at`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"

namespace lorvane {

// Where a folder is copied to: the destination, then the folder without the
// colon of its drive or the backslashes of its share
// (C:\DATA -> <destination>\C\DATA, \\srv\share\x -> <destination>\srv\share\x).
std::wstring copyTarget(std::wstring_view destination, std::wstring_view folder);

// The lines of tpbackup.cmd: robocopy for each folder in list order and what
// the options add (archive bits, a checking pass, the registry, the
// destination's access). Its exit code is 0 only when every step succeeded.
// What the user typed is made safe for cmd.exe as in the tape backup's line.
std::vector<std::wstring> BuildCopyCommands(const BackupRecord& backup);

// The line of atcmd.bat that hands the task file to the Task Scheduler, in
// place of an earlier task of the same name.
std::wstring BuildTaskCommand(const std::wstring& taskFile);

// The Task Scheduler's name of the backup task.
inline constexpr wchar_t kTaskName[] = L"Lorvane\\tpbackup";

}  // namespace lorvane
