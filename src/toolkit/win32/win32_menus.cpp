// A window's menu bar and the accelerator table of its items' shortcuts.
#include <vector>

#include "toolkit/menu.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::win32 {
namespace {

constexpr int kFirstMenuId = 1000;

UINT enabledFlag(const MenuItem& item) { return item.Enabled() ? MF_ENABLED : MF_GRAYED; }

}  // namespace

MenuBar::~MenuBar() {
    // The menu itself belongs to the window, which destroys it with itself.
    if (accelerators) DestroyAcceleratorTable(accelerators);
}

void MenuBar::build(Form& form) {
    std::vector<ACCEL> accels;
    int nextId = kFirstMenuId;
    for (MenuItem* top : form.menus()) {
        if (top->menu()) continue;
        if (!menu) menu = CreateMenu();
        HMENU popup = CreatePopupMenu();
        if (!menu || !popup) throwLastError(texts().menuFailure);
        for (MenuItem* item : top->items()) {
            item->commandId = nextId++;
            std::wstring text = item->Caption();
            if (const ShortcutKey key = shortcutKey(item->shortcut()); key.key) {
                text += L"\t";
                text += key.text;
                accels.push_back({static_cast<BYTE>(FVIRTKEY | key.modifiers), key.key,
                                  static_cast<WORD>(item->commandId)});
            }
            if (!item->Visible()) continue;  // out of the menu, its shortcut still works
            AppendMenuW(popup, MF_STRING | enabledFlag(*item), static_cast<UINT_PTR>(item->commandId), text.c_str());
        }
        AppendMenuW(menu, MF_POPUP | enabledFlag(*top), reinterpret_cast<UINT_PTR>(popup), top->Caption().c_str());
    }
    if (!accels.empty()) accelerators = CreateAcceleratorTableW(accels.data(), static_cast<int>(accels.size()));
}

// An item by its command, a top-level menu by its place on the bar.
void MenuBar::showEnabled(HWND window, const Form& form, const MenuItem& item) const {
    if (!menu) return;
    if (item.menu()) {
        EnableMenuItem(menu, static_cast<UINT>(item.commandId), MF_BYCOMMAND | enabledFlag(item));
        return;
    }
    UINT position = 0;
    for (const MenuItem* m : form.menus()) {
        if (m == &item) break;
        if (!m->menu()) ++position;
    }
    EnableMenuItem(menu, position, MF_BYPOSITION | enabledFlag(item));
    DrawMenuBar(window);
}

ShortcutKey shortcutKey(Shortcut shortcut) {
    switch (shortcut) {
        case Shortcut::CtrlO: return {'O', FCONTROL, L"Ctrl+O"};
        case Shortcut::CtrlF: return {'F', FCONTROL, L"Ctrl+F"};
        case Shortcut::F3: return {VK_F3, 0, L"F3"};
        case Shortcut::ShiftF3: return {VK_F3, FSHIFT, L"Shift+F3"};
        case Shortcut::F5: return {VK_F5, 0, L"F5"};
        case Shortcut::None: break;
    }
    return {};
}

void runMenuCommand(const Form& form, int id) {
    for (MenuItem* item : form.menus())
        if (item->commandId == id) runGuarded([item] { item->raiseClick(); });
}

}  // namespace tk::win32
