#include "toolkit/app.h"

#include "toolkit/backend.h"
#include "toolkit/events.h"
#include "toolkit/form.h"

namespace tk {
namespace {
ProgramInfo program;
}  // namespace

void initialize(ProgramInfo info) { program = std::move(info); }

const ProgramInfo& handedOver() { return program; }

const Texts& texts() { return program.texts; }

const std::wstring& AppTitle() { return program.title; }

VersionInfo AppVersion() { return backend().versionInfo(); }

int messageBox(const std::wstring& text, int style) { return backend().messageBox(text, style, AppTitle()); }

void DoEvents() { backend().doEvents(); }

float ScreenWidth() { return backend().screenWidthTwips(); }

float ScreenHeight() { return backend().screenHeightTwips(); }

int PlatformCode() { return backend().platformCode(); }

bool PrevInstance() { return backend().prevInstance(); }

WindowFound ActivateWindowByTitle(const std::wstring& title) { return backend().activateWindowByTitle(title); }

void SendEnterAndWait() { backend().sendEnterAndWait(); }

int RunMessageLoop(const std::function<void()>& start) {
    try {
        start();
    } catch (...) {
        reportFailure(std::current_exception(), activeForm());
    }
    return backend().runMessageLoop();
}

}  // namespace tk
