// The in-memory backend: windows and controls exist only as their state, and
// the system is a fixed, predictable machine. Tests act on it through tk::user.
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <cwctype>
#include <stdexcept>
#include <vector>

#include "toolkit/backend.h"
#include "toolkit/choices.h"
#include "toolkit/combo_box.h"
#include "toolkit/controls.h"
#include "toolkit/drive_list.h"
#include "toolkit/find_dialog.h"
#include "toolkit/folder_list.h"
#include "toolkit/list_box.h"
#include "toolkit/menu.h"
#include "toolkit/text_box.h"
#include "toolkit/testing.h"
#include "toolkit/up_down.h"
#include "version.h"

namespace tk {
namespace {

class HeadlessFormPeer final : public FormPeer {
public:
    explicit HeadlessFormPeer(Form& form) : form_(form) {}
    void show() override { form_.backendActivated(); }
    void hide() override {}
    void updateCaption() override {}
    void updateBounds() override {}
    void updateMenu(MenuItem&) override {}
    void refresh() override {}
    void runModal() override {
        Form& form = form_;  // closing the window by its close box ends this peer
        if (!testing::runModalAction(form))
            throw std::logic_error("a modal window opened with no user action queued for it");
        if (form.loaded() && form.Visible()) throw std::logic_error("the modal window was left open");
    }

private:
    Form& form_;
};

// The dialog is its model's state: tests press its button through tk::user.
class HeadlessFindDialogPeer final : public FindDialogPeer {
public:
    void show() override {}
    void close() override {}
};

class HeadlessBackend final : public Backend {
public:
    std::unique_ptr<FormPeer> createFormPeer(Form& form) override { return std::make_unique<HeadlessFormPeer>(form); }

    // A fixed frame of 4 pixels a side, a 20-pixel title bar and menu bar, at 15 twips a pixel.
    void frameExtent(const Form& form, float& extraWidth, float& extraHeight) override {
        const float border = form.borderStyle == BorderStyle::None ? 0.0f : 60.0f;
        extraWidth = 2 * border;
        extraHeight = 2 * border + (form.hasTitleBar() ? 300.0f : 0.0f) + (form.menus().empty() ? 0.0f : 300.0f);
    }

    void allFormsUnloaded() override {}
    [[noreturn]] void exitProcess() override { std::exit(0); }
    int runMessageLoop() override { return 0; }

    std::wstring windowsDirectory() override { return L"C:\\WINDOWS"; }
    std::wstring systemDirectory() override { return L"C:\\WINDOWS\\system32"; }

    lorvane::DateTime now() override {
        const std::time_t t = std::time(nullptr);
        std::tm local{};
#ifdef _WIN32
        localtime_s(&local, &t);
#else
        localtime_r(&t, &local);
#endif
        return lorvane::DateTime::fromCivil({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                                             local.tm_min, local.tm_sec});
    }

    float screenWidthTwips() override { return 1024 * 15.0f; }
    float screenHeightTwips() override { return 768 * 15.0f; }

    int messageBox(const std::wstring& text, int style, const std::wstring& caption) override {
        const int answer = testing::recordMessageBox(text, style, caption);
        return answer ? answer : testing::defaultAnswer(style);
    }

    VersionInfo versionInfo() override {
        return {LORVANE_WIDE(LORVANE_COMPANY_NAME), LORVANE_WIDE(LORVANE_PRODUCT_NAME), LORVANE_VERSION_MAJOR,
                LORVANE_VERSION_MINOR, LORVANE_VERSION_REVISION};
    }

    int platformCode() override { return 2; }
    bool prevInstance() override { return false; }
    WindowFound activateWindowByTitle(const std::wstring&) override { return WindowFound::None; }
    void sendEnterAndWait() override {}

    int showOpenDialog(CommonDialog& dialog, const testing::DialogAnswer* answer) override {
        if (!answer || answer->kind != testing::DialogAnswer::Choose) return dialog.CancelError ? cdl::Cancel : 0;
        dialog.FileName = answer->path;
        return 0;
    }

    int showFontDialog(CommonDialog& dialog, const testing::DialogAnswer* answer) override {
        if (!answer || answer->kind != testing::DialogAnswer::Choose) return dialog.CancelError ? cdl::Cancel : 0;
        dialog.FontName = answer->fontName;
        dialog.FontSize = answer->fontSize;
        dialog.FontBold = answer->fontBold;
        dialog.FontItalic = answer->fontItalic;
        return 0;
    }

