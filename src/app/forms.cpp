#include "app/forms.h"

#include "app/menu_form.h"
#include "app/title_form.h"
#include "backupinfo/set_bk_info_form.h"
#include "logview/show_log_form.h"
#include "restore/restore_form.h"
#include "schedule/schedule_form.h"

namespace lorvane {
namespace {

// However a dialog closes (OK, cancel, exit, its close box), the main menu comes back.
void returnToMenu(tk::Form& dialog) {
    dialog.Unloaded = [] { frmMenu->Show(); };
}

}  // namespace

tk::FormRef<TitleForm> frmTitle;
tk::FormRef<MenuForm> frmMenu;
tk::FormRef<SetBkInfoForm> frmSetBkInfo{returnToMenu};
tk::FormRef<ScheduleForm> frmSetDate{returnToMenu};
tk::FormRef<ShowLogForm> frmShowLog{returnToMenu};
tk::FormRef<RestoreForm> frmRestore{returnToMenu};

}  // namespace lorvane
