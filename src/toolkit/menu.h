// The window's menu bar: top-level menus and their items.
#pragma once

#include <string>
#include <vector>

#include "toolkit/controls.h"

namespace tk {

class Form;

// Keyboard shortcuts shown beside an item and handled while its window is active.
enum class Shortcut { None, CtrlO, CtrlF, F3, ShiftF3, F5 };

class MenuItem {
public:
    // A top-level menu of the window's menu bar.
    MenuItem(Form& form, std::wstring caption);
    // An item of a menu.
    MenuItem(MenuItem& menu, std::wstring caption, Shortcut shortcut = Shortcut::None);
    MenuItem(const MenuItem&) = delete;
    MenuItem& operator=(const MenuItem&) = delete;

    const std::wstring& Caption() const { return caption_; }
    Shortcut shortcut() const { return shortcut_; }
    const std::vector<MenuItem*>& items() const { return items_; }
    MenuItem* menu() const { return menu_; }
    Form& form() const { return form_; }

    bool Enabled() const { return enabled_; }
    void Enabled(bool enabled);
    // A hidden item is not in the menu, but its shortcut works. Decided before
    // the window is first shown.
    bool Visible() const { return visible_; }
    void Visible(bool visible) { visible_ = visible; }

    Handler Click;
    // Runs the click handler as choosing the item would (nothing when it or its menu is disabled).
    void raiseClick();

    int commandId = 0;  // assigned by the window, used by the Win32 backend

private:
    Form& form_;
    MenuItem* menu_ = nullptr;
    std::wstring caption_;
    Shortcut shortcut_ = Shortcut::None;
    bool enabled_ = true;
    bool visible_ = true;
    std::vector<MenuItem*> items_;
};

}  // namespace tk
