#include "apply/apply_action.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "apply/backup_rules.h"
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
constexpr const wchar_t* kUnrepresentable = L"ｼｽﾃﾑのｺｰﾄﾞﾍﾟｰｼﾞで表せない文字が含まれています。";
constexpr const wchar_t* kTooLong = L"ｺﾏﾝﾄﾞ行が長すぎます。";
constexpr const wchar_t* kDelayedExpansion =
    L"cmd.exe の遅延環境変数の展開が有効なため、! は使用できません。";
constexpr const wchar_t* kNoBackupProgram =
    L"ntbackup も robocopy も見つかりません。\r\nこのｼｽﾃﾑではﾊﾞｯｸｱｯﾌﾟを実行できません。";
constexpr const wchar_t* kTapeLineTooLong = L"ntbackup のｺﾏﾝﾄﾞ行が長すぎます。";
constexpr const wchar_t* kSchedulerRefused = L"ｽｹｼﾞｭｰﾗにｼﾞｮﾌﾞを登録できませんでした。";
constexpr const wchar_t* kSchedulerSilent = L"ｽｹｼﾞｭｰﾗの応答を確認できませんでした。";

// cmd.exe reads at most this many characters of a line and silently drops the rest;
// the line it reads from a batch file is counted in bytes.
constexpr std::size_t kMaxLine = 8191;

// ntbackup may stop without a warning, or leave files out, on a longer line.
constexpr std::size_t kMaxTapeLine = 256;

// How long the program waits for the scheduler to answer, and how much of its answer it shows.
constexpr std::chrono::seconds kSchedulerWait{30};
constexpr std::size_t kShownOutputLines = 15;

// One character of a wide string: a surrogate pair counts as one.
std::size_t charLength(std::wstring_view text, std::size_t at) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (text[at] >= 0xD800 && text[at] <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
            text[at + 1] <= 0xDFFF)
            return 2;
    }
    return 1;
}

// Length in UTF-16 code units, as cmd.exe counts.
std::size_t Utf16Length(std::wstring_view text) {
    std::size_t n = text.size();
    if constexpr (sizeof(wchar_t) > 2)
        for (wchar_t c : text) n += (static_cast<unsigned long>(c) >> 16) != 0;
    return n;
}

std::wstring codePointText(std::wstring_view ch) {
    unsigned long cp = static_cast<unsigned long>(ch[0]);
    if (ch.size() == 2) cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<unsigned long>(ch[1]) - 0xDC00);
    std::wstring code;
    for (int digits = 0; digits < 4 || cp != 0; ++digits, cp >>= 4)
        code.insert(code.begin(), L"0123456789ABCDEF"[cp & 0xF]);
    code.insert(0, L"U+");
    const bool printable = ch[0] >= 0x20 && ch[0] != 0x7F;
    return printable ? std::wstring(ch) + L" (" + code + L")" : code;
}

std::wstring characterMessage(const wchar_t* headline, std::wstring_view ch, const std::wstring& text) {
    std::wstring message = std::wstring(headline) + L"\r\n\r\n";
    if (!ch.empty()) message += L"文字　：" + codePointText(ch) + L"\r\n";
    return message + L"設定値：" + text;
}

std::optional<std::wstring> firstUnrepresentable(SystemAccess& access, std::wstring_view text) {
    if (access.toBatchCodePage(text)) return std::nullopt;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = charLength(text, at);
        const std::wstring_view ch = text.substr(at, length);
        if (!access.toBatchCodePage(ch)) return std::wstring(ch);
        at += length;
    }
    return std::wstring();  // every character alone is fine, only the whole is not
}

// A file to be written and the lines it holds, each to be run by cmd.exe.
struct CommandFile {
    const wchar_t* name;
    std::vector<std::wstring> lines;
};

