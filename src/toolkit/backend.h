// What each backend (Win32, headless) provides to the portable toolkit.
#pragma once

#include <memory>
#include <string>

#include "core/datetime.h"
#include "toolkit/app.h"
#include "toolkit/common_dialog.h"
#include "toolkit/find_dialog.h"
#include "toolkit/form.h"
#include "toolkit/testing.h"

namespace tk {

class Backend {
public:
    virtual ~Backend() = default;
    // Creates the window, hidden, with the native side of all its controls.
    virtual std::unique_ptr<FormPeer> createFormPeer(Form& form) = 0;
    // How much larger than its client area the window is (frame, title bar, menu bar), in twips.
    virtual void frameExtent(const Form& form, float& extraWidth, float& extraHeight) = 0;
    // The last window of the program has been unloaded.
    virtual void allFormsUnloaded() = 0;
    // Ends the process at once, closing nothing in order.
    [[noreturn]] virtual void exitProcess() = 0;
    virtual int runMessageLoop() = 0;

    // The system, as the program's services see it.
    virtual std::wstring windowsDirectory() = 0;
    virtual std::wstring systemDirectory() = 0;
    virtual lorvane::DateTime now() = 0;
    virtual float screenWidthTwips() = 0;
    virtual float screenHeightTwips() = 0;
    virtual int messageBox(const std::wstring& text, int style, const std::wstring& caption) = 0;
    virtual VersionInfo versionInfo() = 0;
    virtual int platformCode() = 0;
    virtual bool prevInstance() = 0;
    virtual WindowFound activateWindowByTitle(const std::wstring& title) = 0;
    virtual void sendEnterAndWait() = 0;

    // The standard dialogs; answer is the test's scripted answer (nullptr outside tests).
    virtual int showOpenDialog(CommonDialog& dialog, const testing::DialogAnswer* answer) = 0;
    virtual int showFontDialog(CommonDialog& dialog, const testing::DialogAnswer* answer) = 0;
    // The modeless find dialog's native side.
    virtual std::unique_ptr<FindDialogPeer> createFindDialogPeer(FindDialog& dialog) = 0;
};

Backend& backend();

}  // namespace tk
