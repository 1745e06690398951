// The apply action behind the main menu's button "設定をシステムに反映".
#pragma once

#include <functional>
#include <string>

#include "apply/system_access.h"
#include "core/settings.h"

namespace lorvane {

// Finds the program that carries the backup (ntbackup, else robocopy), checks the
// settings and the lines built from them, asks the user, then writes into the
// system directory tpbackup.cmd, for robocopy the task file tpbackup.xml, and
// atcmd.bat, runs atcmd.bat hidden and waits for the scheduler (`at`, or
// schtasks for the task file) to answer: success is reported only when it
// accepted the job. A refusal, a missing program or a No writes nothing; a file
// that may not be written offers Retry and Cancel;
// any other failure shows the system's own description and ends the action.
// A run of today whose time has passed is refused as the schedule dialog refuses
// it. While the scheduler is awaited, `waiting` is told what for, then an empty
// text. True when the scheduler accepted the job. Changes neither record nor flag.
using WaitNotice = std::function<void(const std::wstring& what)>;
bool runApplyAction(const Settings& settings, const WaitNotice& waiting = {});

// Replaces the file with the line and CR LF in the batch code page.
SystemResult WriteOneLineFile(const std::wstring& path, const std::wstring& line);

}  // namespace lorvane
