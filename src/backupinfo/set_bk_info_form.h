// The backup settings dialog: the folders to back up and how, read from the
// backup record when it opens and written back as a whole by OK.
#pragma once

#include <optional>
#include <string>

#include "apply/backup_rules.h"
#include "core/settings.h"

#include "toolkit/choices.h"
#include "toolkit/combo_box.h"
#include "toolkit/common_dialog.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/list_box.h"
#include "toolkit/text_box.h"

namespace lorvane {

class SetBkInfoForm final : public tk::Form {
public:
    SetBkInfoForm();

    tk::Frame fraBackupPath{*this};
    tk::ListBox lstBackupPath{fraBackupPath};
    tk::Button cmdAddPath{fraBackupPath};
    tk::Button cmdDelPath{fraBackupPath};
    tk::Frame fraWriteMode{*this};
    tk::OptionButton optWriteMode1{fraWriteMode};
    tk::OptionButton optWriteMode2{fraWriteMode};
    tk::CheckBox chkVerify{*this};
    tk::CheckBox chkRegBackup{*this};
    tk::CheckBox chkRestriction{*this};
    tk::CheckBox chkCompression{*this};
    tk::Label lblGuide{*this};
    tk::TextBox txtGuide{*this};
    tk::Label lblBackupMode{*this};
    tk::ComboBox cboBackupMode{*this};
    tk::Frame FraLog{*this};
    tk::Label lblLogFile{FraLog};
    tk::TextBox txtLogFileName{FraLog};
    tk::Button cmdSelectLogFile{FraLog};
    tk::OptionButton optLogFileMode1{FraLog};
    tk::OptionButton optLogFileMode2{FraLog};
    // The folder that the copy backup writes into: shown only where robocopy carries the backup.
    tk::Frame fraDestination{*this};
    tk::Label lblDestination{fraDestination};
    tk::TextBox txtDestination{fraDestination};
    tk::Button cmdSelectDestination{fraDestination};
    // How many full backups the copy keeps, with the sets that depend on them.
    tk::Label lblKeepFullSets{fraDestination};
    tk::TextBox txtKeepFullSets{fraDestination};
    tk::Label lblKeepFullSetsNote{fraDestination};
    tk::Button cmdOk{*this};
    tk::Button cmdCancel{*this};
    tk::CommonDialog dlgShowLog{*this};

protected:
    void Form_Load() override;

private:
    void cboBackupMode_KeyPress(int& KeyAscii);
    void cmdAddPath_Click();
    void cmdDelPath_Click();
    void cmdSelectLogFile_Click();
    void cmdSelectDestination_Click();
    void cmdOk_Click();
    void cmdCancel_Click();
    // The folder picker with these captions: the folder chosen, or nothing when cancelled.
    std::optional<std::wstring> pickFolder(const wchar_t* caption, const wchar_t* label, const wchar_t* ok);
    // Shows the destination row and makes room for it.
    void showDestinationRow();
    BackupRecord recordFromControls() const;

    BackupMethod method_ = BackupMethod::Tape;
};

}  // namespace lorvane
