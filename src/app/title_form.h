// The title screen: checks the platform and an earlier instance, sets the
// start values, shows itself for four seconds and hands over to the main menu.
#pragma once

#include "toolkit/app.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"

namespace lorvane {

// Reports the platform the program runs on (2: the Windows NT family).
class SysInfo {
public:
    int OSPlatform() const { return tk::PlatformCode(); }
};

class TitleForm final : public tk::Form {
public:
    TitleForm();

    tk::Frame fraTitle{*this, L"fraTitle"};
    tk::Image imgLogo{fraTitle, L"imgLogo"};
    tk::Label lblTagline{fraTitle, L"lblTagline"};
    tk::Label lblCompanyProduct{fraTitle, L"lblCompanyProduct"};
    tk::Label lblProductName{fraTitle, L"lblProductName"};
    tk::Label lblPlatform{fraTitle, L"lblPlatform"};
    tk::Label lblVersion{fraTitle, L"lblVersion"};
    tk::Label lblCopyright{fraTitle, L"lblCopyright"};
    tk::Label lblAuthor{fraTitle, L"lblAuthor"};
    tk::Label lblNotice{fraTitle, L"lblNotice"};
    SysInfo sifCheckOs;

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Activate() override;
};

// "ﾊﾞｰｼﾞｮﾝ major.minor.revision", as the title screen shows it.
std::wstring versionText(const tk::VersionInfo& version);

}  // namespace lorvane
