// Which program carries the backup on this system, and the one check of the
// backup settings that the dialog's OK and the apply action share.
#pragma once

#include <string>

#include "apply/system_access.h"
#include "core/settings.h"

namespace lorvane {

enum class BackupMethod {
    None,
    Tape,  // ntbackup writes the folders to tape; `at` schedules it
    Copy,  // robocopy copies them into a destination folder; the Task Scheduler runs it
};

// ntbackup where cmd.exe would find it, else robocopy, else none.
BackupMethod findBackupMethod(SystemAccess& access);

// Why the record cannot be confirmed or applied with this method, as the
// exclamation message that says so; empty when nothing stands in the way.
// The log file's checks ask the system whether its folder is there.
std::wstring backupRefusal(const BackupRecord& backup, BackupMethod method);

// The copy's checks of its destination: there, a drive's or a share's folder
// that SYSTEM can reach, and none of the folders to back up or inside one.
std::wstring destinationRefusal(const BackupRecord& backup);

// For the copy, at apply, of a record that backupRefusal accepted: the
// exclamation message when the destination's drive or share is not there.
std::wstring unreachableDestination(const BackupRecord& backup, SystemAccess& access);

}  // namespace lorvane
