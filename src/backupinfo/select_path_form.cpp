#include "backupinfo/select_path_form.h"

#include <initializer_list>

#include "core/host.h"
#include "core/subroutines.h"
#include "placement/placement.h"

namespace lorvane {

tk::FormRef<SelectPathForm> frmSelectPath;

namespace {
constexpr wchar_t kSetByCaller[] = L"呼び出し時に設定";
}  // namespace

SelectPathForm::SelectPathForm() {
    Caption(kSetByCaller);
    borderStyle = tk::BorderStyle::FixedDialog;
    MinButton = false;
    MaxButton = false;
    clientSize(5910, 4110);

    dirPath.Move(120, 480, 5655, 2190);
    cmdOk.Move(480, 3600, 1755, 375);
    cmdOk.Caption(kSetByCaller);
    cmdCancel.Move(3600, 3600, 1755, 375);
    cmdCancel.Caption(L"ｷｬﾝｾﾙ");
    drvPath.Move(120, 60, 5655, 300);
    txtPath.Move(120, 3120, 5655, 315);
    txtPath.Locked = true;  // filled from the folder list: the user picks, he does not type
    lblPath.Move(180, 2820, 1380, 180);
    lblPath.Caption(kSetByCaller);
    lblPath.names = &txtPath;
    int tab = 0;
    for (tk::Control* c :
         std::initializer_list<tk::Control*>{&dirPath, &cmdOk, &cmdCancel, &drvPath, &txtPath, &lblPath})
        c->TabIndex(tab++);

    drvPath.Change = [this] { drvPath_Change(); };
    dirPath.Change = [this] { dirPath_Change(); };
    dirPath.OpenFailed = [this](const tk::FolderUnreadable& unreadable) { dirPath_OpenFailed(unreadable); };
    cmdOk.Click = [this] { cmdOk_Click(); };
    cmdCancel.Click = [this] { cmdCancel_Click(); };
}

void SelectPathForm::Form_Load() {
    subMoveForm(*this, placement::Centre);
    // The root of the drive that Windows lives on, such as C:\.
    const std::wstring root = subGetWindowsDir().substr(0, 3);
    drvPath.Drive(root);
    dirPath.Path(root);
    txtPath.Text(root);
}

// The folder list follows the drive. A drive that cannot be read leaves the
// folder list where it was, and the drive list goes back to its drive.
void SelectPathForm::drvPath_Change() {
    if (restoringDrive_) return;
    try {
        dirPath.Path(drvPath.Drive());
    } catch (const tk::FolderUnreadable&) {
        MsgBox(L"ﾄﾞﾗｲﾌﾞ " + drvPath.Drive() + L" を読み取れません。ﾄﾞﾗｲﾌﾞの準備ができているか確認してください。",
               mb::Exclamation);
        if (dirPath.Path().empty()) return;
        restoringDrive_ = true;
        drvPath.Drive(dirPath.Path());
        restoringDrive_ = false;
    }
}

void SelectPathForm::dirPath_Change() { txtPath.Text(dirPath.Path()); }

// The list and the path box stay at the open folder, so that OK never takes its
// parent for the one the user meant.
void SelectPathForm::dirPath_OpenFailed(const tk::FolderUnreadable& unreadable) {
    std::wstring message = L"ﾌｫﾙﾀﾞ " + unreadable.path() + L" を開けません。";
    if (!unreadable.reason().empty()) message += L"\r\n\r\n" + unreadable.reason();
    MsgBox(message, mb::Exclamation);
}

void SelectPathForm::cmdOk_Click() {
    chosen_ = txtPath.Text();
    Hide();
}

void SelectPathForm::cmdCancel_Click() {
    chosen_.reset();
    Hide();
}

// Closed by its close box while its caller waits: that is a cancel, never a choice.
void SelectPathForm::Form_Unload() {
    if (Visible()) chosen_.reset();
}

}  // namespace lorvane