// The texts the user typed that the lines of the files hold: all of them for the
// tape backup; none for the copy, whose lines name only the program and its job
// file (the job file is UTF-16, so that every name survives).
std::vector<const std::wstring*> typedInLines(const BackupRecord& backup, bool tape) {
    if (!tape) return {};
    std::vector<const std::wstring*> typed;
    for (const std::wstring& path : backup.BackupPath) typed.push_back(&path);
    typed.push_back(&backup.Guide);
    typed.push_back(&backup.LogFileName);
    return typed;
}

// The refusal message for files that must not be written, or nothing.
std::optional<std::wstring> checkLines(const std::vector<const std::wstring*>& typed,
                                       const std::vector<CommandFile>& files) {
    SystemAccess& access = systemAccess();
    // With delayed expansion on, cmd.exe would expand !name! or drop a lone !.
    if (access.delayedExpansion())
        for (const std::wstring* text : typed)
            if (text->find(L'!') != std::wstring::npos)
                return characterMessage(kDelayedExpansion, L"!", *text);

    for (const CommandFile& file : files)
        for (const std::wstring& line : file.lines) {
            const auto tooLong = [&](const wchar_t* unit, std::size_t length) {
                return std::wstring(kTooLong) + L"\r\n\r\nﾌｧｲﾙ名：" + file.name + L"\r\n" + unit + L"：" +
                       std::to_wstring(length) + L" (上限 " + std::to_wstring(kMaxLine) + L")";
            };
            const std::size_t length = Utf16Length(line);
            if (length > kMaxLine) return tooLong(L"文字数", length);
            if (const auto bytes = access.toBatchCodePage(line); bytes && bytes->size() > kMaxLine)
                return tooLong(L"ﾊﾞｲﾄ数", bytes->size());
        }

    for (const std::wstring* text : typed)
        if (auto ch = firstUnrepresentable(access, *text))
            return characterMessage(kUnrepresentable, *ch, *text);
    for (const CommandFile& file : files)
        for (const std::wstring& line : file.lines)
            if (auto ch = firstUnrepresentable(access, line))
                return characterMessage(kUnrepresentable, *ch, line);
    return std::nullopt;
}

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
// user from believing it did. `scheduler` is the program that answered.
void reportSchedulerAnswer(const ProgramRun& run, const std::wstring& scheduler) {
    if (!run.finished) {
        MsgBox(std::wstring(kSchedulerSilent) + L"\r\n\r\n" + scheduler + L" が " +
                   std::to_wstring(kSchedulerWait.count()) + L" 秒以内に終了しませんでした。\r\nｼﾞｮﾌﾞが登録されたかどうかを " +
                   scheduler + L" ｺﾏﾝﾄﾞで確認してください。",
               mb::Exclamation);
        return;
    }
    if (run.exitCode != 0) {
        const std::wstring output = lastLines(run.output, kShownOutputLines);
        MsgBox(std::wstring(kSchedulerRefused) + L"\r\n\r\n終了ｺｰﾄﾞ：" + std::to_wstring(run.exitCode) + L"\r\n" +
                   scheduler + L" の出力：" + (output.empty() ? L"(なし)" : L"\r\n" + output),
               mb::Critical);
        return;
    }
    MsgBox(kDone, mb::OkOnly);
}

// The bytes of the lines, each ended by CR LF, in the batch code page.
SystemResult writeLines(const std::wstring& path, const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const std::wstring& line : lines) text += line + L"\r\n";
    SystemAccess& access = systemAccess();
    const std::optional<std::string> bytes = access.toBatchCodePage(text);
    if (!bytes) return {Outcome::Failed, characterMessage(kUnrepresentable, {}, text)};
    return access.replaceFile(path, *bytes);
}

}  // namespace

SystemResult WriteOneLineFile(const std::wstring& path, const std::wstring& line) { return writeLines(path, {line}); }

