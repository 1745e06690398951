#include <gtest/gtest.h>

#include "core/subroutines.h"
#include "fake_host.h"

namespace lorvane::test {
namespace {

struct FakeWindow final : PlaceableWindow {
    FakeWindow(float w, float h) : w(w), h(h) {}
    float Width() const override { return w; }
    float Height() const override { return h; }
    void Top(float t) override {
        top = t;
        order += L"T";
    }
    void Left(float l) override {
        left = l;
        order += L"L";
    }
    float w, h;
    float top = -1, left = -1;
    std::wstring order;
};

struct Placement {
    Int16 mode;
    float w, h;
    float top, left;
};

// A 1024 x 768 screen at 15 twips a pixel: 15360 x 11520 twips.
const Placement placements[] = {
    {1, 7500, 5000, 3260, 3930},         // centred
    {2, 7500, 5000, 0, 0},
    {3, 7500, 5000, 0, 7860},
    {4, 7500, 5000, 6520, 0},
    {5, 7500, 5000, 6520, 7860},
    {1, 20000, 12000, 0, 0},             // larger than the screen: both edges kept on it
    {5, 7500, 12000, 0, 7860},           // taller only: top corrected, left stays W - w
    {5, 20000, 5000, 6520, 0},
    {1, 15360, 11520, 0, 0},             // exactly the screen: nothing to correct
    {1, 7501, 5001, 3259.5f, 3929.5f},   // halves in floating point
};

TEST(SubMoveForm, PlacesByModeThenCorrectsOversizedWindows) {
    FakeHost host;
    for (const Placement& p : placements) {
        SCOPED_TRACE(testing::Message() << "mode " << p.mode << ", " << p.w << " x " << p.h);
        FakeWindow window(p.w, p.h);
        subMoveForm(window, p.mode);
        EXPECT_FLOAT_EQ(window.top, p.top) << "mode " << p.mode << " " << p.w << "x" << p.h;
        EXPECT_FLOAT_EQ(window.left, p.left) << "mode " << p.mode << " " << p.w << "x" << p.h;
        EXPECT_EQ(window.order, L"TL") << "top is set before left";
    }
    EXPECT_TRUE(host.messages.empty());
}

TEST(SubMoveForm, OtherModesShowTheArgumentErrorAndMoveNothing) {
    FakeHost host;
    for (Int16 mode : {Int16(0), Int16(6), Int16(-1), Int16(7), Int16(-32768)}) {
        host.messages.clear();
        FakeWindow window(7500, 5000);
        subMoveForm(window, mode);
        EXPECT_EQ(window.order, L"");
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, L"引数エラー\r\n\r\n関数名：subMoveForm\r\n引数名：prmMode\r\n値\u3000\u3000\uFF1A" +
                                             std::to_wstring(mode));
        EXPECT_EQ(host.messages[0].style, 0);
    }
}

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
        settings.BackupSettings = {{L"C:\\DATA"}, 1, 1, 1, 1, 1, L"desc", 3, L"x", 1};
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
