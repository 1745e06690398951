// The apply action behind the main menu's button "設定をシステムに反映".
#pragma once

#include <string>

#include "apply/system_access.h"
#include "core/settings.h"

namespace lorvane {

// Builds both command lines and checks them, makes sure that ntbackup can be
// found, asks the user, then writes tpbackup.cmd and atcmd.bat into the system
// directory, runs atcmd.bat hidden and waits for `at` to answer: success is
// reported only when it accepted the job. A refused line, a missing ntbackup or
// a No writes nothing; a file that may not be written offers Retry and Cancel;
// any other failure shows the system's own description and ends the action.
// Changes neither record nor flag.
void runApplyAction(const Settings& settings);

// Replaces the file with the line and CR LF in the batch code page.
SystemResult WriteOneLineFile(const std::wstring& path, const std::wstring& line);

}  // namespace lorvane
