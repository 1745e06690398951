// What each backend (Win32, headless) provides to the portable toolkit.
#pragma once

#include <memory>
#include <string>

#include "toolkit/app.h"
#include "toolkit/common_dialog.h"
#include "toolkit/find_dialog.h"
#include "toolkit/form.h"
#include "toolkit/timer.h"

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
    // Delivers the messages waiting now, then returns (tk::DoEvents).
    virtual void doEvents() {}
    // Runs the modal window's own message loop until it is hidden or unloaded.
    virtual void runModal(Form& form) { form.peer()->runModal(); }

    // The system, as the program's services see it.
    virtual float screenWidthTwips() = 0;
    virtual float screenHeightTwips() = 0;
    virtual int messageBox(const std::wstring& text, int style, const std::wstring& caption) = 0;
    virtual VersionInfo versionInfo() = 0;
    virtual int platformCode() = 0;
    virtual bool prevInstance() = 0;
    virtual WindowFound activateWindowByTitle(const std::wstring& title) = 0;
    virtual void sendEnterAndWait() = 0;

    // The standard dialogs: 0 when the user chose, else the dialog's cdl:: result.
    virtual int showOpenDialog(CommonDialog& dialog) = 0;
    virtual int showFontDialog(CommonDialog& dialog) = 0;
    // The modeless find dialog's native side.
    virtual std::unique_ptr<FindDialogPeer> createFindDialogPeer(FindDialog& dialog) = 0;

    // Makes the timer tick every `milliseconds` on the window thread (0: no more).
    // Nothing ticks in a backend that does not keep time (headless).
    virtual void setTimer(Timer& /*timer*/, int /*milliseconds*/) {}
};

// What the program handed over at start (tk::initialize).
const ProgramInfo& handedOver();

// The backend in use: this build's own, unless another has been put in front.
Backend& backend();
// This build's own backend: the system's windows (Win32) or the in-memory ones.
Backend& systemBackend();
// Puts another backend in front of the system's (the window tests' one, which
// answers for the user); nullptr goes back to the system's own.
void useBackend(Backend* replacement);

}  // namespace tk
