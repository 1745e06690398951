#include "app/forms.h"

#include "app/menu_form.h"
#include "app/title_form.h"

namespace lorvane {

tk::FormRef<TitleForm> frmTitle;
tk::FormRef<MenuForm> frmMenu;

}  // namespace lorvane