    std::unique_ptr<FindDialogPeer> createFindDialogPeer(FindDialog&) override {
        return std::make_unique<HeadlessFindDialogPeer>();
    }
};

}  // namespace

Backend& backend() {
    static HeadlessBackend instance;
    return instance;
}

std::wstring testing::labelBefore(Control& control) {
    const std::vector<Control*> order = windowOrder(control.parent());
    Control* previous = nullptr;
    for (Control* c : order) {
        if (c == &control) break;
        previous = c;
    }
    auto* label = dynamic_cast<Label*>(previous);
    return label ? label->Caption() : std::wstring{};
}

namespace user {

void click(Button& button) { button.raiseClick(); }

void choose(MenuItem& item) { item.raiseClick(); }

void click(CheckBox& box) { box.userToggled(); }
void click(OptionButton& option) { option.userChose(); }
void type(TextBox& box, const std::wstring& text) { box.userTyped(text); }

void select(ListBox& list, int index) {
    if (index < 0 || index >= list.ListCount()) throw std::out_of_range("no such item in the list");
    std::vector<bool> selected(static_cast<size_t>(list.ListCount()), false);
    if (list.multiSelect != MultiSelect::None) {
        for (int i = 0; i < list.ListCount(); ++i) selected[static_cast<size_t>(i)] = list.Selected(i);
        selected[static_cast<size_t>(index)] = !selected[static_cast<size_t>(index)];
    } else {
        selected[static_cast<size_t>(index)] = true;
    }
    list.userSelected(index, selected);
}

void doubleClick(ListBox& list, int index) {
    select(list, index);
    list.userDoubleClicked();
}

void closeBox(Form& form) {
    if (form.loaded() && form.ControlBox) form.backendCloseRequested();
}

void spin(UpDown& upDown, int steps) {
    for (int i = 0; i < (steps < 0 ? -steps : steps); ++i) upDown.userSpin(steps < 0 ? -1 : 1);
}

void pressKey(OptionButton& option, int key) {
    if (!option.effectivelyEnabled()) return;
    if (key != key::Up && key != key::Down && key != key::Left && key != key::Right) return;
    OptionButton& target = option.arrowTarget(key == key::Down || key == key::Right);
    if (!target.Value()) target.userChose();
}

void select(ComboBox& box, int index) {
    if (index < 0 || index >= box.ListCount()) throw std::out_of_range("no such item in the combo box");
    box.userSelected(index);
}

void pressKey(ComboBox& box, int key) {
    if (key == key::Up || key == key::Down) {
        // The closed box moves its selection one item, never past either end.
        const int index = box.ListIndex() < 0 ? 0 : box.ListIndex() + (key == key::Down ? 1 : -1);
        if (index >= 0 && index < box.ListCount()) box.userSelected(index);
        return;
    }
    const int typed = box.userKeyPress(key);
    if (typed == 0) return;
    std::wstring text = box.Text();
    if (typed == key::Back) {
        if (!text.empty()) text.pop_back();
    } else if (typed >= 0x20) {
        text += static_cast<wchar_t>(typed);
    }
    box.userEdited(text);
}

void select(DriveList& list, const std::wstring& drive) {
    list.Refresh();  // opening the list reads the drives again
    const std::wint_t letter = drive.empty() ? 0 : std::towupper(static_cast<std::wint_t>(drive[0]));
    for (int i = 0; i < list.ListCount(); ++i)
        if (static_cast<std::wint_t>(list.drive(i).letter) == letter) return list.userChose(i);
    throw std::out_of_range("no such drive in the list");
}

void select(FolderList& list, int row) {
    if (row < 0 || row >= list.ListCount()) throw std::out_of_range("no such row in the folder list");
    list.userHighlighted(row);
}

void doubleClick(FolderList& list, int row) {
    select(list, row);
    list.userOpened(row);
}

void pressKey(FolderList& list, int key) {
    if (key == key::Return) return list.userOpened(list.ListIndex());
    const int row = list.ListIndex() + (key == key::Down ? 1 : key == key::Up ? -1 : 0);
    if (row >= 0 && row < list.ListCount()) list.userHighlighted(row);
}

void press(Form& form, Shortcut shortcut) {
    for (MenuItem* item : form.menus())
        if (item->shortcut() == shortcut) return item->raiseClick();
}

void findNext(FindDialog& dialog, const std::wstring& text, bool matchCase, bool down) {
    if (!dialog.Visible()) throw std::logic_error("the find dialog is not open");
    dialog.userFindNext(text, matchCase, down);
}

void close(FindDialog& dialog) {
    if (dialog.Visible()) dialog.userClosed();
}

void resize(Form& form, float width, float height) {
    float extraWidth = 0, extraHeight = 0;
    backend().frameExtent(form, extraWidth, extraHeight);
    form.backendResized(width > extraWidth ? width - extraWidth : 0.0f,
                        height > extraHeight ? height - extraHeight : 0.0f);
}

}  // namespace user
}  // namespace tk
