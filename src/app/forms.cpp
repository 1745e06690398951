#include "app/forms.h"

#include "app/menu_form.h"
#include "app/title_form.h"
#include "backupinfo/set_bk_info_form.h"
#include "logview/show_log_form.h"
#include "schedule/schedule_form.h"

namespace lorvane {

tk::FormRef<TitleForm> frmTitle;
tk::FormRef<MenuForm> frmMenu;
tk::FormRef<SetBkInfoForm> frmSetBkInfo;
tk::FormRef<ScheduleForm> frmSetDate;
tk::FormRef<ShowLogForm> frmShowLog;

}  // namespace lorvane
