#include "app/menu_form.h"

#include "app/forms.h"
#include "apply/apply_action.h"
#include "apply/backup_rules.h"
#include "core/host.h"
#include "backupinfo/set_bk_info_form.h"
#include "core/settings.h"
#include "placement/placement.h"
#include "restore/restore_form.h"
#include "logview/show_log_form.h"
#include "schedule/schedule_form.h"

namespace lorvane {
namespace {

constexpr wchar_t kSetSystemCaption[] = L"設定をシステムに反映";
constexpr wchar_t kUnappliedQuestion[] =
    L"設定情報がｼｽﾃﾑに反映されていません。\r\n反映せずに終了してもよろしいですか？";

}  // namespace

MenuForm::MenuForm() {
    Caption(L"Lorvane");
    borderStyle = tk::BorderStyle::FixedSingle;
    MinButton = true;
    MaxButton = false;
    clientSize(7410, 4410);

    tk::Font heading;
    heading.Name = L"Comic Sans MS";
    heading.Size = 48;
    heading.Bold = true;
    heading.Charset = tk::charset::Default;
    for (tk::Label* label : {&lblTitle2, &lblTitle1}) {
        label->Caption(L"Lorvane");
        label->Font(heading);
        label->transparent = true;
        label->AutoSize = true;
    }
    lblTitle2.Move(360, 120, 6780, 1350);
    lblTitle2.ForeColor = 0xFFFFFF;
    lblTitle1.Move(300, 60, 6780, 1350);
    lblTitle1.ForeColor = 0x000000;

    tk::Font buttons;
    buttons.Name = L"ＭＳ 明朝";
    buttons.Size = 11.25f;
    buttons.Charset = tk::charset::ShiftJis;
    struct Design {
        tk::Button& button;
        const wchar_t* caption;
        void (MenuForm::*click)();
    };
    const Design design[] = {
        {cmdSetBkupInfo, L"バックアップ情報の設定", &MenuForm::cmdSetBkupInfo_Click},
        {cmdSetDate, L"日付の設定", &MenuForm::cmdSetDate_Click},
        {cmdSetSystem, kSetSystemCaption, &MenuForm::cmdSetSystem_Click},
        {cmdShowLog, L"ログファイルの確認", &MenuForm::cmdShowLog_Click},
        {cmdRestore, L"復元(&S)", &MenuForm::cmdRestore_Click},
    };
    float top = 1500;
    int tab = 0;
    for (const Design& d : design) {
        d.button.Move(180, top, 7035, 495);
        d.button.Caption(d.caption);
        d.button.Font(buttons);
        d.button.TabIndex(tab++);
        d.button.Click = [this, click = d.click] { (this->*click)(); };
        top += 720;
    }

    mnuExit.Click = [this] { mnuExit_Click(); };
    mnuVersion.Enabled(false);
}

void MenuForm::Form_Load() {
    // The sets a copy backup leaves can be restored; a tape is restored with its own tool.
    const bool copies = findBackupMethod(systemAccess()) == BackupMethod::Copy;
    cmdRestore.Visible(copies);
    if (copies) clientSize(ScaleWidth(), cmdRestore.Top() + cmdRestore.Height() + 255);
    subMoveForm(*this, placement::Centre);
}

void MenuForm::Form_Activate() {
    const Settings& settings = mdlMain();
    cmdSetSystem.Enabled(settings.BackupInfoSet == kTrue && settings.ScheduleSet == kTrue);
    Refresh();
}

// The three windows arrive with their own changes.
void MenuForm::cmdSetBkupInfo_Click() {
    frmSetBkInfo->Show();
    Hide();
}
void MenuForm::cmdSetDate_Click() {
    frmSetDate->Show();
    Hide();
}
// Hidden first: the viewer asks for its file as it is shown, and the menu must
// not be there beneath that dialog. Cancelling the choice closes the viewer again,
// and its unload brings the menu back.
void MenuForm::cmdShowLog_Click() {
    Hide();
    frmShowLog->Show();
}

void MenuForm::cmdRestore_Click() {
    frmRestore->Show();
    Hide();
}

// Runs to its end here, asking and reporting by message boxes; while the
// scheduler is awaited the button says so.
void MenuForm::cmdSetSystem_Click() {
    const bool accepted = runApplyAction(mdlMain(), [this](const std::wstring& what) {
        cmdSetSystem.Caption(what.empty() ? kSetSystemCaption : what.c_str());
        Refresh();
    });
    if (accepted) applied_ = mdlMain();
}

void MenuForm::mnuExit_Click() {
    if (Form_QueryUnload()) Unload();
}

// Settings confirmed in the dialogs live only in this run: closing with some
// that were never applied asks first.
bool MenuForm::Form_QueryUnload() {
    const Settings& settings = mdlMain();
    const bool confirmed = settings.BackupInfoSet == kTrue || settings.ScheduleSet == kTrue;
    if (!confirmed || (applied_ && *applied_ == settings)) return true;
    return MsgBox(kUnappliedQuestion, mb::QuestionYesNo) == mb::Yes;
}

}  // namespace lorvane
