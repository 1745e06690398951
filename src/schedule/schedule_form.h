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

    tk::Frame fraRunUnit{*this};
    tk::OptionButton optRunToday{fraRunUnit};
    tk::OptionButton optRunTomorrow{fraRunUnit};
    tk::OptionButton optRunEvery{fraRunUnit};
    tk::OptionButton optRunNext{fraRunUnit};
    tk::Frame fraRunDate{*this};
    tk::OptionButton optDate{fraRunDate};
    tk::OptionButton optWeekday{fraRunDate};
    tk::ListBox lstDate{fraRunDate};
    tk::ListBox lstWeekday{fraRunDate};
    tk::Frame fraRunTime{*this};
    tk::TextBox txtHour{fraRunTime};
    tk::TextBox txtMinute{fraRunTime};
    tk::Button cmdOk{*this};
    tk::Button cmdCancel{*this};
    tk::UpDown udnHour{fraRunTime};
    tk::UpDown udnMinute{fraRunTime};
    tk::Label lblHour{fraRunTime};
    tk::Label lblMinute{fraRunTime};

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
    void showSchedule(const ScheduleRecord& schedule);
};

}  // namespace lorvane
