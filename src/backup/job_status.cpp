#include "backup/job_status.h"

#include <array>
#include <cstdio>

#include "apply/copy_commands.h"
#include "apply/task_definition.h"
#include "backup/found_sets.h"

namespace lorvane::backup {
namespace {

constexpr std::array<const wchar_t*, 7> kWeekdayNames = {L"日", L"月", L"火", L"水", L"木", L"金", L"土"};
// How many of the newest sets the status names.
constexpr std::size_t kShownSets = 3;
// A run's start that the scheduler and the set's name give may differ by this much.
constexpr std::int64_t kSameRunSeconds = 120;

std::wstring two(int n) { return std::wstring(n < 10 ? L"0" : L"") + std::to_wstring(n); }

std::wstring clockWords(int hour, int minute) { return two(hour) + L":" + two(minute); }

std::wstring timeWords(DateTime time) {
    const CivilTime c = time.civil();
    return std::to_wstring(c.year) + L"/" + two(c.month) + L"/" + two(c.day) + L" (" + kWeekdayNames[time.weekday()] +
           L") " + clockWords(c.hour, c.minute);
}

template <std::size_t N>
std::wstring chosenWords(const std::array<Int16, N>& flags, bool weekdays) {
    std::wstring words;
    for (std::size_t k = 0; k < N; ++k)
        if (flags[k] == kTrue)
            words += (words.empty() ? L"" : L"・") + (weekdays ? std::wstring(kWeekdayNames[k]) : std::to_wstring(k + 1));
    return words.empty() || weekdays ? words : words + L"日";
}

std::wstring foldersWords(const BackupRecord& backup) {
    std::wstring folders;
    for (const std::wstring& folder : backup.BackupPath) folders += (folders.empty() ? L"" : L", ") + folder;
    return folders + L" → " + backup.Destination;
}

// The scheduler's last result as the run's exit code says it (backup_sets.h: exitCodeOf).
std::wstring exitCodeWords(std::int32_t code) {
    switch (code) {
        case 0: return resultWord(SetResult::Success);
        case 1: return resultWord(SetResult::Partial);
        case 2: return resultWord(SetResult::Failed) + L"：ｾｯﾄを作成する前に終了しました。詳細はﾛｸﾞを参照してください";
        default: {
            wchar_t hex[16];
            std::swprintf(hex, 16, L"0x%08X", static_cast<unsigned>(code));
            return resultWord(SetResult::Failed) + L"：終了ｺｰﾄﾞ " + hex;
        }
    }
}

std::wstring recordWords(const ResultRecord& record) {
    switch (record.result) {
        case SetResult::Success: return resultWord(SetResult::Success);
        case SetResult::Partial:
            return resultWord(SetResult::Partial) + L"：" + std::to_wstring(record.failed) + L" 個" +
                   (record.reason.empty() ? L"" : L" (" + record.reason + L")");
        case SetResult::Failed: return resultWord(SetResult::Failed) + L"：" + record.reason;
        default: return resultWord(SetResult::Running);
    }
}

// The task's longest run (tpbackup.xml: ExecutionTimeLimit).
constexpr std::int64_t kLongestRunSeconds = 72 * 3600;

// Whether a run is in progress: the scheduler says so, or, where it cannot say, the
// newest set has no record yet and was begun within the longest run.
bool running(const JobStatus& status, DateTime now) {
    const TaskStatus& task = status.task;
    if (task.state == TaskState::Running || task.lastResult == kTaskRunning) return true;
    if (task.state != TaskState::Unknown || status.sets.empty() || status.sets.back().record) return false;
    return now.seconds() - status.sets.back().parsed.started.seconds() < kLongestRunSeconds;
}

std::wstring lastRunWords(const JobStatus& status, DateTime now) {
    const TaskStatus& task = status.task;
    const FoundSet* newest = status.sets.empty() ? nullptr : &status.sets.back();
    if (running(status, now))
        return newest && !newest->record ? L"実行中 (" + timeWords(newest->parsed.started) + L" 開始)" : L"実行中";
    // A run the scheduler started after the newest set's that left no set (it failed before writing).
    if (task.lastRun && task.lastResult &&
        (!newest || task.lastRun->seconds() > newest->parsed.started.seconds() + kSameRunSeconds))
        return timeWords(*task.lastRun) + L"  " + exitCodeWords(*task.lastResult);
    if (newest) {
        const std::wstring when = timeWords(newest->parsed.started) + L"  ";
        if (newest->record) return when + recordWords(*newest->record);
        return when + L"結果が記録されていません (実行が中断されたか、結果のﾌｧｲﾙが壊れています)";
    }
    if (task.hasNotRun) return L"まだ実行されていません";
    if (task.lastResult) return exitCodeWords(*task.lastResult);
    if (!task.failure.empty()) return L"不明 (" + task.failure + L")";
    return L"まだ実行されていません";
}

std::wstring nextRunWords(const JobStatus& status, DateTime now) {
    const TaskStatus& task = status.task;
    if (task.nextRun) return timeWords(*task.nextRun);
    const std::wstring why = !task.failure.empty() ? task.failure : task.nextRunUnknown;
    if (const auto implied = nextRepeatingRun(status.job->schedule, now))
        return timeWords(*implied) + L" (登録した予定から。ﾀｽｸ ｽｹｼﾞｭｰﾗの答えなし" + (why.empty() ? L"" : L"：" + why) + L")";
    return L"不明" + (why.empty() ? std::wstring() : L" (" + why + L")");
}

// What is late: the last success older than twice the longest gap between runs.
std::wstring lateWords(const JobStatus& status, DateTime now) {
    const std::optional<int> gap = longestGapDays(status.job->schedule);
    if (!gap || status.sets.empty()) return {};
    const std::int64_t limit = 2LL * *gap * 86400;
    for (auto set = status.sets.rbegin(); set != status.sets.rend(); ++set)
        if (set->record && set->record->result == SetResult::Success) {
            if (now.seconds() - set->parsed.started.seconds() <= limit) return {};
            return L"最後に成功したﾊﾞｯｸｱｯﾌﾟは " + timeWords(set->parsed.started) + L" で、予定の間隔の 2 倍 (" +
                   std::to_wstring(2 * *gap) + L" 日) より前です。";
        }
    if (now.seconds() - status.sets.front().parsed.started.seconds() <= limit) return {};
    return L"成功したﾊﾞｯｸｱｯﾌﾟがありません。最初のｾｯﾄから予定の間隔の 2 倍 (" + std::to_wstring(2 * *gap) +
           L" 日) を過ぎています。";
}

}  // namespace

JobStatus readJobStatus(BackupSystem& system, TaskScheduler& scheduler) {
    JobStatus status;
    const std::optional<std::string> bytes = system.readFile(join(system.systemDirectory(), kJobFileName));
    status.task = scheduler.status(kTaskName);
    if (!bytes) return status;
    status.registered = true;
    JobRead read = readJobFile(*bytes);
    status.job = std::move(read.job);
    status.jobFailure = std::move(read.failure);
    if (status.job) status.sets = findSets(system, typedFolder(status.job->backup.Destination));
    return status;
}

std::wstring scheduleWords(const ScheduleRecord& s) {
    const std::wstring at = clockWords(s.RunHour, s.RunMinute);
    const std::wstring days =
        s.DateMode == dateMode::DaysOfMonth ? chosenWords(s.RunDate, false) : chosenWords(s.RunWeekday, true);
    switch (s.RunUnit) {
        case runUnit::Tomorrow: return L"明日 " + at;
        case runUnit::Every:
            if (days.empty()) return L"毎日 " + at;
            return (s.DateMode == dateMode::DaysOfMonth ? L"毎月 " : L"毎週 ") + days + L" " + at;
        case runUnit::Next: return days.empty() ? L"次回 " + at : L"次回 " + days + L" " + at;
        default: return L"今日 " + at;
    }
}

std::wstring sizeWords(std::uint64_t bytes) {
    if (bytes < 1024) return std::to_wstring(bytes) + L" ﾊﾞｲﾄ";
    const wchar_t* units[] = {L"KB", L"MB", L"GB", L"TB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(units)) value /= 1024, ++unit;
    wchar_t text[32];
    std::swprintf(text, 32, L"%.1f %ls", value, units[unit]);
    return text;
}

StatusText describeStatus(const JobStatus& status, DateTime now) {
    StatusText shown;
    if (!status.registered) {
        shown.text = L"登録されているﾊﾞｯｸｱｯﾌﾟはありません。";
        if (status.task.state != TaskState::Missing && status.task.failure.empty())
            shown.text += L"\r\nﾀｽｸ ｽｹｼﾞｭｰﾗには " + std::wstring(kTaskName) + L" が残っています。";
        return shown;
    }
    if (!status.job) {
        shown.text = L"登録されているﾊﾞｯｸｱｯﾌﾟの設定 (" + std::wstring(kJobFileName) + L") を読めません：" + status.jobFailure;
        return shown;
    }
    const Job& job = *status.job;
    std::wstring text = L"登録：" + foldersWords(job.backup) + L"\r\n予定：" + scheduleWords(job.schedule);
    if (status.task.state == TaskState::Missing) text += L" (ﾀｽｸ ｽｹｼﾞｭｰﾗに登録されていません)";
    if (status.task.state == TaskState::Disabled) text += L" (無効)";
    text += L"\r\n次回：" + nextRunWords(status, now);
    text += L"\r\n前回：" + lastRunWords(status, now);
    std::wstring sets;
    std::size_t count = 0;
    for (auto set = status.sets.rbegin(); set != status.sets.rend() && count < kShownSets; ++set, ++count)
        sets += L"\r\n　" + set->name + L"  " + (set->record ? sizeWords(set->record->bytes) : L"結果なし");
    text += L"\r\nｾｯﾄ：" + (status.sets.empty() ? std::wstring(L"まだありません") : std::to_wstring(status.sets.size()) + L" 個" + sets);
    shown.text = text;
    shown.warning = lateWords(status, now);
    shown.running = running(status, now);
    return shown;
}

}  // namespace lorvane::backup
