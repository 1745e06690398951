#include "app/menu_form.h"

#include "app/forms.h"
#include "app/job_control.h"
#include "apply/copy_commands.h"
#include "apply/task_scheduler.h"
#include "apply/apply_action.h"
#include "apply/backup_rules.h"
#include "backupinfo/set_bk_info_form.h"
#include "core/host.h"
#include "core/settings.h"
#include "placement/placement.h"
#include "restore/restore_form.h"
#include "logview/show_log_form.h"
#include "schedule/schedule_form.h"

namespace lorvane {
namespace {

constexpr float kJobButtonWidth = 2295;
constexpr float kStatusHeight = 2400;
constexpr std::uint32_t kWarningColour = 0x0000C0;  // dark red, as COLORREF
// The timer's step, how long a status read may take, and how often a run in progress is read again.
constexpr int kTick = 250;
constexpr std::chrono::seconds kStatusWait{20};
constexpr int kTicksBetweenReads = 12;
// How long the status follows a run asked for with 今すぐ実行 before the scheduler reports it running.
constexpr int kFollowTicks = 120;
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

    // The registered job's row: three places, the third left for one more button.
    const Design job[] = {
        {cmdRunNow, L"今すぐ実行(&R)", &MenuForm::cmdRunNow_Click},
        {cmdUnregister, L"登録解除(&U)", &MenuForm::cmdUnregister_Click},
    };
    float left = 180;
    for (const Design& d : job) {
        d.button.Move(left, top, kJobButtonWidth, 495);
        d.button.Caption(d.caption);
        d.button.Font(buttons);
        d.button.TabIndex(tab++);
        d.button.Click = [this, click = d.click] { (this->*click)(); };
        d.button.Visible(false);
        d.button.Enabled(false);  // until the status says a job is registered
        left += kJobButtonWidth + 75;
    }
    top += 600;
    lblStatus.Move(180, top, 7035, kStatusHeight);
    lblStatus.Visible(false);
    lblStatusWarning.Move(180, top + kStatusHeight, 7035, 480);
    lblStatusWarning.ForeColor = kWarningColour;
    lblStatusWarning.Visible(false);
    tmrStatus.Tick = [this] { tmrStatus_Tick(); };
}

MenuForm::~MenuForm() = default;

void MenuForm::Form_Load() {
    // Where ntbackup is found, the menu stays as it always was.
    copyPath_ = onCopyPath();
    if (copyPath_) {
        // Raised before the menu's first showing only by the registered job read back:
        // what is registered counts as applied.
        const Settings& settings = mdlMain();
        if (settings.BackupInfoSet == kTrue && settings.ScheduleSet == kTrue) applied_ = settings;
        clientSize(7410, lblStatusWarning.Top() + lblStatusWarning.Height() + 120);
        for (tk::Control* control : {static_cast<tk::Control*>(&cmdRestore), static_cast<tk::Control*>(&cmdRunNow),
                                     static_cast<tk::Control*>(&cmdUnregister),
                                     static_cast<tk::Control*>(&lblStatus), static_cast<tk::Control*>(&lblStatusWarning)})
            control->Visible(true);
        showStatus(L"状態を読み込んでいます…", {});
    }
    subMoveForm(*this, placement::Centre);
}

void MenuForm::Form_Activate() {
    const Settings& settings = mdlMain();
    cmdSetSystem.Enabled(settings.BackupInfoSet == kTrue && settings.ScheduleSet == kTrue);
    if (copyPath_) readStatus();
    Refresh();
}

// A read begun earlier may have read before a change (apply, 登録解除): a new one
// replaces it, and the earlier thread ends on its own.
void MenuForm::readStatus() {
    statusRead_ = std::make_unique<StatusRead>();
    ticksToRead_ = -1;
    tmrStatus.Interval(kTick);
}

void MenuForm::tmrStatus_Tick() {
    if (statusRead_) {
        if (std::optional<backup::JobStatus> status = statusRead_->answer()) {
            statusRead_.reset();
            // A task left without its files can still be removed; only a registered job can run.
            const bool taskThere = status->task.state != TaskState::Missing && status->task.state != TaskState::Unknown;
            cmdRunNow.Enabled(status->registered);
            cmdUnregister.Enabled(status->registered || taskThere);
            const backup::StatusText shown = backup::describeStatus(*status, host().now());
            showStatus(shown.text, shown.warning);
            // A run in progress, or one just asked for, is followed to its result.
            if (shown.running || followTicks_ > 0) ticksToRead_ = kTicksBetweenReads;
        } else if (statusRead_->age() > kStatusWait) {
            // The thread is left to end on its own; its answer is no longer awaited.
            statusRead_.reset();
            showStatus(L"状態：不明 (ﾀｽｸ ｽｹｼﾞｭｰﾗまたは保存先が " +
                           std::to_wstring(std::chrono::duration_cast<std::chrono::seconds>(kStatusWait).count()) +
                           L" 秒以内に応答しませんでした)",
                       {});
        }
    }
    if (followTicks_ > 0) --followTicks_;
    if (ticksToRead_ > 0 && --ticksToRead_ == 0) readStatus();
    if (!statusRead_ && ticksToRead_ <= 0) tmrStatus.Interval(0);
}

void MenuForm::showStatus(const std::wstring& text, const std::wstring& warning) {
    lblStatus.Caption(text);
    lblStatusWarning.Caption(warning);
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
// scheduler is awaited the button says so; on the copy path the status then
// reads what was handed over.
void MenuForm::cmdSetSystem_Click() {
    const bool accepted = runApplyAction(mdlMain(), [this](const std::wstring& what) {
        cmdSetSystem.Caption(what.empty() ? kSetSystemCaption : what.c_str());
        Refresh();
    });
    if (accepted) applied_ = mdlMain();
    if (copyPath_) readStatus();
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

// The scheduler starts the task as it would at its time: as SYSTEM, never in this session.
void MenuForm::cmdRunNow_Click() {
    const SystemResult started = taskScheduler().runNow(kTaskName);
    if (!started.ok()) {
        MsgBox(L"ﾀｽｸ ｽｹｼﾞｭｰﾗがﾊﾞｯｸｱｯﾌﾟを開始しませんでした。\r\n\r\n" + started.description, mb::Critical);
        return;
    }
    followTicks_ = kFollowTicks;
    readStatus();
}

void MenuForm::cmdUnregister_Click() {
    if (MsgBox(L"登録されているﾊﾞｯｸｱｯﾌﾟ (" + std::wstring(kTaskName) +
                   L") を解除し、ｼｽﾃﾑに反映したﾌｧｲﾙを削除します。\r\n保存先のｾｯﾄとﾛｸﾞは残ります。よろしいですか？",
               mb::QuestionYesNo) != mb::Yes)
        return;
    applied_.reset();  // whatever went, the settings are no longer all on the system
    if (const std::wstring failure = removeRegisteredJob(); !failure.empty())
        MsgBox(failure, mb::Critical);
    else
        MsgBox(L"登録を解除しました。", mb::OkOnly);
    readStatus();
}

}  // namespace lorvane
