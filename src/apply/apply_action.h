// The apply action behind the main menu's button "設定をシステムに反映".
#pragma once

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
// Changes neither record nor flag.
void runApplyAction(const Settings& settings);

// Replaces the file with the line and CR LF in the batch code page.
SystemResult WriteOneLineFile(const std::wstring& path, const std::wstring& line);

}  // namespace lorvane
