// The backup settings dialog: the folders to back up and how, read from the
// backup record when it opens and written back as a whole by OK.
#pragma once

#include <string>

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

    tk::Frame fraBackupPath{*this, L"fraBackupPath"};
    tk::ListBox lstBackupPath{fraBackupPath, L"lstBackupPath"};
    tk::Button cmdAddPath{fraBackupPath, L"cmdAddPath"};
    tk::Button cmdDelPath{fraBackupPath, L"cmdDelPath"};
    tk::Frame fraWriteMode{*this, L"fraWriteMode"};
    tk::OptionButton optWriteMode1{fraWriteMode, L"optWriteMode1"};
    tk::OptionButton optWriteMode2{fraWriteMode, L"optWriteMode2"};
    tk::CheckBox chkVerify{*this, L"chkVerify"};
    tk::CheckBox chkRegBackup{*this, L"chkRegBackup"};
    tk::CheckBox chkRestriction{*this, L"chkRestriction"};
    tk::CheckBox chkCompression{*this, L"chkCompression"};
    tk::Label lblGuide{*this, L"lblGuide"};
    tk::TextBox txtGuide{*this, L"txtGuide"};
    tk::Label lblBackupMode{*this, L"lblBackupMode"};
    tk::ComboBox cboBackupMode{*this, L"cboBackupMode"};
    tk::Frame FraLog{*this, L"FraLog"};
    tk::Label lblLogFile{FraLog, L"lblLogFile"};
    tk::TextBox txtLogFileName{FraLog, L"txtLogFileName"};
    tk::Button cmdSelectLogFile{FraLog, L"cmdSelectLogFile"};
    tk::OptionButton optLogFileMode1{FraLog, L"optLogFileMode1"};
    tk::OptionButton optLogFileMode2{FraLog, L"optLogFileMode2"};
    tk::Button cmdOk{*this, L"cmdOk"};
    tk::Button cmdCancel{*this, L"cmdCancel"};
    tk::CommonDialog dlgShowLog{*this, L"dlgShowLog"};

protected:
    void Form_Load() override;

private:
    void cboBackupMode_KeyPress(int& KeyAscii);
    void cmdAddPath_Click();
    void cmdDelPath_Click();
    void cmdSelectLogFile_Click();
    void cmdOk_Click();
    void cmdCancel_Click();
    // The message for a description or log file that the command file could not
    // carry safely; empty when both are fine.
    std::wstring unsafeTextMessage() const;
};

}  // namespace lorvane
