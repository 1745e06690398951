// The main menu: the program's home window for the whole run.
#pragma once

#include <memory>
#include <optional>

#include "core/settings.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/menu.h"
#include "toolkit/timer.h"

namespace lorvane {

class StatusRead;

class MenuForm final : public tk::Form {
public:
    MenuForm();
    ~MenuForm() override;

    // The heading: a white copy of the black text, 60 twips down and right, behind it.
    tk::Label lblTitle2{*this};
    tk::Label lblTitle1{*this};
    tk::Button cmdSetBkupInfo{*this};
    tk::Button cmdSetDate{*this};
    tk::Button cmdSetSystem{*this};
    tk::Button cmdShowLog{*this};
    // The copy backup's registered job (hidden where ntbackup is found): a row of
    // buttons with room for one more, then its status and what is late.
    tk::Button cmdRunNow{*this};
    tk::Button cmdUnregister{*this};
    tk::Label lblStatus{*this};
    tk::Label lblStatusWarning{*this};
    tk::Timer tmrStatus;
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

    // The job's status: read on a thread of its own, shown when it arrives.
    void cmdRunNow_Click();
    void cmdUnregister_Click();
    void tmrStatus_Tick();
    void readStatus();
    void showStatus(const std::wstring& text, const std::wstring& warning);

    bool copyPath_ = false;
    std::unique_ptr<StatusRead> statusRead_;
    // Ticks until the next read: while a run is in progress, and for a while after 今すぐ実行.
    int ticksToRead_ = -1, followTicks_ = 0;
    // The settings as the scheduler last accepted them in this run.
    std::optional<Settings> applied_;
};

}  // namespace lorvane
