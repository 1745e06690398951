// The main menu: the program's home window for the whole run.
#pragma once

#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/menu.h"

namespace lorvane {

class MenuForm final : public tk::Form {
public:
    MenuForm();

    // The heading: a white copy of the black text, 60 twips down and right, behind it.
    tk::Label lblTitle2{*this, L"lblTitle2"};
    tk::Label lblTitle1{*this, L"lblTitle1"};
    tk::Button cmdSetBkupInfo{*this, L"cmdSetBkupInfo"};
    tk::Button cmdSetDate{*this, L"cmdSetDate"};
    tk::Button cmdSetSystem{*this, L"cmdSetSystem"};
    tk::Button cmdShowLog{*this, L"cmdShowLog"};

    tk::MenuItem mnuFile{*this, L"mnuFile", L"ﾌｧｲﾙ(&F)"};
    tk::MenuItem mnuExit{mnuFile, L"mnuExit", L"終了(&X)"};
    tk::MenuItem mnuHelp{*this, L"mnuHelp", L"ﾍﾙﾌﾟ(&H)"};
    tk::MenuItem mnuVersion{mnuHelp, L"mnuVersion", L"ﾊﾞｰｼﾞｮﾝ情報(&A)"};

protected:
    void Form_Load() override;
    void Form_Activate() override;

private:
    void cmdSetBkupInfo_Click();
    void cmdSetDate_Click();
    void cmdSetSystem_Click();
    void cmdShowLog_Click();
    void mnuExit_Click();
};

}  // namespace lorvane