void runApplyAction(const Settings& settings) {
    const BackupRecord& backup = settings.BackupSettings;
    SystemAccess& access = systemAccess();
    const BackupMethod method = findBackupMethod(access);
    // The job would fail unseen on every run.
    if (method == BackupMethod::None) {
        MsgBox(kNoBackupProgram, mb::Critical);
        return;
    }
    if (const std::wstring refusal = backupRefusal(backup, method); !refusal.empty()) {
        MsgBox(refusal, mb::Exclamation);
        return;
    }
    // An empty directory would put the files into the root of the current drive.
    const std::wstring directory = subGetSystemDir();
    if (directory.empty()) {
        MsgBox(kNoSystemDir, mb::Critical);
        return;
    }
    const std::wstring commandFile = directory + L"\\tpbackup.cmd";
    const std::wstring batchFile = directory + L"\\atcmd.bat";
    const std::wstring taskFile = directory + L"\\tpbackup.xml";
    const std::wstring jobFile = directory + L"\\tpbackup.ini";
    const std::wstring programFolder = directory + L"\\Lorvane";
    const std::wstring program = programFolder + L"\\lorvane.exe";
    const bool tape = method == BackupMethod::Tape;
    const std::vector<CommandFile> files = {
        {L"tpbackup.cmd",
         tape ? std::vector<std::wstring>{BuildBackupCommand(backup)} : BuildCopyCommands(program, jobFile)},
        {L"atcmd.bat",
         {tape ? BuildAtCommand(settings.ScheduleSettings, host().now()) : BuildTaskCommand(taskFile)}}};
    if (auto refusal = checkLines(typedInLines(backup, tape), files)) {
        MsgBox(*refusal, mb::Critical);
        return;
    }
    if (const std::size_t length = Utf16Length(files[0].lines[0]); tape && length > kMaxTapeLine) {
        MsgBox(std::wstring(kTapeLineTooLong) + L"\r\n\r\n文字数：" + std::to_wstring(length) + L" (上限 " +
                   std::to_wstring(kMaxTapeLine) +
                   L")\r\n\r\nﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽを減らすか、より上位のﾌｫﾙﾀﾞを指定してください。",
               mb::Exclamation);
        return;
    }
    if (MsgBox(kConfirm, mb::QuestionYesNo) != mb::Yes) return;

    // The copy's run: the program where only administrators can write (the task runs
    // it as SYSTEM), its job, and the mark that shows a run its destination.
    if (!tape) {
        const std::wstring destination = backup::typedFolder(backup.Destination);
        const std::wstring mark = copyTarget(destination, L"") + L"\\" + backup::kMarkFileName;
        backup::Job job{backup, settings.ScheduleSettings};
        // The restore drill an administrator scheduled in the registered job stays.
        if (const std::optional<std::string> registered = access.readSmallFile(jobFile))
            if (const backup::JobRead read = backup::readJobFile(*registered); read.job)
                job.drillEvery = read.job->drillEvery;
        if (!runStep([&] { return access.createFolder(programFolder); }) ||
            !runStep([&] { return access.copyThisProgram(program); }) ||
            !runStep([&] { return access.replaceFile(jobFile, backup::writeJobFile(job)); }) ||
            !runStep([&] { return access.createFolder(destination); }) ||
            !runStep([&] { return access.replaceFile(mark, backup::writeMark(kTaskName)); }))
            return;
    }
    if (!runStep([&] { return writeLines(commandFile, files[0].lines); })) return;
    // The clock is read after the question, so that the next runs it names lie
    // ahead of the moment the user said yes.
    if (!tape && !runStep([&] {
            return access.replaceFile(taskFile, encodeUtf16Le(BuildTaskXml(settings.ScheduleSettings, host().now(),
                                                                            commandFile, backup.Guide)));
        }))
        return;
    if (!runStep([&] { return writeLines(batchFile, files[1].lines); })) return;
    // /q: the batch file does not echo its line, so the output is what the scheduler printed.
    ProgramRun run;
    if (!runStep([&] {
            run = access.runHidden(access.commandInterpreter(), L"/q /c \"" + batchFile + L"\"", directory,
                                   kSchedulerWait);
            return run.start;
        }))
        return;
    reportSchedulerAnswer(run, tape ? L"at" : L"schtasks");
}

}  // namespace lorvane
