#include "apply/backup_methods.h"

#include "apply/command_line.h"
#include "apply/copy_commands.h"
#include "apply/job_file.h"
#include "apply/task_definition.h"
#include "core/host.h"
#include "core/utf16.h"

namespace lorvane {
namespace {

// ntbackup may stop without a warning, or leave files out, on a longer line.
constexpr std::size_t kMaxTapeLine = 256;

// Length in UTF-16 code units, as ntbackup counts.
std::size_t utf16Length(std::wstring_view text) {
    std::size_t n = text.size();
    if constexpr (sizeof(wchar_t) > 2)
        for (wchar_t c : text) n += (static_cast<unsigned long>(c) >> 16) != 0;
    return n;
}

// ntbackup writes the folders to tape; `at` schedules tpbackup.cmd.
class TapeMethod final : public BackupMethodDescription {
public:
    const wchar_t* scheduler() const override { return L"at"; }
    bool copiesToFolder() const override { return false; }
    std::wstring refusal(const BackupRecord&) const override { return {}; }
    std::wstring refusalAtApply(const BackupRecord&, SystemAccess&) const override { return {}; }
    std::vector<const std::wstring*> typedInLines(const BackupRecord& backup) const override {
        std::vector<const std::wstring*> typed;
        for (const std::wstring& path : backup.BackupPath) typed.push_back(&path);
        typed.push_back(&backup.Guide);
        typed.push_back(&backup.LogFileName);
        return typed;
    }
    CommandFile commandFile(const BackupRecord& backup, const std::wstring&) const override {
        return {L"tpbackup.cmd", {BuildBackupCommand(backup)}};
    }
    std::wstring schedulerLine(const ScheduleRecord& schedule, DateTime now, const std::wstring&) const override {
        return BuildAtCommand(schedule, now);
    }
    std::wstring lineLimit(const CommandFile& file) const override {
        const std::size_t length = utf16Length(file.lines.at(0));
        if (length <= kMaxTapeLine) return {};
        return L"ntbackup のｺﾏﾝﾄﾞ行が長すぎます。\r\n\r\n文字数：" + std::to_wstring(length) + L" (上限 " +
               std::to_wstring(kMaxTapeLine) +
               L")\r\n\r\nﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽを減らすか、より上位のﾌｫﾙﾀﾞを指定してください。";
    }
    std::vector<WriteStep> writesBefore(const Settings&, const std::wstring&) const override { return {}; }
    std::vector<WriteStep> writesAfter(const Settings&, const std::wstring&) const override { return {}; }
};

// robocopy copies the folders into sets below a destination, run by the program's
// own copy (backup/backup_run.h); the Task Scheduler runs tpbackup.cmd.
class CopyMethod final : public BackupMethodDescription {
public:
    const wchar_t* scheduler() const override { return L"schtasks"; }
    bool copiesToFolder() const override { return true; }
    std::wstring refusal(const BackupRecord& backup) const override { return destinationRefusal(backup); }
    std::wstring refusalAtApply(const BackupRecord& backup, SystemAccess& access) const override {
        return unreachableDestination(backup, access);
    }
    // The lines name only the program and its job file: the job file is UTF-16, so every name survives.
    std::vector<const std::wstring*> typedInLines(const BackupRecord&) const override { return {}; }
    CommandFile commandFile(const BackupRecord&, const std::wstring& systemDirectory) const override {
        return {L"tpbackup.cmd", BuildCopyCommands(copyProgramPath(systemDirectory), jobFilePath(systemDirectory))};
    }
    std::wstring schedulerLine(const ScheduleRecord&, DateTime, const std::wstring& systemDirectory) const override {
        return BuildTaskCommand(taskFilePath(systemDirectory));
    }
    std::wstring lineLimit(const CommandFile&) const override { return {}; }
    // The program where only administrators can write (the task runs it as SYSTEM),
    // its job, and the mark that shows a run its destination.
    std::vector<WriteStep> writesBefore(const Settings& settings, const std::wstring& systemDirectory) const override {
        SystemAccess& access = systemAccess();
        const std::wstring program = copyProgramPath(systemDirectory);
        const std::wstring destination = backup::typedFolder(settings.BackupSettings.Destination);
        return {[&access, program] { return access.createFolder(program.substr(0, program.find_last_of(L'\\'))); },
                [&access, program] { return access.copyThisProgram(program); },
                // The run's event log entries read their texts from the program's copy.
                [&access, program] { return access.registerEventSource(kEventSource, program); },
                [&access, &settings, systemDirectory] {
                    const std::wstring jobFile = jobFilePath(systemDirectory);
                    backup::Job job{settings.BackupSettings, settings.ScheduleSettings};
                    // The restore drill an administrator scheduled in the registered job stays.
                    if (const std::optional<std::string> registered = access.readSmallFile(jobFile))
                        if (const backup::JobRead read = backup::readJobFile(*registered); read.job)
                            job.drillEvery = read.job->drillEvery;
                    return access.replaceFile(jobFile, backup::writeJobFile(job));
                },
                [&access, destination] { return access.createFolder(destination); },
                [&access, destination] {
                    return access.replaceFile(copyTarget(destination, L"") + L"\\" + backup::kMarkFileName,
                                              backup::writeMark(kTaskName));
                }};
    }
    // The task file, with the next runs read from the clock after the question.
    std::vector<WriteStep> writesAfter(const Settings& settings, const std::wstring& systemDirectory) const override {
        return {[&settings, systemDirectory] {
            return systemAccess().replaceFile(
                taskFilePath(systemDirectory),
                encodeUtf16Le(BuildTaskXml(settings.ScheduleSettings, host().now(), systemDirectory + L"\\tpbackup.cmd",
                                           settings.BackupSettings.Guide)));
        }};
    }
};

}  // namespace

const BackupMethodDescription& describe(BackupMethod method) {
    static const TapeMethod tape;
    static const CopyMethod copy;
    return method == BackupMethod::Copy ? static_cast<const BackupMethodDescription&>(copy) : tape;
}

}  // namespace lorvane
