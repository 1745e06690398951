// The in-memory backend: windows and controls exist only as their state, and
// the system is a fixed, predictable machine. Tests act on it through tk::user
// (the testing library), which also answers its message boxes and dialogs.
#include <cstdlib>

#include "toolkit/backend.h"
#include "toolkit/common_dialog.h"
#include "toolkit/find_dialog.h"

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
    // Nobody is there to act in the window: it stays as it is.
    void runModal() override {}

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

    float screenWidthTwips() override { return 1024 * 15.0f; }
    float screenHeightTwips() override { return 768 * 15.0f; }

    // Nobody is there to read the box: it counts as closed with OK.
    int messageBox(const std::wstring&, int, const std::wstring&) override { return box::Ok; }

    VersionInfo versionInfo() override {
        return handedOver().version;
    }

    int platformCode() override { return 2; }
    bool prevInstance() override { return false; }
    WindowFound activateWindowByTitle(const std::wstring&) override { return WindowFound::None; }
    void sendEnterAndWait() override {}

    // Nobody is there to choose: the dialogs are cancelled.
    int showOpenDialog(CommonDialog& dialog) override { return dialog.CancelError ? cdl::Cancel : 0; }
    int showFontDialog(CommonDialog& dialog) override { return dialog.CancelError ? cdl::Cancel : 0; }
    std::unique_ptr<FindDialogPeer> createFindDialogPeer(FindDialog&) override {
        return std::make_unique<HeadlessFindDialogPeer>();
    }
};

}  // namespace

Backend& systemBackend() {
    static HeadlessBackend instance;
    return instance;
}

}  // namespace tk
