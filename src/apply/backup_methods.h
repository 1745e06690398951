// One description for each way the program can back up: the files it writes into
// the system directory and the lines cmd.exe runs from them, the checks it adds,
// and the rows the backup dialog shows for it. The apply action, the line checks
// and the backup dialog ask the description; nothing else asks which method it is.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "apply/backup_rules.h"
#include "apply/system_access.h"
#include "core/datetime.h"
#include "core/settings.h"

namespace lorvane {

// A file to be written and the lines it holds, each to be run by cmd.exe.
struct CommandFile {
    const wchar_t* name;
    std::vector<std::wstring> lines;
};

// A write the apply action makes after the user said yes, retried as any other.
using WriteStep = std::function<SystemResult()>;

class BackupMethodDescription {
public:
    virtual ~BackupMethodDescription() = default;

    // The program that answers for the scheduler at apply.
    virtual const wchar_t* scheduler() const = 0;
    // The backup dialog's destination and kept-sets rows; with no tape, nothing to compress.
    virtual bool copiesToFolder() const = 0;
    // Why the record cannot be confirmed with this method beyond what every method
    // refuses, as an exclamation message; empty when nothing stands in the way.
    virtual std::wstring refusal(const BackupRecord& backup) const = 0;
    // At apply: what the system as it is now refuses of a record that was accepted.
    virtual std::wstring refusalAtApply(const BackupRecord& backup, SystemAccess& access) const = 0;
    // The texts the user typed that the command lines hold.
    virtual std::vector<const std::wstring*> typedInLines(const BackupRecord& backup) const = 0;
    // tpbackup.cmd, and the line of atcmd.bat that hands it to the scheduler.
    virtual CommandFile commandFile(const BackupRecord& backup, const std::wstring& systemDirectory) const = 0;
    virtual std::wstring schedulerLine(const ScheduleRecord& schedule, DateTime now,
                                       const std::wstring& systemDirectory) const = 0;
    // The backup program's own limit of its line, as an exclamation message; empty within it.
    virtual std::wstring lineLimit(const CommandFile& file) const = 0;
    // What it writes besides tpbackup.cmd and atcmd.bat, in order: before the command
    // file, and after it (the clock is read after the question).
    virtual std::vector<WriteStep> writesBefore(const Settings& settings, const std::wstring& systemDirectory) const = 0;
    virtual std::vector<WriteStep> writesAfter(const Settings& settings, const std::wstring& systemDirectory) const = 0;
};

// The description of Tape or Copy; BackupMethod::None has none.
const BackupMethodDescription& describe(BackupMethod method);

}  // namespace lorvane
