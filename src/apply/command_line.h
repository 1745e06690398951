// The two lines that the apply action hands to the system: the backup command
// written to tpbackup.cmd and the scheduler command written to atcmd.bat.
#pragma once

#include <string>
#include <string_view>

#include "apply/batch_text.h"
#include "core/datetime.h"
#include "core/settings.h"

namespace lorvane {

// "ntbackup backup" with the folders and options of the record. Everything the
// user typed is made safe for cmd.exe: percent signs are doubled, folders that
// hold a blank or one of &|<>^(),;= are quoted, and no quoted text ends in a
// backslash that would escape its closing quote. A double quote or a control
// character in the record is not handled here; the apply action refuses those.
std::wstring BuildBackupCommand(const BackupRecord& backup);

// "at HH:MM", the unit part and " tpbackup". now is read only for "tomorrow",
// which becomes /next: with tomorrow's day of the month. "Every" with no day
// chosen means every weekday; "next" with no day chosen has no unit part.
std::wstring BuildAtCommand(const ScheduleRecord& schedule, DateTime now);

}  // namespace lorvane
