// The program-wide references to the windows: each is created on first use
// and released when its window unloads.
#pragma once

#include "toolkit/form.h"

namespace lorvane {

class TitleForm;
class MenuForm;

extern tk::FormRef<TitleForm> frmTitle;
extern tk::FormRef<MenuForm> frmMenu;

}  // namespace lorvane
