#include "apply/apply_action.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "apply/backup_rules.h"
#include "apply/command_checks.h"
#include "apply/command_line.h"
#include "apply/copy_commands.h"
#include "apply/job_file.h"
#include "apply/task_definition.h"
#include "core/host.h"
#include "core/subroutines.h"
#include "core/utf16.h"

namespace lorvane {
namespace {

constexpr const wchar_t* kConfirm = L"設定情報をシステムに反映します。よろしいですか？";
constexpr const wchar_t* kDone = L"設定情報をシステムに反映しました。";
constexpr const wchar_t* kNotWritable = L"ファイルが書き込み不可です。";
constexpr const wchar_t* kNoSystemDir = L"ｼｽﾃﾑﾃﾞｨﾚｸﾄﾘを取得できません。";
constexpr const wchar_t* kNoBackupProgram =
    L"ntbackup も robocopy も見つかりません。\r\nこのｼｽﾃﾑではﾊﾞｯｸｱｯﾌﾟを実行できません。";
constexpr const wchar_t* kSchedulerRefused = L"ｽｹｼﾞｭｰﾗにｼﾞｮﾌﾞを登録できませんでした。";
constexpr const wchar_t* kSchedulerSilent = L"ｽｹｼﾞｭｰﾗの応答を確認できませんでした。";

// How long the program waits for the scheduler to answer, and how much of its answer it shows.
constexpr std::chrono::seconds kSchedulerWait{30};
constexpr std::size_t kShownOutputLines = 15;

// Runs one step of writing or starting; a step that may not write is run again
// as often as the user chooses Retry. True when it finally succeeded.
bool runStep(const std::function<SystemResult()>& step) {
    for (;;) {
        const SystemResult result = step();
        switch (result.outcome) {
            case Outcome::Ok:
                return true;
            case Outcome::NotWritable:
                if (MsgBox(kNotWritable, mb::ExclamationRetryCancel) == mb::Retry) continue;
                return false;
            case Outcome::Failed:
                MsgBox(result.description, mb::Critical);
                return false;
        }
        return false;
    }
}

// At most the last `count` lines of the text, without blank lines around them.
std::wstring lastLines(std::wstring_view text, std::size_t count) {
    std::vector<std::wstring> lines(1);
    for (wchar_t c : text) {
        if (c == L'\n')
            lines.emplace_back();
        else if (c != L'\r')
            lines.back() += c;
    }
    const auto blank = [](const std::wstring& line) {
        return line.find_first_not_of(L" \t") == std::wstring::npos;
    };
    while (!lines.empty() && blank(lines.back())) lines.pop_back();
    std::size_t first = lines.size() > count ? lines.size() - count : 0;
    while (first < lines.size() && blank(lines[first])) ++first;
    std::wstring shown;
    for (std::size_t i = first; i < lines.size(); ++i) shown += (i > first ? L"\r\n" : L"") + lines[i];
    return shown;
}

// The success message when the scheduler accepted the job, else what keeps the
// user from believing it did. `scheduler` is the program that answered. True
// when it accepted.
bool reportSchedulerAnswer(const ProgramRun& run, const std::wstring& scheduler) {
    if (!run.finished) {
        MsgBox(std::wstring(kSchedulerSilent) + L"\r\n\r\n" + scheduler + L" が " +
                   std::to_wstring(kSchedulerWait.count()) + L" 秒以内に終了しませんでした。\r\nｼﾞｮﾌﾞが登録されたかどうかを " +
                   scheduler + L" ｺﾏﾝﾄﾞで確認してください。",
               mb::Exclamation);
        return false;
    }
    if (run.exitCode != 0) {
        const std::wstring output = lastLines(run.output, kShownOutputLines);
        MsgBox(std::wstring(kSchedulerRefused) + L"\r\n\r\n終了ｺｰﾄﾞ：" + std::to_wstring(run.exitCode) + L"\r\n" +
                   scheduler + L" の出力：" + (output.empty() ? L"(なし)" : L"\r\n" + output),
               mb::Critical);
        return false;
    }
    MsgBox(kDone, mb::OkOnly);
    return true;
}

// While it lives, the user is told what the program waits for.
class WaitShown {
public:
    WaitShown(const WaitNotice& notice, const std::wstring& scheduler) : notice_(notice) {
        if (notice_) notice_(scheduler + L" の応答を待っています...");
    }
    ~WaitShown() {
        if (notice_) notice_(L"");
    }
    WaitShown(const WaitShown&) = delete;
    WaitShown& operator=(const WaitShown&) = delete;

private:
    const WaitNotice& notice_;
};

// The bytes of the lines, each ended by CR LF, in the batch code page.
SystemResult writeLines(const std::wstring& path, const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const std::wstring& line : lines) text += line + L"\r\n";
    SystemAccess& access = systemAccess();
    const std::optional<std::string> bytes = access.toBatchCodePage(text);
    if (!bytes) return {Outcome::Failed, unrepresentableMessage(text)};
    return access.replaceFile(path, *bytes);
}

}  // namespace

