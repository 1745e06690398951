// Which sets a run keeps, and the files that readers take from a set and a job.
#include <gtest/gtest.h>

#include "backup/backup_sets.h"
#include "backup/restore_chain.h"
#include "apply/job_file.h"
#include "core/utf16.h"

namespace lorvane::backup {
namespace {

// A history, oldest first: N normal, C copy, I incremental, D differential, Y daily;
// then + success, ~ partial, ! failed, ? never finished.
std::vector<FoundSet> history(std::string_view sets) {
    std::vector<FoundSet> found;
    for (std::size_t i = 0; i + 1 < sets.size() + 1; i += 3) {
        const Int16 type = static_cast<Int16>(std::string_view("NCIDY").find(sets[i]));
        const DateTime started = DateTime::fromCivil({2026, 12, 1 + static_cast<int>(i / 3), 2, 30, 0});
        FoundSet set{setName(started, type), {started, type}, std::nullopt};
        if (sets[i + 1] != '?') {
            ResultRecord record;
            record.result = sets[i + 1] == '+'   ? SetResult::Success
                            : sets[i + 1] == '~' ? SetResult::Partial
                                                 : SetResult::Failed;
            set.record = record;
        }
        found.push_back(set);
    }
    return found;
}

struct Retention {
    const char* name;
    std::string_view sets;
    int keepFull;
    bool replace;
    std::vector<int> deleted;  // positions in the history
};

class KeptSets : public testing::TestWithParam<Retention> {};

TEST_P(KeptSets, NeverLoseASetThatAKeptSetNeeds) {
    const std::vector<FoundSet> sets = history(GetParam().sets);
    std::vector<std::wstring> expected;
    for (int i : GetParam().deleted) expected.push_back(sets[i].name);
    EXPECT_EQ(setsToDelete(sets, GetParam().keepFull, GetParam().replace), expected);
}

INSTANTIATE_TEST_SUITE_P(
    , KeptSets,
    testing::Values(
        Retention{"AppendKeepsAll", "N+ I+ I+ N+ I+", 0, false, {}},
        Retention{"KeepOneFullWithItsIncrementals", "N+ I+ I+ N+ I+", 1, false, {0, 1, 2}},
        Retention{"KeepTwoFulls", "N+ I+ N+ I+ N+ D+", 2, false, {0, 1}},
        Retention{"AFailedFullIsNoBase", "N+ I+ N! I+", 1, false, {}},
        Retention{"APartialFullIsABase", "N+ I+ N~ I+", 1, false, {0, 1}},
        Retention{"NothingGoesAfterAFailedRun", "N+ I+ N+ N!", 1, false, {}},
        Retention{"AnUnfinishedSetIsOlderThanTheKeptFull", "N+ I? N+", 1, false, {0, 1}},
        Retention{"ReplaceAfterAFullTakesAllEarlier", "N+ I+ C+ N+", 0, true, {0, 1, 2}},
        Retention{"ReplaceKeepsTheIncrementalsChain", "N+ I+ N+ I+ I+", 0, true, {0, 1}},
        Retention{"ReplaceKeepsTheDifferentialsFull", "N+ D+ N+ D+ D+", 0, true, {0, 1, 3}},
        Retention{"ReplaceWaitsForSuccess", "N+ I+ N~", 0, true, {}},
        Retention{"ReplaceKeepsAFailedFullThatClearedBits", "N+ N! D+", 0, true, {}},
        Retention{"ReplaceOfAnIncrementalWithNoBaseKeepsAll", "I+ I+", 0, true, {}}),
    [](const auto& info) { return info.param.name; });

struct Restorable {
    const char* name;
    std::string_view sets;
    std::size_t chosen;
    std::vector<std::size_t> chain;  // empty: refused with a reason
};

class RestoreChains : public testing::TestWithParam<Restorable> {};

TEST_P(RestoreChains, TakeEverySetTheStateNeedsOrSayWhyNot) {
    const Chain chain = restoreChain(history(GetParam().sets), GetParam().chosen);
    EXPECT_EQ(chain.sets, GetParam().chain);
    EXPECT_EQ(chain.failure.empty(), !GetParam().chain.empty()) << testing::PrintToString(chain.failure.size());
}

INSTANTIATE_TEST_SUITE_P(
    , RestoreChains,
    testing::Values(
        Restorable{"ANormalStandsAlone", "N+ I+ N+", 2, {2}},
        Restorable{"IncrementalsInOrder", "N+ I+ I+ I+", 3, {0, 1, 2, 3}},
        Restorable{"TheNewestNormalIsTheBase", "N+ I+ N+ I+", 3, {2, 3}},
        Restorable{"ADifferentialTakesItsNormalOnly", "N+ D+ D+", 2, {0, 2}},
        Restorable{"DifferentialsBetweenAreNotNeeded", "N+ I+ D+ I+", 3, {0, 1, 3}},
        Restorable{"AnIncrementalBetweenADifferentialAndItsNormal", "N+ I+ D+", 2, {0, 1, 2}},
        Restorable{"AFailedIncrementalBetweenIsKept", "N+ I! I+", 2, {0, 1, 2}},
        Restorable{"AFailedNormalBetweenIsKept", "N+ N! D+", 2, {0, 1, 2}},
        Restorable{"APartialNormalIsABase", "N~ I+", 1, {0, 1}},
        Restorable{"CopyAndDailyStandAlone", "N+ C+ Y+", 2, {2}},
        Restorable{"AHalfWrittenIncrementalBreaksTheChain", "N+ I? I+", 2, {}},
        Restorable{"AHalfWrittenDifferentialBetweenDoesNot", "N+ D? D+", 2, {0, 2}},
        Restorable{"NoNormalBefore", "I+ I+", 1, {}},
        Restorable{"AFailedNormalIsNoBase", "N! I+", 1, {}},
        Restorable{"AfterAReplaceTookTheNormal", "D+", 0, {}},
        Restorable{"TheChosenSetHalfWritten", "N+ I?", 1, {}},
        Restorable{"TheChosenSetFailed", "N+ I!", 1, {}}),
    [](const auto& info) { return info.param.name; });

TEST(SetNames, SortByTimeAndReadBack) {
    const DateTime started = DateTime::fromCivil({2026, 12, 8, 2, 30, 5});
    EXPECT_EQ(setName(started, backupMode::Incremental), L"2026-12-08_023005_incremental");
    for (const auto& [name, valid] : std::vector<std::pair<std::wstring, bool>>{
             {L"2026-12-08_023005_incremental", true}, {L"2026-12-08_023005_normal_2", true},
             {L"2026-02-31_023005_normal", false},     {L"2026-12-08_023005_full", false},
             {L"2026-12-08_0230_normal", false},       {L"C", false},
             {L"2026-12-08_023005_normal_x", false}})
        EXPECT_EQ(parseSetName(name).has_value(), valid) << testing::PrintToString(name.size());
}

TEST(ResultRecords, ReadBackWhatWasWrittenAndNothingDamaged) {
    ResultRecord record{L"2026-12-08_023005_daily", backupMode::Daily, DateTime::fromCivil({2026, 12, 8, 2, 30, 5}),
                        DateTime::fromCivil({2026, 12, 8, 3, 1, 0}), SetResult::Partial, true, 10, 1u << 30, 2, 1,
                        L"ﾌｫﾙﾀﾞ C:\\DATA の 2 個のﾌｧｲﾙをｺﾋﾟｰできませんでした。", L"success 20/20 2026-12-08_023005_daily"};
    const std::string bytes = writeResultRecord(record);
    const std::optional<ResultRecord> back = readResultRecord(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->set, record.set);
    EXPECT_EQ(back->ended, record.ended);
    EXPECT_EQ(back->result, SetResult::Partial);
    EXPECT_EQ(back->bytes, record.bytes);
    EXPECT_EQ(back->reason, record.reason);
    EXPECT_EQ(back->drill, record.drill);
    EXPECT_NE(decodeUtf16Le(bytes)->find(L"\r\nresult=partial\r\nexitcode=1\r\n"), std::wstring::npos);
    EXPECT_FALSE(readResultRecord(bytes.substr(0, bytes.size() / 2)));
    EXPECT_FALSE(readResultRecord("result=success\r\n"));
}

TEST(JobFiles, ReadBackEveryFieldAndRefuseWhatCannotBeRead) {
    Job job;
    job.backup = {{L"C:\\DATA", L"\\\\srv\\share\\x"}, 1, 1, 0, 1, 0, L"週次 100%", backupMode::Differential,
                  L"C:\\LOGS\\job.log", 1, L"E:\\", 3};
    job.schedule.RunUnit = runUnit::Every;
    job.schedule.DateMode = dateMode::Weekdays;
    job.schedule.RunWeekday[1] = job.schedule.RunWeekday[5] = kTrue;
    job.schedule.RunDate[30] = kTrue;
    job.schedule.RunHour = 2;
    job.schedule.RunMinute = 5;
    job.drillEvery = 7;
    const std::string bytes = writeJobFile(job);
    const JobRead read = readJobFile(bytes);
    ASSERT_TRUE(read.job) << testing::PrintToString(read.failure.size());
    const BackupRecord& b = read.job->backup;
    EXPECT_EQ(b.BackupPath, job.backup.BackupPath);
    EXPECT_EQ(std::tie(b.WriteMode, b.Verify, b.RegBackup, b.Restriction, b.Compression, b.BackupMode, b.LogFileMode,
                       b.KeepFullSets),
              std::tie(job.backup.WriteMode, job.backup.Verify, job.backup.RegBackup, job.backup.Restriction,
                       job.backup.Compression, job.backup.BackupMode, job.backup.LogFileMode, job.backup.KeepFullSets));
    EXPECT_EQ(std::tie(b.Guide, b.LogFileName, b.Destination),
              std::tie(job.backup.Guide, job.backup.LogFileName, job.backup.Destination));
    const ScheduleRecord& s = read.job->schedule;
    EXPECT_EQ(s.RunWeekday, job.schedule.RunWeekday);
    EXPECT_EQ(s.RunDate, job.schedule.RunDate);
    EXPECT_EQ(std::tie(s.RunUnit, s.DateMode, s.RunHour, s.RunMinute), std::tie(job.schedule.RunUnit,
              job.schedule.DateMode, job.schedule.RunHour, job.schedule.RunMinute));
    EXPECT_EQ(read.job->drillEvery, 7);

    std::wstring text = *decodeUtf16Le(bytes);
    for (const auto& [from, to] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"format=1", L"format=2"}, {L"type=differential", L"type=full"}, {L"time=02:05", L"time=25:00"},
             {L"weekdays=1,5", L"weekdays=7"}, {L"verify=1", L"verify=yes"}, {L"keep=3", L"colour=3"},
             {L"drill=7", L"drill=often"}}) {
        std::wstring damaged = text;
        damaged.replace(damaged.find(from), from.size(), to);
        EXPECT_FALSE(readJobFile(encodeUtf16Le(damaged)).job) << testing::PrintToString(to.size());
    }
    EXPECT_FALSE(readJobFile(bytes.substr(2)).job) << "no byte order mark";
}

