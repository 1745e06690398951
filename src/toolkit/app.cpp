#include "toolkit/app.h"

#include "core/host.h"
#include "platform/platform_system_access.h"
#include "toolkit/backend.h"
#include "toolkit/events.h"
#include "toolkit/form.h"

namespace tk {
namespace {

// The operating system as core and apply see it.
class ToolkitHost final : public lorvane::Host {
public:
    std::wstring windowsDirectory() override { return backend().windowsDirectory(); }
    std::wstring systemDirectory() override { return backend().systemDirectory(); }
    lorvane::DateTime now() override { return backend().now(); }
    float screenWidthTwips() override { return backend().screenWidthTwips(); }
    float screenHeightTwips() override { return backend().screenHeightTwips(); }
    int messageBox(const std::wstring& text, int style) override {
        return backend().messageBox(text, style, AppTitle());
    }
};

}  // namespace

void initialize() {
    static ToolkitHost host;
    lorvane::setHost(&host);
    lorvane::setSystemAccess(&lorvane::platformSystemAccess());
}

const std::wstring& AppTitle() {
    static const std::wstring title = L"Lorvane";
    return title;
}

VersionInfo AppVersion() { return backend().versionInfo(); }

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
