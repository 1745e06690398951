// What the main menu says of the registered copy backup: one row a situation,
// the words a reader must find in the status.
#include <gtest/gtest.h>

#include <functional>

#include "backup/job_status.h"
#include "fake_backup_system.h"
#include "schedules.h"

namespace lorvane::backup {
namespace {

const DateTime kNow = DateTime::fromCivil({2026, 12, 9, 10, 0, 0});  // a Wednesday

FoundSet set(CivilTime started, SetResult result, std::uint64_t failed = 0, std::wstring reason = {}) {
    const DateTime at = DateTime::fromCivil(started);
    FoundSet found{setName(at, backupMode::Normal), {at, backupMode::Normal}, std::nullopt};
    if (result != SetResult::Running) {
        ResultRecord record;
        record.result = result;
        record.failed = failed;
        record.reason = std::move(reason);
        record.bytes = 5 * 1024 * 1024;
        found.record = record;
    }
    return found;
}

// Registered: C:\DATA every Monday and Friday at 02:30 into E:\Backup; the scheduler knows the task.
JobStatus registered() {
    JobStatus status;
    status.registered = true;
    Job job;
    job.backup.BackupPath = {L"C:\\DATA"};
    job.backup.Destination = L"E:\\Backup";
    job.schedule = test::Schedule(runUnit::Every, dateMode::Weekdays, {1, 5}, 2, 30);
    status.job = job;
    status.task.state = TaskState::Ready;
    status.task.nextRun = DateTime::fromCivil({2026, 12, 11, 2, 30, 0});
    return status;
}

struct Situation {
    const char* name;
    std::function<void(JobStatus&)> arrange;
    std::wstring says;         // found in the status
    std::wstring warns;        // found in the warning; empty: no warning
    bool running = false;
};

class StatusWords : public testing::TestWithParam<Situation> {};

TEST_P(StatusWords, SayWhatIsRegisteredAndHowItWent) {
    JobStatus status = registered();
    GetParam().arrange(status);
    const StatusText shown = describeStatus(status, kNow);
    EXPECT_NE(shown.text.find(GetParam().says), std::wstring::npos) << testing::PrintToString(shown.text.size());
    if (GetParam().warns.empty())
        EXPECT_EQ(shown.warning, L"");
    else
        EXPECT_NE(shown.warning.find(GetParam().warns), std::wstring::npos);
    EXPECT_EQ(shown.running, GetParam().running);
}

INSTANTIATE_TEST_SUITE_P(
    , StatusWords,
    testing::Values(
        Situation{"NothingRegistered", [](JobStatus& s) { s = JobStatus{}; s.task.state = TaskState::Missing; },
                  L"登録されているﾊﾞｯｸｱｯﾌﾟはありません。"},
        Situation{"ATaskLeftWithoutItsFiles", [](JobStatus& s) { s = JobStatus{}; s.task.state = TaskState::Ready; },
                  L"ﾀｽｸ ｽｹｼﾞｭｰﾗには Lorvane\\tpbackup が残っています"},
        Situation{"AJobFileThatCannotBeRead", [](JobStatus& s) { s.job.reset(); s.jobFailure = L"ﾌｧｲﾙが壊れています。"; },
                  L"(tpbackup.ini) を読めません：ﾌｧｲﾙが壊れています。"},
        Situation{"WhatAndWhen", [](JobStatus&) {}, L"登録：C:\\DATA → E:\\Backup\r\n予定：毎週 月・金 02:30\r\n次回：2026/12/11 (金) 02:30"},
        Situation{"NotYetRun", [](JobStatus& s) { s.task.hasNotRun = true; }, L"前回：まだ実行されていません"},
        Situation{"RunningByTheScheduler",
                  [](JobStatus& s) { s.task.state = TaskState::Running; s.sets = {set({2026, 12, 9, 9, 59, 0}, SetResult::Running)}; },
                  L"前回：実行中 (2026/12/09 (水) 09:59 開始)", {}, true},
        Situation{"RunningWhereTheSchedulerCannotSay",
                  [](JobStatus& s) { s.task = {}; s.sets = {set({2026, 12, 9, 9, 59, 0}, SetResult::Running)}; },
                  L"前回：実行中", {}, true},
        Situation{"AnUnfinishedRunLongAgo",
                  [](JobStatus& s) { s.sets = {set({2026, 12, 7, 2, 30, 0}, SetResult::Running)}; },
                  L"結果が記録されていません"},
        Situation{"Success", [](JobStatus& s) { s.sets = {set({2026, 12, 7, 2, 30, 0}, SetResult::Success)}; },
                  L"前回：2026/12/07 (月) 02:30  成功\r\nｾｯﾄ：1 個\r\n　2026-12-07_023000_normal  5.0 MB"},
        Situation{"PartlyCopied",
                  [](JobStatus& s) { s.sets = {set({2026, 12, 7, 2, 30, 0}, SetResult::Partial, 3)}; },
                  L"一部のﾌｧｲﾙをｺﾋﾟｰできませんでした：3 個"},
        Situation{"Failed",
                  [](JobStatus& s) { s.sets = {set({2026, 12, 7, 2, 30, 0}, SetResult::Failed, 0, L"robocopy が終了ｺｰﾄﾞ 16 で終了しました")}; },
                  L"失敗：robocopy が終了ｺｰﾄﾞ 16"},
        Situation{"ARunThatLeftNoSet",
                  [](JobStatus& s) {
                      s.sets = {set({2026, 12, 4, 2, 30, 0}, SetResult::Success)};
                      s.task.lastRun = DateTime::fromCivil({2026, 12, 7, 2, 30, 0});
                      s.task.lastResult = 2;
                  },
                  L"前回：2026/12/07 (月) 02:30  失敗：ｾｯﾄを作成する前に終了しました"},
        Situation{"TheNextRunTheSchedulerDoesNotGive",
                  [](JobStatus& s) { s.task.nextRun.reset(); s.task.nextRunUnknown = L"NextRunTime：実装されていません"; },
                  L"次回：2026/12/11 (金) 02:30 (登録した予定から。ﾀｽｸ ｽｹｼﾞｭｰﾗの答えなし：NextRunTime"},
        Situation{"ASchedulerThatCannotBeAsked",
                  [](JobStatus& s) {
                      s.job->schedule = test::Schedule(runUnit::Tomorrow, dateMode::Weekdays, {}, 2, 30);
                      s.task = {L"ITaskService::Connect：ｱｸｾｽが拒否されました。"};
                  },
                  L"次回：不明 (ITaskService::Connect：ｱｸｾｽが拒否されました。)\r\n前回：不明 (ITaskService"},
        // Monday and Friday: at most four days apart, so eight days without a success is late.
        Situation{"ASuccessWithinTwiceTheInterval",
                  [](JobStatus& s) { s.sets = {set({2026, 12, 2, 2, 30, 0}, SetResult::Success)}; }, L"成功"},
        Situation{"NoSuccessForTwiceTheInterval",
                  [](JobStatus& s) {
                      s.sets = {set({2026, 11, 30, 2, 30, 0}, SetResult::Success), set({2026, 12, 4, 2, 30, 0}, SetResult::Failed)};
                  },
                  L"失敗", L"最後に成功したﾊﾞｯｸｱｯﾌﾟは 2026/11/30 (月) 02:30 で、予定の間隔の 2 倍 (8 日) より前です。"},
        Situation{"NeverASuccess",
                  [](JobStatus& s) { s.sets = {set({2026, 11, 27, 2, 30, 0}, SetResult::Failed)}; }, L"失敗",
                  L"成功したﾊﾞｯｸｱｯﾌﾟがありません"}),
    [](const auto& info) { return info.param.name; });

// The scheduler as the tests decide it, noting what it was asked.
class RecordingScheduler final : public TaskScheduler {
public:
    TaskStatus answer;
    std::vector<std::wstring> asked;
    TaskStatus status(const std::wstring& task) override { return asked.push_back(task), answer; }
    SystemResult runNow(const std::wstring& task) override { return asked.push_back(L"run " + task), SystemResult{}; }
    SystemResult remove(const std::wstring& task) override { return asked.push_back(L"remove " + task), SystemResult{}; }
};

TEST(JobStatusRead, TakesTheJobFileTheTaskAndTheSetsBelowTheJobsDestination) {
    test::FakeBackupSystem system;
    RecordingScheduler scheduler;
    scheduler.answer.hasNotRun = true;
    EXPECT_FALSE(readJobStatus(system, scheduler).registered);

    Job job = *registered().job;
    job.backup.Destination = L"E:\\Backup\\";  // as typed: the sets are below the folder it names
    job.backup.LogFileName = L"C:\\LOGS\\job.log";
    system.files[L"C:\\Windows\\System32\\tpbackup.ini"] = {writeJobFile(job)};
    system.folders = {L"E:\\Backup", L"E:\\Backup\\2026-12-07_023000_normal", L"E:\\Backup\\other"};
    const JobStatus status = readJobStatus(system, scheduler);
    EXPECT_TRUE(status.registered);
    ASSERT_TRUE(status.job);
    EXPECT_TRUE(status.task.hasNotRun);
    ASSERT_EQ(status.sets.size(), 1u);
    EXPECT_EQ(status.sets[0].name, L"2026-12-07_023000_normal");
    EXPECT_EQ(scheduler.asked, (std::vector<std::wstring>{L"Lorvane\\tpbackup", L"Lorvane\\tpbackup"}));
}

TEST(ScheduleWords, NameTheDaysAndTheTime) {
    const std::pair<ScheduleRecord, std::wstring> rows[] = {
        {test::Schedule(runUnit::Every, dateMode::Weekdays, {1, 5}, 2, 30), L"毎週 月・金 02:30"},
        {test::Schedule(runUnit::Every, dateMode::DaysOfMonth, {1, 15}, 23, 5), L"毎月 1・15日 23:05"},
        {test::Schedule(runUnit::Every, dateMode::Weekdays, {}, 2, 30), L"毎日 02:30"},
        {test::Schedule(runUnit::Next, dateMode::Weekdays, {0}, 2, 30), L"次回 日 02:30"},
        {test::Schedule(runUnit::Tomorrow, dateMode::Weekdays, {}, 7, 0), L"明日 07:00"},
    };
    for (const auto& [schedule, words] : rows) EXPECT_EQ(scheduleWords(schedule), words);
}

}  // namespace
}  // namespace lorvane::backup
