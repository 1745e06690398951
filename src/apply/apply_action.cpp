#include "apply/apply_action.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "apply/backup_methods.h"
#include "apply/backup_rules.h"
#include "apply/command_checks.h"
#include "core/host.h"
#include "core/subroutines.h"

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
    const BackupMethodDescription& description = describe(method);
    std::wstring refusal = backupRefusal(backup, method);
    if (refusal.empty()) refusal = description.refusalAtApply(backup, access);
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
    const std::vector<CommandFile> files = {
        description.commandFile(backup, directory),
        {L"atcmd.bat", {description.schedulerLine(schedule, host().now(), directory)}}};
    if (auto lines = commandRefusal(backup, description, files)) {
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

    for (const WriteStep& step : description.writesBefore(settings, directory))
        if (!runStep(step)) return false;
    if (!runStep([&] { return writeLines(commandFile, files[0].lines); })) return false;
    for (const WriteStep& step : description.writesAfter(settings, directory))
        if (!runStep(step)) return false;
    if (!runStep([&] { return writeLines(batchFile, files[1].lines); })) return false;
    const std::wstring scheduler = description.scheduler();
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
