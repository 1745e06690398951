// The settings the user chooses during one run, held in memory only.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace lorvane {

using Int16 = std::int16_t;

// Flags and day flags are true only when they hold exactly -1.
constexpr Int16 kTrue = -1;
constexpr Int16 kFalse = 0;

// The values of the records' closed fields. The fields stay numbers: a value
// outside these is kept as it is and treated as each reader documents.
namespace writeMode { constexpr Int16 Append = 0, Replace = 1; }
namespace logFileMode { constexpr Int16 Everything = 0, ExceptionsOnly = 1; }
namespace runUnit { constexpr Int16 Today = 1, Tomorrow = 2, Every = 3, Next = 4; }
namespace dateMode { constexpr Int16 DaysOfMonth = 1, Weekdays = 2; }
namespace backupMode { constexpr Int16 None = -1, Normal = 0, Copy = 1, Incremental = 2, Differential = 3, Daily = 4; }

// The backup types' names by BackupMode, as the backup dialog lists them and the
// tape backup's /t option names them.
constexpr std::array<const wchar_t*, 5> kBackupTypes = {L"normal", L"copy", L"incremental", L"differential",
                                                        L"daily"};

// What is backed up and how. Strings are kept exactly as the dialog showed them.
struct BackupRecord {
    std::vector<std::wstring> BackupPath;  // folders, in the order of the dialog's list
    Int16 WriteMode = writeMode::Append;
    Int16 Verify = 0;                      // on/off options: 1 on, 0 off
    Int16 RegBackup = 0;
    Int16 Restriction = 0;
    Int16 Compression = 0;
    std::wstring Guide;                    // description of the backup set
    Int16 BackupMode = backupMode::Normal; // a backupMode value, an index of kBackupTypes
    std::wstring LogFileName;
    Int16 LogFileMode = logFileMode::Everything;
    std::wstring Destination;              // the folder the copy backup writes into
    Int16 KeepFullSets = 0;                // full sets the copy backup keeps with their dependants; 0 all

    friend bool operator==(const BackupRecord&, const BackupRecord&) = default;
};

// When the backup job runs.
struct ScheduleRecord {
    Int16 RunUnit = 0;                // a runUnit value; 0 until the schedule dialog's OK
    Int16 DateMode = 0;               // a dateMode value; 0 until the schedule dialog's OK
    std::array<Int16, 31> RunDate{};  // element k: day k+1
    std::array<Int16, 7> RunWeekday{};  // element k: Sunday + k
    Int16 RunHour = 0;
    Int16 RunMinute = 0;

    friend bool operator==(const ScheduleRecord&, const ScheduleRecord&) = default;
};

struct Settings {
    BackupRecord BackupSettings;
    ScheduleRecord ScheduleSettings;
    Int16 BackupInfoSet = kFalse;  // raised by the backup dialog's OK
    Int16 ScheduleSet = kFalse;    // raised by the schedule dialog's OK

    friend bool operator==(const Settings&, const Settings&) = default;
};

// The one program-wide instance that every window reads and writes.
Settings& mdlMain();

// The start values, set once by the title screen. Leaves BackupPath and the
// schedule alone: they still hold their initial (empty, zero) values.
void subSetStartValues(Settings& settings);

}  // namespace lorvane
