#include "core/settings.h"

#include <utility>

#include "core/subroutines.h"

namespace lorvane {

Settings& mdlMain() {
    static Settings settings;
    return settings;
}

void subSetStartValues(Settings& settings) {
    // Every option at a fresh record's value; the folder list stays as it is.
    BackupRecord start;
    start.BackupPath = std::move(settings.BackupSettings.BackupPath);
    start.LogFileName = subGetWindowsDir() + L"\\tpbackup.log";
    settings.BackupSettings = std::move(start);
    settings.ScheduleSet = kFalse;
    settings.BackupInfoSet = kFalse;
}

}  // namespace lorvane
