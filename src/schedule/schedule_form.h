// The schedule dialog: the run time, the run unit (today, tomorrow, every, next)
// and, for every and next, the days of the month or the weekdays. OK checks the
// time and stores ScheduleSettings; after every close the program
// shows its main menu again.
#pragma once

#include "core/settings.h"
#include "toolkit/choices.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/list_box.h"
#include "toolkit/text_box.h"
#include "toolkit/up_down.h"

namespace lorvane {

class ScheduleForm final : public tk::Form {
public:
    ScheduleForm();

    tk::Frame fraRunUnit{*this, L"fraRunUnit"};
    tk::OptionButton optRunToday{fraRunUnit, L"optRunToday"};
    tk::OptionButton optRunTomorrow{fraRunUnit, L"optRunTomorrow"};
    tk::OptionButton optRunEvery{fraRunUnit, L"optRunEvery"};
    tk::OptionButton optRunNext{fraRunUnit, L"optRunNext"};
    tk::Frame fraRunDate{*this, L"fraRunDate"};
    tk::OptionButton optDate{fraRunDate, L"optDate"};
    tk::OptionButton optWeekday{fraRunDate, L"optWeekday"};
    tk::ListBox lstDate{fraRunDate, L"lstDate"};
    tk::ListBox lstWeekday{fraRunDate, L"lstWeekday"};
    tk::Frame fraRunTime{*this, L"fraRunTime"};
    tk::TextBox txtHour{fraRunTime, L"txtHour"};
    tk::TextBox txtMinute{fraRunTime, L"txtMinute"};
    tk::Button cmdOk{*this, L"cmdOk"};
    tk::Button cmdCancel{*this, L"cmdCancel"};
    tk::UpDown udnHour{fraRunTime, L"udnHour"};
    tk::UpDown udnMinute{fraRunTime, L"udnMinute"};
    tk::Label lblHour{fraRunTime, L"lblHour"};
    tk::Label lblMinute{fraRunTime, L"lblMinute"};

protected:
    void Form_Load() override;

private:
    void cmdOk_Click();
    void cmdCancel_Click();
    void optRunToday_Click();
    void optRunTomorrow_Click();
    void optRunEvery_Click();
    void optRunNext_Click();
    void optDate_Click();
    void optWeekday_Click();

    void dateModeStep();
    // Whether the run unit asks for days: every and next do, today and tomorrow do not.
    enum class RunDates { Asked, NotAsked };
    // Turns the date area on, or clears it and turns it off.
    void subSetRunDate(RunDates dates);
    // Deselects every item of the list.
    static void subClearList(tk::ListBox& list);
};

}  // namespace lorvane
