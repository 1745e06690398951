#include "toolkit/app.h"

#include "core/host.h"
#include "platform/platform_system_access.h"
#include "toolkit/backend.h"
#include "toolkit/testing.h"

namespace tk {
namespace {

// The operating system as core and apply see it, with a test's replacements applied.
class ToolkitHost final : public lorvane::Host {
public:
    std::wstring windowsDirectory() override {
        return testing::overrides().windowsDirectory.value_or(backend().windowsDirectory());
    }
    std::wstring systemDirectory() override {
        return testing::overrides().systemDirectory.value_or(backend().systemDirectory());
    }
    lorvane::DateTime now() override {
        auto& clock = testing::overrides().clock;
        return clock ? clock() : backend().now();
    }
    float screenWidthTwips() override {
        return testing::overrides().screenWidthTwips.value_or(backend().screenWidthTwips());
    }
    float screenHeightTwips() override {
        return testing::overrides().screenHeightTwips.value_or(backend().screenHeightTwips());
    }
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

int PlatformCode() { return testing::overrides().platformCode.value_or(backend().platformCode()); }

bool PrevInstance() { return testing::overrides().prevInstance.value_or(backend().prevInstance()); }

WindowFound ActivateWindowByTitle(const std::wstring& title) {
    auto& o = testing::overrides();
    if (o.windowFound) {
        if (*o.windowFound != WindowFound::None) o.activatedTitles.push_back(title);
        return *o.windowFound;
    }
    return backend().activateWindowByTitle(title);
}

void SendEnterAndWait() {
    auto& o = testing::overrides();
    if (o.windowFound) {
        ++o.entersSent;
        return;
    }
    backend().sendEnterAndWait();
}

int RunMessageLoop() { return backend().runMessageLoop(); }

}  // namespace tk
