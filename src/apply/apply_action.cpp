#include "apply/apply_action.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "apply/command_line.h"
#include "core/host.h"
#include "core/subroutines.h"

namespace lorvane {
namespace {

constexpr const wchar_t* kConfirm = L"設定情報をシステムに反映します。よろしいですか？";
constexpr const wchar_t* kDone = L"設定情報をシステムに反映しました。";
constexpr const wchar_t* kNotWritable = L"ファイルが書き込み不可です。";
constexpr const wchar_t* kNoSystemDir = L"ｼｽﾃﾑﾃﾞｨﾚｸﾄﾘを取得できません。";
constexpr const wchar_t* kForbidden = L"ｺﾏﾝﾄﾞ行に使用できない文字が含まれています。";
constexpr const wchar_t* kUnrepresentable = L"ｼｽﾃﾑのｺｰﾄﾞﾍﾟｰｼﾞで表せない文字が含まれています。";
constexpr const wchar_t* kTooLong = L"ｺﾏﾝﾄﾞ行が長すぎます。";
constexpr const wchar_t* kDelayedExpansion =
    L"cmd.exe の遅延環境変数の展開が有効なため、! は使用できません。";
constexpr const wchar_t* kNoBackupProgram =
    L"ntbackup が見つかりません。\r\nこのｼｽﾃﾑではﾊﾞｯｸｱｯﾌﾟを実行できません。";
constexpr const wchar_t* kSchedulerRefused = L"ｽｹｼﾞｭｰﾗにｼﾞｮﾌﾞを登録できませんでした。";
constexpr const wchar_t* kSchedulerSilent = L"ｽｹｼﾞｭｰﾗの応答を確認できませんでした。";

// cmd.exe reads at most this many characters of a line and silently drops the rest;
// the line it reads from a batch file is counted in bytes.
constexpr std::size_t kMaxLine = 8191;

// How long the program waits for `at` to answer, and how much of its answer it shows.
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

// A double quote would end a quoted text early; a line break or another control
// character would end or garble the line. Tabs are quoted like blanks.
bool forbidden(wchar_t c) {
    return c == L'"' || (c < 0x20 && c != L'\t') || c == 0x7F;
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

struct Line {
    const wchar_t* fileName;
    const std::wstring& text;
};

// The refusal message for lines that must not be written, or nothing.
std::optional<std::wstring> checkLines(const BackupRecord& backup, const std::vector<Line>& lines) {
    std::vector<const std::wstring*> typed;
    for (const std::wstring& path : backup.BackupPath) typed.push_back(&path);
    typed.push_back(&backup.Guide);
    typed.push_back(&backup.LogFileName);

    for (const std::wstring* text : typed)
        for (std::size_t at = 0; at < text->size(); ++at)
            if (forbidden((*text)[at]))
                return characterMessage(kForbidden, std::wstring_view(*text).substr(at, 1), *text);

    SystemAccess& access = systemAccess();
    // With delayed expansion on, cmd.exe would expand !name! or drop a lone !.
    if (access.delayedExpansion())
        for (const std::wstring* text : typed)
            if (text->find(L'!') != std::wstring::npos)
                return characterMessage(kDelayedExpansion, L"!", *text);

    for (const Line& line : lines) {
        const auto tooLong = [&](const wchar_t* unit, std::size_t length) {
            return std::wstring(kTooLong) + L"\r\n\r\nﾌｧｲﾙ名：" + line.fileName + L"\r\n" + unit + L"：" +
                   std::to_wstring(length) + L" (上限 " + std::to_wstring(kMaxLine) + L")";
        };
        const std::size_t length = Utf16Length(line.text);
        if (length > kMaxLine) return tooLong(L"文字数", length);
        if (const auto bytes = access.toBatchCodePage(line.text); bytes && bytes->size() > kMaxLine)
            return tooLong(L"ﾊﾞｲﾄ数", bytes->size());
    }

    for (const std::wstring* text : typed)
        if (auto ch = firstUnrepresentable(access, *text))
            return characterMessage(kUnrepresentable, *ch, *text);
    for (const Line& line : lines)
        if (auto ch = firstUnrepresentable(access, line.text))
            return characterMessage(kUnrepresentable, *ch, line.text);
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

// The success message when `at` accepted the job, else what keeps the user from believing it did.
void reportSchedulerAnswer(const ProgramRun& run) {
    if (!run.finished) {
        MsgBox(
            std::wstring(kSchedulerSilent) + L"\r\n\r\nat が " + std::to_wstring(kSchedulerWait.count()) +
                L" 秒以内に終了しませんでした。\r\nｼﾞｮﾌﾞが登録されたかどうかを at ｺﾏﾝﾄﾞで確認してください。",
            mb::Exclamation);
        return;
    }
    if (run.exitCode != 0) {
        const std::wstring output = lastLines(run.output, kShownOutputLines);
        MsgBox(std::wstring(kSchedulerRefused) + L"\r\n\r\n終了ｺｰﾄﾞ：" + std::to_wstring(run.exitCode) +
                   L"\r\nat の出力：" + (output.empty() ? L"(なし)" : L"\r\n" + output),
               mb::Critical);
        return;
    }
    MsgBox(kDone, mb::OkOnly);
}

}  // namespace

SystemResult WriteOneLineFile(const std::wstring& path, const std::wstring& line) {
    SystemAccess& access = systemAccess();
    const std::optional<std::string> bytes = access.toBatchCodePage(line + L"\r\n");
    if (!bytes) return {Outcome::Failed, characterMessage(kUnrepresentable, {}, line)};
    return access.replaceFile(path, *bytes);
}

void runApplyAction(const Settings& settings) {
    const std::wstring backupLine = BuildBackupCommand(settings.BackupSettings);
    const std::wstring atLine = BuildAtCommand(settings.ScheduleSettings, host().now());

    if (auto refusal =
            checkLines(settings.BackupSettings, {{L"tpbackup.cmd", backupLine}, {L"atcmd.bat", atLine}})) {
        MsgBox(*refusal, mb::Critical);
        return;
    }
    // An empty directory would put both files into the root of the current drive.
    const std::wstring directory = subGetSystemDir();
    if (directory.empty()) {
        MsgBox(kNoSystemDir, mb::Critical);
        return;
    }
    SystemAccess& access = systemAccess();
    // The job would fail unseen on every run.
    if (access.findProgram(L"ntbackup").empty()) {
        MsgBox(kNoBackupProgram, mb::Critical);
        return;
    }
    if (MsgBox(kConfirm, mb::QuestionYesNo) != mb::Yes) return;

    const std::wstring commandFile = directory + L"\\tpbackup.cmd";
    const std::wstring batchFile = directory + L"\\atcmd.bat";
    if (!runStep([&] { return WriteOneLineFile(commandFile, backupLine); })) return;
    if (!runStep([&] { return WriteOneLineFile(batchFile, atLine); })) return;
    // /q: the batch file does not echo its line, so the output is what `at` printed.
    ProgramRun run;
    if (!runStep([&] {
            run = access.runHidden(access.commandInterpreter(), L"/q /c \"" + batchFile + L"\"", directory,
                                   kSchedulerWait);
            return run.start;
        }))
        return;
    reportSchedulerAnswer(run);
}

}  // namespace lorvane
