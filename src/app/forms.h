// The program-wide references to the windows: each is created on first use
// and released when its window unloads.
#pragma once

#include "toolkit/form.h"

namespace lorvane {

class TitleForm;
class MenuForm;
class SetBkInfoForm;
class ScheduleForm;
class ShowLogForm;
class RestoreForm;

extern tk::FormRef<TitleForm> frmTitle;
extern tk::FormRef<MenuForm> frmMenu;
extern tk::FormRef<SetBkInfoForm> frmSetBkInfo;
extern tk::FormRef<ScheduleForm> frmSetDate;
extern tk::FormRef<ShowLogForm> frmShowLog;
extern tk::FormRef<RestoreForm> frmRestore;

}  // namespace lorvane
