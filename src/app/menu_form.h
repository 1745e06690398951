// The main menu: the program's home window for the whole run.
#pragma once

#include <optional>

#include "core/settings.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/menu.h"

namespace lorvane {

class MenuForm final : public tk::Form {
public:
    MenuForm();

    // The heading: a white copy of the black text, 60 twips down and right, behind it.
    tk::Label lblTitle2{*this};
    tk::Label lblTitle1{*this};
    tk::Button cmdSetBkupInfo{*this};
    tk::Button cmdSetDate{*this};
    tk::Button cmdSetSystem{*this};
    tk::Button cmdShowLog{*this};
    tk::Button cmdRestore{*this};  // on the copy path only

    tk::MenuItem mnuFile{*this, L"ﾌｧｲﾙ(&F)"};
    tk::MenuItem mnuExit{mnuFile, L"終了(&X)"};
    tk::MenuItem mnuHelp{*this, L"ﾍﾙﾌﾟ(&H)"};
    tk::MenuItem mnuVersion{mnuHelp, L"ﾊﾞｰｼﾞｮﾝ情報(&A)"};

protected:
    void Form_Load() override;
    void Form_Activate() override;
    bool Form_QueryUnload() override;

private:
    void cmdSetBkupInfo_Click();
    void cmdSetDate_Click();
    void cmdSetSystem_Click();
    void cmdShowLog_Click();
    void cmdRestore_Click();
    void mnuExit_Click();

    // The settings as the scheduler last accepted them in this run.
    std::optional<Settings> applied_;
};

}  // namespace lorvane
