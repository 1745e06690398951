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

    tk::Frame fraTitle{*this};
    tk::Image imgLogo{fraTitle};
    tk::Label lblTagline{fraTitle};
    tk::Label lblCompanyProduct{fraTitle};
    tk::Label lblProductName{fraTitle};
    tk::Label lblPlatform{fraTitle};
    tk::Label lblVersion{fraTitle};
    tk::Label lblCopyright{fraTitle};
    tk::Label lblAuthor{fraTitle};
    tk::Label lblNotice{fraTitle};
    SysInfo sifCheckOs;

protected:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Activate() override;
};

// "ﾊﾞｰｼﾞｮﾝ major.minor.revision", as the title screen shows it.
std::wstring versionText(const tk::VersionInfo& version);

}  // namespace lorvane
