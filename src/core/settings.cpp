#include "core/settings.h"

#include "core/subroutines.h"

namespace lorvane {

Settings& mdlMain() {
    static Settings settings;
    return settings;
}

void subSetStartValues(Settings& settings) {
    BackupRecord& backup = settings.BackupSettings;
    backup.WriteMode = writeMode::Append;
    backup.Verify = 0;
    backup.RegBackup = 0;
    backup.Restriction = 0;
    backup.Compression = 0;
    backup.Guide.clear();
    backup.BackupMode = 0;
    backup.LogFileName = subGetWindowsDir() + L"\\tpbackup.log";
    backup.LogFileMode = logFileMode::Everything;
    settings.ScheduleSet = kFalse;
    settings.BackupInfoSet = kFalse;
}

}  // namespace lorvane
