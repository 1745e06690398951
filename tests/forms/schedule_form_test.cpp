#include "schedule/schedule_form.h"

#include <array>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/forms.h"
#include "app/menu_form.h"
#include "form_test_support.h"
#include "texts.h"

namespace lorvane::test {
namespace {

using texts::kTimeInvalid;
using texts::kTimePassed;
using Unit = tk::OptionButton ScheduleForm::*;

class ScheduleDialog : public WindowTest {
protected:
    // Opens the dialog from the main menu, as the user does.
    ScheduleForm& open() {
        if (!frmMenu.instance()) frmMenu->Show();
        tk::user::click(frmMenu->cmdSetDate);
        EXPECT_FALSE(frmMenu->Visible()) << "the menu hides while the dialog is open";
        return *frmSetDate;
    }
    void clockAt(int hour, int minute, int second) {
        const DateTime at = DateTime::fromCivil({2026, 12, 7, hour, minute, second});
        host.clock = [at] { return at; };
    }
    static void confirm(ScheduleForm& form, const wchar_t* hour, const wchar_t* minute) {
        tk::user::type(form.txtHour, hour);
        tk::user::type(form.txtMinute, minute);
        tk::user::click(form.cmdOk);
    }
    static std::vector<int> selected(const tk::ListBox& list) {
        std::vector<int> items;
        for (int k = 0; k < list.ListCount(); ++k)
            if (list.Selected(k)) items.push_back(k);
        return items;
    }
    template <size_t N>
    static std::vector<int> raised(const std::array<Int16, N>& flags) {
        std::vector<int> items;
        for (size_t k = 0; k < N; ++k) {
            EXPECT_TRUE(flags[k] == kTrue || flags[k] == kFalse) << "flag " << k << " is " << flags[k];
            if (flags[k] == kTrue) items.push_back(static_cast<int>(k));
        }
        return items;
    }
};

struct TimeCase {
    const char* name;
    Unit unit;
    const wchar_t *hour, *minute;
    int second;              // the clock stands at 09:30 and this second
    const wchar_t* outcome;  // the message shown, or the time stored
    friend std::ostream& operator<<(std::ostream& os, const TimeCase& c) { return os << c.name; }
};
using ScheduleDialogOk = Table<ScheduleDialog, TimeCase>;

TEST_P(ScheduleDialogOk, ChecksTheTimeBeforeItStoresIt) {
    const TimeCase& c = GetParam();
    clockAt(9, 30, c.second);
    ScheduleForm& form = open();
    tk::user::click(form.*c.unit);
    confirm(form, c.hour, c.minute);
    const ScheduleRecord& stored = mdlMain().ScheduleSettings;
    if (c.outcome == kTimeInvalid || c.outcome == kTimePassed) {
        ASSERT_EQ(messages().size(), 1u) << c.hour << ":" << c.minute;
        EXPECT_EQ(messages()[0].text, c.outcome);
        EXPECT_EQ(messages()[0].style, mb::Exclamation);
        EXPECT_EQ(mdlMain().ScheduleSet, kFalse);
        EXPECT_EQ(stored.RunUnit, 0) << "nothing stored";
        ASSERT_NE(frmSetDate.instance(), nullptr) << "the dialog stays open";
        EXPECT_EQ(form.txtHour.Text(), c.hour);
    } else {
        EXPECT_TRUE(messages().empty()) << c.hour << ":" << c.minute;
        EXPECT_EQ(mdlMain().ScheduleSet, kTrue);
        EXPECT_EQ(std::to_wstring(stored.RunHour) + L":" + std::to_wstring(stored.RunMinute), c.outcome);
        EXPECT_EQ(frmSetDate.instance(), nullptr);
    }
}

const Unit kToday = &ScheduleForm::optRunToday, kTomorrow = &ScheduleForm::optRunTomorrow;
INSTANTIATE_TEST_SUITE_P(
    , ScheduleDialogOk,
    // What reads as a number is the typed-number rules' own table; here, the dialog's use of them.
    ::testing::Values(TimeCase{"LastMinute", kTomorrow, L"23", L"59", 0, L"23:59"},
                      TimeCase{"BlanksAndLeadingZeros", kTomorrow, L" 07 ", L"005", 0, L"7:5"},
                      TimeCase{"Hour24", kTomorrow, L"24", L"0", 0, kTimeInvalid},
                      TimeCase{"NegativeHour", kTomorrow, L"-1", L"0", 0, kTimeInvalid},
                      TimeCase{"Minute60", kTomorrow, L"0", L"60", 0, kTimeInvalid},
                      TimeCase{"NegativeMinute", kTomorrow, L"0", L"-1", 0, kTimeInvalid},
                      TimeCase{"LettersForHour", kTomorrow, L"abc", L"0", 0, kTimeInvalid},
                      TimeCase{"HugeHour", kTomorrow, L"99999", L"0", 0, kTimeInvalid},
                      TimeCase{"TodayThisMinute", kToday, L"9", L"30", 0, L"9:30"},
                      TimeCase{"TodayPassed", kToday, L"9", L"30", 1, kTimePassed},
                      TimeCase{"TodayInvalidBeforePassed", kToday, L"24", L"30", 1, kTimeInvalid},
                      TimeCase{"TomorrowSameTime", kTomorrow, L"9", L"30", 1, L"9:30"},
                      TimeCase{"EveryMidnight", &ScheduleForm::optRunEvery, L"0", L"0", 1, L"0:0"},
                      // Typed with the input method on: full-width digits and spaces.
                      TimeCase{"FullWidthDigits", kTomorrow, L"０７", L"　３０　", 0, L"7:30"},
                      TimeCase{"FullWidthHour24", kTomorrow, L"２４", L"0", 0, kTimeInvalid},
                      TimeCase{"MinuteWithUnit", kTomorrow, L"0", L"３０分", 0, kTimeInvalid},
                      TimeCase{"NextPassedMinute", &ScheduleForm::optRunNext, L"9", L"29", 59, L"9:29"}),
    CaseName());

struct UnitCase {
    const char* name;
    Unit unit;
    bool byWeekday;
    std::vector<int> picks;
    Int16 runUnit, dateMode;
    friend std::ostream& operator<<(std::ostream& os, const UnitCase& c) { return os << c.name; }
};
using ScheduleDialogStore = Table<ScheduleDialog, UnitCase>;

TEST_P(ScheduleDialogStore, TheUnitTheModeAndOnlyTheListInUse) {
    const UnitCase& c = GetParam();
    ScheduleRecord& stored = mdlMain().ScheduleSettings;
    stored.RunDate.fill(kTrue);  // what an earlier OK left
    stored.RunWeekday.fill(kTrue);
    ScheduleForm& form = open();
    tk::user::click(form.*c.unit);
    if (c.byWeekday) tk::user::click(form.optWeekday);
    for (int k : c.picks) tk::user::select(c.byWeekday ? form.lstWeekday : form.lstDate, k);
    confirm(form, L"23", L"59");
    ASSERT_EQ(mdlMain().ScheduleSet, kTrue) << c.runUnit;
    EXPECT_EQ(stored.RunUnit, c.runUnit);
    EXPECT_EQ(stored.DateMode, c.dateMode);
    if (c.byWeekday) {
        EXPECT_EQ(raised(stored.RunWeekday), c.picks);
        EXPECT_EQ(raised(stored.RunDate).size(), 31u) << "the day list keeps what it held";
    } else {
        EXPECT_EQ(raised(stored.RunDate), c.picks);
        EXPECT_EQ(raised(stored.RunWeekday).size(), 7u) << "the weekday list keeps what it held";
    }
}

INSTANTIATE_TEST_SUITE_P(
    , ScheduleDialogStore,
    ::testing::Values(UnitCase{"EveryByDay", &ScheduleForm::optRunEvery, false, {0, 14}, 3, 1},
                      UnitCase{"NextByWeekday", &ScheduleForm::optRunNext, true, {1, 4}, 4, 2},
                      UnitCase{"NextByNoDay", &ScheduleForm::optRunNext, false, {}, 4, 1},
                      UnitCase{"Today", &ScheduleForm::optRunToday, false, {}, 1, 1},
                      UnitCase{"Tomorrow", &ScheduleForm::optRunTomorrow, false, {}, 2, 1}),
    CaseName());

TEST_F(ScheduleDialog, ADisabledListNeverHoldsASelection) {
    struct State {
        bool dateArea, days, weekdays;
        std::vector<int> daysPicked, weekdaysPicked;
    };
    struct Step {
        const char* what;
        std::function<void(ScheduleForm&)> act;
        State expected;
    };
    auto pick = [](tk::ListBox ScheduleForm::*list, std::vector<int> items) {
        return [list, items](ScheduleForm& f) {
            for (int k : items) tk::user::select(f.*list, k);
        };
    };
    auto click = [](Unit option) { return [option](ScheduleForm& f) { tk::user::click(f.*option); }; };
    const Step steps[] = {
        {"opened", [](ScheduleForm&) {}, {false, false, false, {}, {}}},
        {"disabled list clicked", pick(&ScheduleForm::lstDate, {3}), {false, false, false, {}, {}}},
        {"disabled mode clicked", click(&ScheduleForm::optWeekday), {false, false, false, {}, {}}},
        {"every", click(&ScheduleForm::optRunEvery), {true, true, false, {}, {}}},
        {"days 1 and 15", pick(&ScheduleForm::lstDate, {0, 14}), {true, true, false, {0, 14}, {}}},
        {"next keeps them", click(&ScheduleForm::optRunNext), {true, true, false, {0, 14}, {}}},
        {"tomorrow", click(&ScheduleForm::optRunTomorrow), {false, false, false, {}, {}}},
        {"every again", click(&ScheduleForm::optRunEvery), {true, true, false, {}, {}}},
        {"day 3", pick(&ScheduleForm::lstDate, {2}), {true, true, false, {2}, {}}},
        {"by weekday", click(&ScheduleForm::optWeekday), {true, false, true, {}, {}}},
        {"Monday", pick(&ScheduleForm::lstWeekday, {1}), {true, false, true, {}, {1}}},
        {"by day again", click(&ScheduleForm::optDate), {true, true, false, {}, {}}},
        {"today", click(&ScheduleForm::optRunToday), {false, false, false, {}, {}}},
    };
    ScheduleForm& form = open();
    for (const Step& step : steps) {
        step.act(form);
        const State& e = step.expected;
        EXPECT_EQ(form.fraRunDate.Enabled(), e.dateArea) << step.what;
        EXPECT_EQ(form.optDate.Enabled(), e.dateArea) << step.what;
        EXPECT_EQ(form.optWeekday.Enabled(), e.dateArea) << step.what;
        EXPECT_EQ(form.lstDate.Enabled(), e.days) << step.what;
        EXPECT_EQ(form.lstWeekday.Enabled(), e.weekdays) << step.what;
        EXPECT_EQ(selected(form.lstDate), e.daysPicked) << step.what;
        EXPECT_EQ(selected(form.lstWeekday), e.weekdaysPicked) << step.what;
    }
}

TEST_F(ScheduleDialog, EveryCloseShowsTheMenuAndOnlyOkStores) {
    mdlMain().BackupInfoSet = kTrue;
    ScheduleForm& first = open();
    tk::user::click(first.optRunEvery);
    tk::user::select(first.lstDate, 0);
    confirm(first, L"2", L"30");
    EXPECT_TRUE(frmMenu->Visible());
    EXPECT_TRUE(frmMenu->cmdSetSystem.Enabled()) << "both records confirmed";
    const ScheduleRecord earlier = mdlMain().ScheduleSettings;

    const std::function<void(ScheduleForm&)> closings[] = {
        [](ScheduleForm& f) { tk::user::click(f.cmdCancel); },
        [](ScheduleForm& f) { tk::user::closeBox(f); },
    };
    for (const auto& close : closings) {
        ScheduleForm& form = open();
        EXPECT_EQ(form.Caption(), texts::kScheduleTitle);
        EXPECT_TRUE(form.optRunToday.Value() && form.optDate.Value()) << "opens with the defaults";
        EXPECT_EQ(form.txtHour.Text() + L":" + form.txtMinute.Text(), L"0:0");
        ASSERT_EQ(form.lstDate.ListCount(), 31);
        EXPECT_EQ(form.lstDate.List(0) + form.lstDate.List(30), L"1日31日");
        ASSERT_EQ(form.lstWeekday.ListCount(), 7);
        EXPECT_EQ(form.lstWeekday.List(0) + form.lstWeekday.List(6), L"日土");
        EXPECT_TRUE(selected(form.lstDate).empty());

        tk::user::click(form.optRunNext);
        tk::user::click(form.optWeekday);
        tk::user::select(form.lstWeekday, 3);
        tk::user::type(form.txtHour, L"5");
        close(form);
        EXPECT_EQ(frmSetDate.instance(), nullptr);
        EXPECT_TRUE(frmMenu->Visible());
        EXPECT_EQ(mdlMain().ScheduleSet, kTrue);
        const ScheduleRecord& now = mdlMain().ScheduleSettings;
        EXPECT_TRUE(now.RunUnit == earlier.RunUnit && now.DateMode == earlier.DateMode &&
                    now.RunDate == earlier.RunDate && now.RunWeekday == earlier.RunWeekday &&
                    now.RunHour == earlier.RunHour && now.RunMinute == earlier.RunMinute);
    }
    EXPECT_TRUE(messages().empty());
}

struct ArrowCase {
    const char* name;
    bool hour;
    const wchar_t* typed;  // nullptr: as opened
    int steps;
    const wchar_t* shown;
    friend std::ostream& operator<<(std::ostream& os, const ArrowCase& c) { return os << c.name; }
};
using ScheduleDialogArrows = Table<ScheduleDialog, ArrowCase>;

TEST_P(ScheduleDialogArrows, StepTheBoxesAndStopAtTheEnds) {
    const ArrowCase& c = GetParam();
    ScheduleForm& form = open();
    tk::TextBox& box = c.hour ? form.txtHour : form.txtMinute;
    if (c.typed) tk::user::type(box, c.typed);
    tk::user::spin(c.hour ? form.udnHour : form.udnMinute, c.steps);
    EXPECT_EQ(box.Text(), c.shown) << (c.typed ? c.typed : L"") << " " << c.steps;
}

INSTANTIATE_TEST_SUITE_P(, ScheduleDialogArrows,
                         ::testing::Values(ArrowCase{"HourUpFromZero", true, nullptr, 1, L"1"},
                                           ArrowCase{"HourDownStopsAtZero", true, nullptr, -1, L"0"},
                                           ArrowCase{"HourUpStopsAt23", true, L"22", 3, L"23"},
                                           ArrowCase{"HourDownFromTooLarge", true, L"99", -1, L"23"},
                                           ArrowCase{"MinuteUpStopsAt59", false, L"58", 5, L"59"},
                                           ArrowCase{"MinuteFromLeadingZero", false, L"07", 1, L"8"},
                                           ArrowCase{"MinuteDownStopsAtZero", false, L"2", -4, L"0"},
                                           ArrowCase{"MinuteFromLetters", false, L"abc", 2, L"2"},
                                           ArrowCase{"HourFromFullWidth", true, L"０７", 1, L"8"},
                                           ArrowCase{"MinuteFromFullWidth", false, L"　５９　", -1, L"58"}),
                         CaseName());

}  // namespace
}  // namespace lorvane::test