SystemResult WriteOneLineFile(const std::wstring& path, const std::wstring& line) { return writeLines(path, {line}); }

bool runApplyAction(const Settings& settings, const WaitNotice& waiting) {
    const BackupRecord& backup = settings.BackupSettings;
    const ScheduleRecord& schedule = settings.ScheduleSettings;
    SystemAccess& access = systemAccess();
    const BackupMethod method = findBackupMethod(access);
    // The job would fail unseen on every run.
    if (method == BackupMethod::None) {
        MsgBox(kNoBackupProgram, mb::Critical);
        return false;
    }
    std::wstring refusal = backupRefusal(backup, method);
    if (refusal.empty() && method == BackupMethod::Copy) refusal = unreachableDestination(backup, access);
    if (!refusal.empty()) {
        MsgBox(refusal, mb::Exclamation);
        return false;
    }
    // An empty directory would put the files into the root of the current drive.
    const std::wstring directory = subGetSystemDir();
    if (directory.empty()) {
        MsgBox(kNoSystemDir, mb::Critical);
        return false;
    }
    const std::wstring commandFile = directory + L"\\tpbackup.cmd";
    const std::wstring batchFile = directory + L"\\atcmd.bat";
    const std::wstring taskFile = directory + L"\\tpbackup.xml";
    const bool tape = method == BackupMethod::Tape;
    const std::vector<CommandFile> files = {
        backupCommandFile(backup, method, directory),
        {L"atcmd.bat", {tape ? BuildAtCommand(schedule, host().now()) : BuildTaskCommand(taskFile)}}};
    if (auto lines = commandRefusal(backup, method, files)) {
        MsgBox(lines->message, lines->style);
        return false;
    }
    // Both schedulers would move a run of today whose time has passed to tomorrow.
    const auto todayPassed = [&] {
        if (schedule.RunUnit != runUnit::Today ||
            !todayTimePassed(host().now(), schedule.RunHour, schedule.RunMinute))
            return false;
        MsgBox(kTimePassed, mb::Exclamation);
        return true;
    };
    if (todayPassed()) return false;
    if (MsgBox(kConfirm, mb::QuestionYesNo) != mb::Yes || todayPassed()) return false;

    // The copy's run: the program where only administrators can write (the task runs
    // it as SYSTEM), its job, and the mark that shows a run its destination.
    if (!tape) {
        const std::wstring program = copyProgramPath(directory);
        const std::wstring destination = backup::typedFolder(backup.Destination);
        const std::wstring mark = copyTarget(destination, L"") + L"\\" + backup::kMarkFileName;
        const backup::Job job{backup, schedule};
        if (!runStep([&] { return access.createFolder(program.substr(0, program.find_last_of(L'\\'))); }) ||
            !runStep([&] { return access.copyThisProgram(program); }) ||
            // The run's event log entries read their texts from the program's copy.
            !runStep([&] { return access.registerEventSource(kEventSource, program); }) ||
            !runStep([&] { return access.replaceFile(jobFilePath(directory), backup::writeJobFile(job)); }) ||
            !runStep([&] { return access.createFolder(destination); }) ||
            !runStep([&] { return access.replaceFile(mark, backup::writeMark(kTaskName)); }))
            return false;
    }
    if (!runStep([&] { return writeLines(commandFile, files[0].lines); })) return false;
    // The clock is read after the question, so that the next runs it names lie
    // ahead of the moment the user said yes.
    if (!tape && !runStep([&] {
            return access.replaceFile(
                taskFile, encodeUtf16Le(BuildTaskXml(schedule, host().now(), commandFile, backup.Guide)));
        }))
        return false;
    if (!runStep([&] { return writeLines(batchFile, files[1].lines); })) return false;
    const std::wstring scheduler = tape ? L"at" : L"schtasks";
    // /q: the batch file does not echo its line, so the output is what the scheduler printed.
    ProgramRun run;
    if (!runStep([&] {
            const WaitShown shown(waiting, scheduler);
            run = access.runHidden(access.commandInterpreter(), L"/q /c \"" + batchFile + L"\"", directory,
                                   kSchedulerWait);
            return run.start;
        }))
        return false;
    return reportSchedulerAnswer(run, scheduler);
}

}  // namespace lorvane
