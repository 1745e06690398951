// The in-memory backend: windows and controls exist only as their state, and
// the system is a fixed, predictable machine. Tests act on it through tk::user
// (the testing library), which also answers its message boxes and dialogs.
#include <cstdlib>
#include <ctime>

#include "core/host.h"
#include "toolkit/backend.h"
#include "toolkit/common_dialog.h"
#include "toolkit/find_dialog.h"
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

    // Nobody is there to read the box: it counts as closed with OK.
    int messageBox(const std::wstring&, int, const std::wstring&) override { return lorvane::mb::Ok; }

    VersionInfo versionInfo() override {
        return {LORVANE_WIDE(LORVANE_COMPANY_NAME), LORVANE_WIDE(LORVANE_PRODUCT_NAME), LORVANE_VERSION_MAJOR,
                LORVANE_VERSION_MINOR, LORVANE_VERSION_REVISION};
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
