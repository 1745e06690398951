// What assistive technology and keyboard users get from the windows: the
// boxes are named by their labels, arrows move within option groups.
#include <string>

#include "app/forms.h"
#include "app/menu_form.h"
#include "backupinfo/select_path_form.h"
#include "backupinfo/set_bk_info_form.h"
#include "form_test_support.h"
#include "schedule/schedule_form.h"

namespace lorvane::test {
namespace {

using Accessibility = WindowTest;

TEST_F(Accessibility, EachBoxIsNamedByTheLabelBeforeIt) {
    frmMenu->Show();
    tk::user::click(frmMenu->cmdSetBkupInfo);
    SetBkInfoForm& backup = *frmSetBkInfo;
    SelectPathForm& picker = frmSelectPath.get();
    picker.Hide();  // loaded, as the backup dialog loads it
    picker.lblPath.Caption(L"ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽ");
    ScheduleForm& schedule = *frmSetDate;
    schedule.Show();

    struct Case {
        const char* name;
        tk::Control& box;
        std::wstring label;
    };
    const Case cases[] = {
        {"description", backup.txtGuide, L"説明"},
        {"backup type", backup.cboBackupMode, L"ﾊﾞｯｸｱｯﾌﾟの種類"},
        {"log file", backup.txtLogFileName, L"ﾛｸﾞﾌｧｲﾙ"},
        {"copy destination", backup.txtDestination, L"ﾌｫﾙﾀﾞ"},
        {"hour", schedule.txtHour, L"時"},
        {"minute", schedule.txtMinute, L"分"},
        {"picked path, captioned by the caller", picker.txtPath, L"ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽ"},
        // No label in the design: the frame and the option buttons say what they hold.
        {"backup folders", backup.lstBackupPath, L""},
        {"days of the month", schedule.lstDate, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(tk::testing::labelBefore(c.box), c.label);
    }
    picker.Unload();
}

// An arrow key on an option button chooses the next or previous button of its
// group, wrapping, and runs what a click runs: the schedule's date area follows.
TEST_F(Accessibility, ArrowKeysChooseWithinAnOptionGroup) {
    using Option = tk::OptionButton ScheduleForm::*;
    struct Case {
        const char* name;
        Option start;  // chosen with the mouse first
        int key;
        Option chosen;
        bool dateAreaOn;
    };
    const Case cases[] = {
        {"down from today", &ScheduleForm::optRunToday, tk::key::Down, &ScheduleForm::optRunTomorrow, false},
        {"down from tomorrow", &ScheduleForm::optRunTomorrow, tk::key::Down, &ScheduleForm::optRunEvery, true},
        {"right from every", &ScheduleForm::optRunEvery, tk::key::Right, &ScheduleForm::optRunNext, true},
        {"up from today wraps", &ScheduleForm::optRunToday, tk::key::Up, &ScheduleForm::optRunNext, true},
        {"down from next wraps", &ScheduleForm::optRunNext, tk::key::Down, &ScheduleForm::optRunToday, false},
        {"left from every", &ScheduleForm::optRunEvery, tk::key::Left, &ScheduleForm::optRunTomorrow, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tk::testing::begin();
        frmMenu->Show();
        tk::user::click(frmMenu->cmdSetDate);
        ScheduleForm& form = *frmSetDate;
        tk::user::click(form.*c.start);
        tk::user::pressKey(form.*c.start, c.key);

        for (Option option : {&ScheduleForm::optRunToday, &ScheduleForm::optRunTomorrow, &ScheduleForm::optRunEvery,
                              &ScheduleForm::optRunNext})
            EXPECT_EQ((form.*option).Value(), option == c.chosen);
        EXPECT_EQ(form.fraRunDate.Enabled(), c.dateAreaOn);
        EXPECT_EQ(form.lstDate.effectivelyEnabled(), c.dateAreaOn);
        tk::unloadAllForms();
    }
}

TEST_F(Accessibility, ArrowKeysMoveOnlyWithinTheirOwnGroup) {
    frmMenu->Show();
    tk::user::click(frmMenu->cmdSetBkupInfo);
    SetBkInfoForm& form = *frmSetBkInfo;
    tk::user::pressKey(form.optWriteMode1, tk::key::Down);
    EXPECT_TRUE(form.optWriteMode2.Value());
    EXPECT_TRUE(form.optLogFileMode1.Value()) << "the log group keeps its choice";
    tk::user::pressKey(form.optLogFileMode1, tk::key::Up);
    EXPECT_TRUE(form.optLogFileMode2.Value());
    EXPECT_TRUE(form.optWriteMode2.Value()) << "the write mode group keeps its choice";

    frmMenu->Show();  // the schedule dialog's date modes, off while the unit is today
    tk::user::click(frmMenu->cmdSetDate);
    ScheduleForm& schedule = *frmSetDate;
    tk::user::pressKey(schedule.optDate, tk::key::Right);
    EXPECT_TRUE(schedule.optDate.Value()) << "a disabled group does not move";
    tk::user::click(schedule.optRunEvery);
    tk::user::pressKey(schedule.optDate, tk::key::Right);
    EXPECT_TRUE(schedule.optWeekday.Value());
    EXPECT_TRUE(schedule.lstWeekday.effectivelyEnabled());
    EXPECT_FALSE(schedule.lstDate.effectivelyEnabled());
}

}  // namespace
}  // namespace lorvane::test