// At start on the copy path: the whole job with both flags, or nothing of it and a word why.
TEST(JobFiles, TheProgramStartsWithTheRegisteredJobOrWithNothingOfIt) {
    Job job;
    job.backup.BackupPath = {L"C:\\DATA"};
    job.backup.Destination = L"E:\\Backup";
    job.backup.LogFileName = L"C:\\LOGS\\job.log";
    job.backup.Verify = 1;
    job.schedule.RunUnit = runUnit::Every;
    job.schedule.RunHour = 2;
    const std::string good = writeJobFile(job);
    std::string newer = encodeUtf16Le(decodeUtf16Le(good)->replace(decodeUtf16Le(good)->find(L"format=1"), 8, L"format=2"));
    const struct {
        const char* name;
        std::optional<std::string> file;
        bool loaded;
        const wchar_t* says;  // in the message; empty: no message
    } rows[] = {
        {"NoJobFile", std::nullopt, false, L""},
        {"TheJob", good, true, L""},
        {"DamagedHalfway", good.substr(0, good.size() / 2 + 1), false, L"既定の設定で始めます"},
        {"ANewerVersionsFile", newer, false, L"新しい版"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Settings settings;
        settings.BackupSettings.LogFileName = L"C:\\WINDOWS\\tpbackup.log";
        const std::wstring message = startFromJob(settings, row.file);
        EXPECT_EQ(message.empty(), *row.says == 0);
        EXPECT_NE(message.find(row.says), std::wstring::npos);
        EXPECT_EQ(settings.BackupInfoSet == kTrue && settings.ScheduleSet == kTrue, row.loaded);
        EXPECT_EQ(settings.BackupSettings.BackupPath.size(), row.loaded ? 1u : 0u) << "nothing half loaded";
        EXPECT_EQ(settings.BackupSettings.LogFileName, row.loaded ? L"C:\\LOGS\\job.log" : L"C:\\WINDOWS\\tpbackup.log");
        EXPECT_EQ(settings.ScheduleSettings.RunUnit, row.loaded ? runUnit::Every : 0);
    }
}

}  // namespace
}  // namespace lorvane::backup
