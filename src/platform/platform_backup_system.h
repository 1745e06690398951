// What a copy backup's run needs of the system this build runs on. Only the
// Win32 build defines it: the run happens on Windows alone, and the native
// tests give the run an in-memory system of their own.
#pragma once

#include "backup/backup_system.h"

namespace lorvane {

backup::BackupSystem& platformBackupSystem();

}  // namespace lorvane
