#include "schedule/schedule_form.h"

#include <initializer_list>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "core/host.h"
#include "core/subroutines.h"
#include "toolkit/typed_number.h"
#include "placement/placement.h"

namespace lorvane {
namespace {

constexpr int kDays = 31;
const wchar_t* const kWeekdays[] = {L"日", L"月", L"火", L"水", L"木", L"金", L"土"};
constexpr wchar_t kTimeInvalid[] = L"時刻の指定に誤りがあります。";

// A time box's text as a whole number (see typedWholeNumber); nothing beyond 16 bits.
std::optional<Int16> wholeNumber(const std::wstring& text) {
    const std::optional<long long> number = tk::typedWholeNumber(text);
    if (!number || *number < std::numeric_limits<Int16>::min() || *number > std::numeric_limits<Int16>::max())
        return std::nullopt;
    return static_cast<Int16>(*number);
}

Int16 flag(bool on) { return on ? kTrue : kFalse; }

}  // namespace

ScheduleForm::ScheduleForm() {
    Caption(L"Lorvane - 日付の設定");
    borderStyle = tk::BorderStyle::FixedSingle;
    MinButton = false;
    MaxButton = false;
    clientSize(5850, 3420);

    // Two columns: the run unit above the run time on the left, the run date
    // above OK and cancel on the right. The run unit's options one below the other.
    fraRunUnit.Move(120, 90, 2400, 2340);
    fraRunUnit.Caption(L"実行単位");
    float top = 360;
    for (auto [option, caption] : {std::pair{&optRunToday, L"今日"}, std::pair{&optRunTomorrow, L"明日"},
                                   std::pair{&optRunEvery, L"毎回"}, std::pair{&optRunNext, L"次回"}}) {
        option->Move(180, top, 2100, 300);
        option->Caption(caption);
        top += 450;
    }

    // The run date to its right: the two modes side by side above their lists.
    fraRunDate.Move(2640, 90, 3090, 2340);
    fraRunDate.Caption(L"実行日付");
    optDate.Move(180, 360, 1320, 300);
    optDate.Caption(L"日付指定");
    optWeekday.Move(1590, 360, 1320, 300);
    optWeekday.Caption(L"曜日指定");
    lstDate.Move(180, 750, 1320, 1440);
    lstWeekday.Move(1590, 750, 1320, 1440);
    lstDate.multiSelect = tk::MultiSelect::Simple;
    lstWeekday.multiSelect = tk::MultiSelect::Simple;

    // The run time below the run unit: hour and minute, each with its arrows.
    fraRunTime.Move(120, 2520, 2400, 780);
    fraRunTime.Caption(L"実行時間");
    struct TimeRow {
        tk::TextBox& box;
        tk::UpDown& arrows;
        tk::Label& label;
        const wchar_t* caption;
        int max;
        float left;
    };
    for (const TimeRow& row : {TimeRow{txtHour, udnHour, lblHour, L"時", 23, 180},
                               TimeRow{txtMinute, udnMinute, lblMinute, L"分", 59, 1260}}) {
        row.box.Move(row.left, 300, 450, 315);
        row.box.alignment = tk::Alignment::Right;
        row.box.Text(L"0");
        row.arrows.Move(row.left + 450, 300, 240, 315);
        row.arrows.BuddyControl = &row.box;
        row.arrows.Min = 0;
        row.arrows.Max = row.max;
        row.arrows.Increment = 1;
        row.label.Move(row.left + 750, 360, 195, 225);
        row.label.Caption(row.caption);
        row.label.names = &row.box;
    }

    // OK and cancel along the bottom, level with the run time's lower edge.
    cmdOk.Move(3390, 2955, 1125, 345);
    cmdOk.Caption(L"OK");
    cmdCancel.Move(4605, 2955, 1125, 345);
    cmdCancel.Caption(L"ｷｬﾝｾﾙ");

    int tab = 0;
    for (tk::Control* control : std::initializer_list<tk::Control*>{
             &fraRunUnit, &optRunToday, &optRunTomorrow, &optRunEvery, &optRunNext, &fraRunDate, &optDate,
             &optWeekday, &lstDate, &lstWeekday, &fraRunTime, &txtHour, &txtMinute, &cmdOk, &cmdCancel,
             &udnHour, &udnMinute, &lblHour, &lblMinute})
        control->TabIndex(tab++);

    // Selected in the design, before any handler is bound.
    optRunToday.Value(true);
    optDate.Value(true);

    cmdOk.Click = [this] { cmdOk_Click(); };
    cmdCancel.Click = [this] { cmdCancel_Click(); };
    optRunToday.Click = [this] { optRunToday_Click(); };
    optRunTomorrow.Click = [this] { optRunTomorrow_Click(); };
    optRunEvery.Click = [this] { optRunEvery_Click(); };
    optRunNext.Click = [this] { optRunNext_Click(); };
    optDate.Click = [this] { optDate_Click(); };
    optWeekday.Click = [this] { optWeekday_Click(); };
}

void ScheduleForm::Form_Load() {
    subMoveForm(*this, placement::Centre);
    for (int day = 1; day <= kDays; ++day) lstDate.AddItem(std::to_wstring(day) + L"日");
    for (const wchar_t* weekday : kWeekdays) lstWeekday.AddItem(weekday);
    optDate.Value(true);      // runs the date-mode step
    optRunToday.Value(true);  // turns the date area off
}

void ScheduleForm::cmdOk_Click() {
    const std::optional<Int16> hour = wholeNumber(txtHour.Text());
    const std::optional<Int16> minute = wholeNumber(txtMinute.Text());
    if (!hour || !minute || *minute > 59 || *minute < 0 || *hour < 0 || *hour > 23) {
        MsgBox(kTimeInvalid, mb::Exclamation);
        return;
    }
    if (optRunToday.Value()) {
        if (todayTimePassed(host().now(), *hour, *minute)) {
            MsgBox(kTimePassed, mb::Exclamation);
            return;
        }
    }

    Settings& settings = mdlMain();
    ScheduleRecord& schedule = settings.ScheduleSettings;
    schedule.RunUnit = optRunToday.Value()      ? runUnit::Today
                       : optRunTomorrow.Value() ? runUnit::Tomorrow
                       : optRunEvery.Value()    ? runUnit::Every
                                                : runUnit::Next;
    schedule.DateMode = optDate.Value() ? dateMode::DaysOfMonth : dateMode::Weekdays;
    if (schedule.DateMode == dateMode::DaysOfMonth) {
        for (int k = 0; k < kDays; ++k) schedule.RunDate[static_cast<size_t>(k)] = flag(lstDate.Selected(k));
    } else {
        for (int k = 0; k < static_cast<int>(std::size(kWeekdays)); ++k)
            schedule.RunWeekday[static_cast<size_t>(k)] = flag(lstWeekday.Selected(k));
    }
    schedule.RunHour = *hour;
    schedule.RunMinute = *minute;
    settings.ScheduleSet = kTrue;
    Unload();
}

void ScheduleForm::cmdCancel_Click() { Unload(); }

void ScheduleForm::optRunToday_Click() { subSetRunDate(RunDates::NotAsked); }
void ScheduleForm::optRunTomorrow_Click() { subSetRunDate(RunDates::NotAsked); }
void ScheduleForm::optRunEvery_Click() { subSetRunDate(RunDates::Asked); }
void ScheduleForm::optRunNext_Click() { subSetRunDate(RunDates::Asked); }
void ScheduleForm::optDate_Click() { dateModeStep(); }
void ScheduleForm::optWeekday_Click() { dateModeStep(); }

// Both date-mode options decide by optDate; the list that is left is cleared.
void ScheduleForm::dateModeStep() {
    if (optDate.Value()) {
        lstDate.Enabled(true);
        subClearList(lstWeekday);
        lstWeekday.Enabled(false);
    } else {
        subClearList(lstDate);
        lstDate.Enabled(false);
        lstWeekday.Enabled(true);
    }
}

void ScheduleForm::subSetRunDate(RunDates dates) {
    if (dates == RunDates::Asked) {
        fraRunDate.Enabled(true);
        optDate.Enabled(true);
        optWeekday.Enabled(true);
        lstDate.Enabled(optDate.Value());
        lstWeekday.Enabled(!optDate.Value());
    } else {
        optDate.Enabled(false);
        optWeekday.Enabled(false);
        subClearList(lstDate);
        lstDate.Enabled(false);
        subClearList(lstWeekday);
        lstWeekday.Enabled(false);
        fraRunDate.Enabled(false);
    }
}

void ScheduleForm::subClearList(tk::ListBox& list) {
    for (int k = 0; k < list.ListCount(); ++k) list.Selected(k, false);
}

}  // namespace lorvane
