#include "backupinfo/set_bk_info_form.h"

#include <initializer_list>
#include <optional>
#include <utility>

#include "apply/batch_text.h"
#include "apply/command_checks.h"
#include "backupinfo/select_path_form.h"
#include "core/host.h"
#include "core/settings.h"
#include "core/subroutines.h"
#include "placement/placement.h"
#include "toolkit/app.h"
#include "toolkit/dialog_failure.h"
#include "toolkit/typed_number.h"

namespace lorvane {
namespace {

void place(tk::Control& control, float left, float top, float width, float height, int tab) {
    control.Move(left, top, width, height);
    control.TabIndex(tab);
}

// The destination row under the log area, and how far it pushes OK and ｷｬﾝｾﾙ down.
constexpr float kDestinationTop = 4620;
constexpr float kDestinationRow = 1080;

// More full sets than this would only fill the destination.
constexpr long long kMostFullSetsKept = 99;

// Each on/off option of the record with the check box that shows it: a new option
// is one more row here, read at the opening and written at OK.
constexpr std::pair<Int16 BackupRecord::*, tk::CheckBox SetBkInfoForm::*> kOptionBoxes[] = {
    {&BackupRecord::Verify, &SetBkInfoForm::chkVerify},
    {&BackupRecord::RegBackup, &SetBkInfoForm::chkRegBackup},
    {&BackupRecord::Restriction, &SetBkInfoForm::chkRestriction},
    {&BackupRecord::Compression, &SetBkInfoForm::chkCompression},
};

tk::Font boldButtonFont() {
    tk::Font bold;
    bold.Name = L"ＭＳ Ｐゴシック";
    bold.Size = 9;
    bold.Bold = true;
    bold.Charset = tk::charset::ShiftJis;
    return bold;
}

// A label, the box it names and a bold "..." button on the first line of their
// frame, taking three tab stops from `tab`: how the log file and the destination are chosen.
void placePathRow(tk::Label& label, const wchar_t* caption, tk::TextBox& box, tk::Button& browse, int tab) {
    place(label, 180, 240, 795, 195, tab);
    label.Caption(caption);
    label.names = &box;
    place(box, 1140, 180, 5235, 315, tab + 1);
    place(browse, 6480, 180, 315, 315, tab + 2);
    browse.Caption(L"...");
    browse.Font(boldButtonFont());
}

}  // namespace

SetBkInfoForm::SetBkInfoForm() {
    Caption(L"Lorvane - ﾊﾞｯｸｱｯﾌﾟ情報の設定");
    borderStyle = tk::BorderStyle::FixedSingle;
    MinButton = true;
    MaxButton = false;
    clientSize(7410, 5130);

    place(fraBackupPath, 240, 120, 6915, 1155, 0);
    fraBackupPath.Caption(L"ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽ");
    place(lstBackupPath, 180, 240, 5355, 780, 1);
    place(cmdAddPath, 5640, 240, 1155, 375, 2);
    cmdAddPath.Caption(L"追加");
    place(cmdDelPath, 5640, 660, 1155, 375, 3);
    cmdDelPath.Caption(L"削除");

    place(fraWriteMode, 240, 1440, 1875, 975, 4);
    fraWriteMode.Caption(L"書き込みモード");
    place(optWriteMode1, 300, 240, 975, 255, 5);
    optWriteMode1.Caption(L"追加");
    place(optWriteMode2, 300, 600, 975, 255, 6);
    optWriteMode2.Caption(L"上書き");

    place(chkVerify, 3060, 1320, 2835, 255, 7);
    chkVerify.Caption(L"ﾊﾞｯｸｱｯﾌﾟ後に検査を行う");
    place(chkRegBackup, 3060, 1680, 2835, 255, 8);
    chkRegBackup.Caption(L"ﾛｰｶﾙﾚｼﾞｽﾄﾘﾌｧｲﾙのﾊﾞｯｸｱｯﾌﾟ");
    place(chkRestriction, 3060, 2040, 3735, 255, 9);
    chkRestriction.Caption(L"所有者または管理者以外のｱｸｾｽを制限する");
    place(chkCompression, 3060, 2400, 3735, 255, 10);
    chkCompression.Caption(L"ﾊｰﾄﾞｳｪｱによる圧縮を行う");

    place(lblGuide, 240, 2820, 795, 195, 11);
    lblGuide.Caption(L"説明");
    lblGuide.names = &txtGuide;
    place(txtGuide, 1200, 2760, 3135, 315, 12);
    place(lblBackupMode, 240, 3240, 1635, 195, 13);
    lblBackupMode.Caption(L"ﾊﾞｯｸｱｯﾌﾟの種類");
    lblBackupMode.names = &cboBackupMode;
    place(cboBackupMode, 2400, 3180, 1935, 300, 14);
    // Delete, Backspace or a paste would leave no type chosen, and the backup would
    // then silently run as ntbackup's default type.
    cboBackupMode.listOnly = true;

    place(FraLog, 240, 3600, 6915, 915, 15);
    FraLog.Caption(L"ﾛｸﾞ情報");
    placePathRow(lblLogFile, L"ﾛｸﾞﾌｧｲﾙ", txtLogFileName, cmdSelectLogFile, 16);
    place(optLogFileMode1, 1680, 600, 1575, 255, 19);
    optLogFileMode1.Caption(L"すべての情報");
    place(optLogFileMode2, 3900, 600, 1575, 255, 20);
    optLogFileMode2.Caption(L"例外情報のみ");

    // The keyboard takes the row after the log area; hidden, it is no stop at all.
    place(fraDestination, 240, kDestinationTop, 6915, 975, 21);
    fraDestination.Caption(L"保存先");
    fraDestination.Visible(false);
    placePathRow(lblDestination, L"ﾌｫﾙﾀﾞ", txtDestination, cmdSelectDestination, 22);
    place(lblKeepFullSets, 180, 600, 2400, 195, 25);
    lblKeepFullSets.Caption(L"保存する完全ﾊﾞｯｸｱｯﾌﾟの数");
    lblKeepFullSets.names = &txtKeepFullSets;
    place(txtKeepFullSets, 2640, 540, 615, 315, 26);
    place(lblKeepFullSetsNote, 3360, 600, 3015, 195, 27);
    lblKeepFullSetsNote.Caption(L"(0: すべて保存)");

    place(cmdOk, 1260, 4620, 1755, 375, 28);
    cmdOk.Caption(L"OK");
    place(cmdCancel, 4380, 4620, 1755, 375, 29);
    cmdCancel.Caption(L"ｷｬﾝｾﾙ");

    cboBackupMode.KeyPress = [this](int& KeyAscii) { cboBackupMode_KeyPress(KeyAscii); };
    cmdAddPath.Click = [this] { cmdAddPath_Click(); };
    cmdDelPath.Click = [this] { cmdDelPath_Click(); };
    cmdSelectLogFile.Click = [this] { cmdSelectLogFile_Click(); };
    cmdSelectDestination.Click = [this] { cmdSelectDestination_Click(); };
    cmdOk.Click = [this] { cmdOk_Click(); };
    cmdCancel.Click = [this] { cmdCancel_Click(); };
}

void SetBkInfoForm::Form_Load() {
    // Asked at every opening: the system may have changed since the last one.
    method_ = findBackupMethod(systemAccess());
    if (method_ != BackupMethod::None && describe(method_).copiesToFolder()) showDestinationRow();
    subMoveForm(*this, placement::Centre);
    for (const wchar_t* type : kBackupTypes) cboBackupMode.AddItem(type);

    const BackupRecord& backup = mdlMain().BackupSettings;
    (backup.WriteMode == writeMode::Append ? optWriteMode1 : optWriteMode2).Value(true);
    for (const auto& [option, box] : kOptionBoxes)
        (this->*box).Value(backup.*option == 1 ? tk::checked::Checked : tk::checked::Unchecked);
    txtGuide.Text(backup.Guide);
    if (backup.BackupMode >= -1 && backup.BackupMode < cboBackupMode.ListCount())
        cboBackupMode.ListIndex(backup.BackupMode);
    txtLogFileName.Text(backup.LogFileName);
    (backup.LogFileMode == logFileMode::Everything ? optLogFileMode1 : optLogFileMode2).Value(true);
    txtDestination.Text(backup.Destination);
    txtKeepFullSets.Text(std::to_wstring(backup.KeepFullSets));

    // The folders of the last OK, so that the user edits the list rather than typing it again.
    for (const std::wstring& path : backup.BackupPath) lstBackupPath.AddItem(path);
}

// Nothing can be typed: the type is chosen from the list only.
void SetBkInfoForm::cboBackupMode_KeyPress(int& KeyAscii) { KeyAscii = 0; }

void SetBkInfoForm::showDestinationRow() {
    clientSize(ScaleWidth(), ScaleHeight() + kDestinationRow);
    for (tk::Button* button : {&cmdOk, &cmdCancel})
        button->Move(button->Left(), button->Top() + kDestinationRow, button->Width(), button->Height());
    fraDestination.Visible(true);
    // Without a tape drive there is no hardware to compress; the value is kept.
    chkCompression.Enabled(false);
}

std::optional<std::wstring> SetBkInfoForm::pickFolder(const wchar_t* caption, const wchar_t* label,
                                                      const wchar_t* ok) {
    // The instance stays in hand: closing it by its close box lets go of the reference.
    SelectPathForm& picker = frmSelectPath.get();
    picker.Hide();  // loads it: its set-up fills the lists and the path box
    picker.Caption(caption);
    picker.lblPath.Caption(label);
    picker.cmdOk.Caption(ok);
    picker.Show(tk::ShowMode::Modal);
    std::optional<std::wstring> chosen = picker.chosen();
    picker.Unload();
    return chosen;
}

void SetBkInfoForm::cmdAddPath_Click() {
    const std::optional<std::wstring> chosen =
        pickFolder(L"Lorvane - ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽの指定", L"ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽ", L"追加");
    if (!chosen) return;
    // The search leaves the equal entry selected, or else the last one.
    bool found = false;
    for (int i = 0; i < lstBackupPath.ListCount() && !found; ++i) {
        lstBackupPath.ListIndex(i);
        found = trimBlanks(lstBackupPath.List(lstBackupPath.ListIndex())) == trimBlanks(*chosen);
    }
    if (!found) lstBackupPath.AddItem(std::wstring(trimBlanks(*chosen)));
}

void SetBkInfoForm::cmdDelPath_Click() {
    if (lstBackupPath.ListIndex() != -1) lstBackupPath.RemoveItem(lstBackupPath.ListIndex());
}

void SetBkInfoForm::cmdSelectLogFile_Click() {
    dlgShowLog.CancelError = true;
    dlgShowLog.DialogTitle = L"";
    dlgShowLog.FileName = L"*.log";
    dlgShowLog.Filter = L"ﾛｸﾞﾌｧｲﾙ (*.log)|*.log|すべてのﾌｧｲﾙ (*.*)|*.*";
    dlgShowLog.Flags = tk::cdl::CreatePrompt;
    if (tk::endOnDialogFailure(dlgShowLog.ShowOpen(), L"ﾌｧｲﾙを開く") == tk::cdl::Cancel) return;
    txtLogFileName.Text(dlgShowLog.FileName);
}

void SetBkInfoForm::cmdSelectDestination_Click() {
    if (const auto chosen = pickFolder(L"Lorvane - 保存先の指定", L"保存先", L"選択"))
        txtDestination.Text(std::wstring(trimBlanks(*chosen)));
}

BackupRecord SetBkInfoForm::recordFromControls() const {
    BackupRecord backup;
    for (int i = 0; i < lstBackupPath.ListCount(); ++i) backup.BackupPath.push_back(lstBackupPath.List(i));
    backup.WriteMode = optWriteMode1.Value() ? writeMode::Append : writeMode::Replace;
    for (const auto& [option, box] : kOptionBoxes) backup.*option = (this->*box).Value() == tk::checked::Checked ? 1 : 0;
    backup.Guide = txtGuide.Text();
    backup.BackupMode = static_cast<Int16>(cboBackupMode.ListIndex());
    backup.LogFileName = txtLogFileName.Text();
    backup.LogFileMode = optLogFileMode1.Value() ? logFileMode::Everything : logFileMode::ExceptionsOnly;
    backup.Destination = txtDestination.Text();
    return backup;
}

void SetBkInfoForm::cmdOk_Click() {
    BackupRecord backup = recordFromControls();
    backup.KeepFullSets = mdlMain().BackupSettings.KeepFullSets;  // kept where the row is not shown
    if (fraDestination.Visible()) {
        const std::optional<long long> keep = tk::typedWholeNumber(txtKeepFullSets.Text());
        if (!keep || *keep < 0 || *keep > kMostFullSetsKept) {
            MsgBox(L"保存する完全ﾊﾞｯｸｱｯﾌﾟの数には 0 から " + std::to_wstring(kMostFullSetsKept) +
                       L" までの数を指定してください。",
                   mb::Exclamation);
            return;
        }
        backup.KeepFullSets = static_cast<Int16>(*keep);
    }
    // The same checks as the apply action's, so that what OK accepts is refused
    // there only when the system changed in between.
    if (const std::wstring refusal = backupRefusal(backup, method_); !refusal.empty()) {
        MsgBox(refusal, mb::Exclamation);
        return;
    }
    if (method_ != BackupMethod::None) {
        const BackupMethodDescription& method = describe(method_);
        if (const auto refusal = commandRefusal(backup, method, {method.commandFile(backup, subGetSystemDir())})) {
            MsgBox(refusal->message, refusal->style);
            return;
        }
    }
    Settings& settings = mdlMain();
    settings.BackupSettings = std::move(backup);
    settings.BackupInfoSet = kTrue;
    Unload();
}

void SetBkInfoForm::cmdCancel_Click() { Unload(); }

}  // namespace lorvane
