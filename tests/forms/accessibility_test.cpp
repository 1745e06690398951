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

}  // namespace
}  // namespace lorvane::test
