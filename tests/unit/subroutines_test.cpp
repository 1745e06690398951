#include <gtest/gtest.h>

#include "core/subroutines.h"
#include "fake_host.h"

namespace lorvane::test {
namespace {

TEST(SubWait, ReturnsAtTheFirstCheckThatReachesStartPlusSeconds) {
    FakeHost host;
    host.clockStep = 1;
    const DateTime start = host.clock;
    subWait(4);
    // One read for the start, then one per check until start + 4 <= now.
    EXPECT_EQ(host.clock, start.addSeconds(5));

    host.clockReads = 0;
    subWait(0);
    EXPECT_EQ(host.clockReads, 2) << "zero returns at the first check";
    host.clockReads = 0;
    subWait(-3);
    EXPECT_EQ(host.clockReads, 2);
    EXPECT_THROW(subWait(40000), std::overflow_error);
}

TEST(StartValues, LogFileComesFromTheWindowsDirectoryAndTheRestIsCleared) {
    struct Case {
        std::wstring windowsDir, logFile;
    };
    for (const Case& c : {Case{L"C:\\WINNT", L"C:\\WINNT\\tpbackup.log"}, Case{L"", L"\\tpbackup.log"},
                          Case{L"C:\\", L"C:\\\\tpbackup.log"}}) {
        SCOPED_TRACE(std::string(c.windowsDir.begin(), c.windowsDir.end()));
        FakeHost host;
        host.windowsDir = c.windowsDir;
        Settings settings;
        settings.BackupSettings = {{L"C:\\DATA"}, 1, 1, 1, 1, 1, L"desc", 3, L"x", 1, L""};
        settings.ScheduleSettings.RunUnit = 3;
        settings.BackupInfoSet = kTrue;
        settings.ScheduleSet = kTrue;
        subSetStartValues(settings);

        const BackupRecord& b = settings.BackupSettings;
        EXPECT_EQ(b.LogFileName, c.logFile);
        EXPECT_EQ(b.BackupPath, std::vector<std::wstring>{L"C:\\DATA"}) << "the folder list is left alone";
        EXPECT_EQ(settings.ScheduleSettings.RunUnit, 3) << "the schedule is left alone";
        for (Int16 v : {b.WriteMode, b.Verify, b.RegBackup, b.Restriction, b.Compression, b.BackupMode, b.LogFileMode,
                        settings.BackupInfoSet, settings.ScheduleSet})
            EXPECT_EQ(v, 0);
        EXPECT_EQ(b.Guide, L"");
    }
}

TEST(DateTime, CivilRoundTripAndWeekday) {
    struct Case {
        CivilTime civil;
        int weekday;
    };
    const Case cases[] = {{{1970, 1, 1, 0, 0, 0}, 4},
                          {{2026, 12, 7, 23, 59, 59}, 1},
                          {{2024, 2, 29, 12, 0, 0}, 4},
                          {{2000, 3, 1, 0, 0, 1}, 3},
                          {{1969, 12, 31, 23, 0, 0}, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.civil.year) + "-" + std::to_string(c.civil.month) + "-" +
                     std::to_string(c.civil.day));
        const DateTime t = DateTime::fromCivil(c.civil);
        const CivilTime back = t.civil();
        EXPECT_EQ(std::tie(back.year, back.month, back.day, back.hour, back.minute, back.second),
                  std::tie(c.civil.year, c.civil.month, c.civil.day, c.civil.hour, c.civil.minute, c.civil.second));
        EXPECT_EQ(t.weekday(), c.weekday) << c.civil.year << "-" << c.civil.month << "-" << c.civil.day;
    }
    EXPECT_EQ(DateTime::fromCivil({2026, 12, 31, 10, 0, 0}).addDays(1).civil().day, 1);
}

}  // namespace
}  // namespace lorvane::test
