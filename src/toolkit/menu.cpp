#include "toolkit/menu.h"

#include "toolkit/events.h"
#include "toolkit/form.h"

namespace tk {

MenuItem::MenuItem(Form& form, std::wstring caption) : form_(form), caption_(std::move(caption)) {
    form.addMenu(*this);
}

MenuItem::MenuItem(MenuItem& menu, std::wstring caption, Shortcut shortcut)
    : form_(menu.form_), menu_(&menu), caption_(std::move(caption)), shortcut_(shortcut) {
    menu.items_.push_back(this);
    form_.addMenu(*this);
}

void MenuItem::Enabled(bool enabled) {
    enabled_ = enabled;
    form_.menuChanged(*this);
}

void MenuItem::raiseClick() {
    if (!enabled_ || (menu_ && !menu_->Enabled()) || !Click) return;
    dispatchEvent(Click);
}

}  // namespace tk
