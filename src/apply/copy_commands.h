// The command file and the scheduler line of the copy backup, for systems that
// have robocopy and the Task Scheduler but no ntbackup and no `at`, and where
// each folder goes in a set.
#pragma once

#include <string>
#include <string_view>
#include <vector>


namespace lorvane {

// Where a folder is copied to: the destination, then the folder without the
// colon of its drive or the backslashes of its share
// (C:\DATA -> <destination>\C\DATA, \\srv\share\x -> <destination>\srv\share\x).
std::wstring copyTarget(std::wstring_view destination, std::wstring_view folder);

// The lines of tpbackup.cmd: the program's own copy runs the job that the job
// file describes (backup/backup_run.h), and its exit code is the command file's.
std::vector<std::wstring> BuildCopyCommands(const std::wstring& program, const std::wstring& jobFile);

// Where apply puts the program's copy that the task runs (a folder of the system
// directory, which only administrators can write), and the job file.
inline std::wstring copyProgramPath(const std::wstring& systemDirectory) {
    return systemDirectory + L"\\Lorvane\\lorvane.exe";
}
inline std::wstring jobFilePath(const std::wstring& systemDirectory) { return systemDirectory + L"\\tpbackup.ini"; }
inline std::wstring taskFilePath(const std::wstring& systemDirectory) { return systemDirectory + L"\\tpbackup.xml"; }

// The switch of that line, which starts a run in place of the windows.
inline constexpr wchar_t kRunSwitch[] = L"/backup";

// The line of atcmd.bat that hands the task file to the Task Scheduler, in
// place of an earlier task of the same name.
std::wstring BuildTaskCommand(const std::wstring& taskFile);

// The Task Scheduler's name of the backup task.
inline constexpr wchar_t kTaskName[] = L"Lorvane\\tpbackup";

}  // namespace lorvane
