// The folder picker: a small modal window with a drive list and a folder list.
// Its caller sets the captions, shows it modally, reads the path box (the
// chosen folder, or "Cancel") and then unloads it.
#pragma once

#include "toolkit/controls.h"
#include "toolkit/drive_list.h"
#include "toolkit/folder_list.h"
#include "toolkit/form.h"
#include "toolkit/text_box.h"

namespace lorvane {

class SelectPathForm final : public tk::Form {
public:
    SelectPathForm();

    tk::FolderList dirPath{*this};
    tk::Button cmdOk{*this};
    tk::Button cmdCancel{*this};
    tk::DriveList drvPath{*this};
    tk::TextBox txtPath{*this};
    tk::Label lblPath{*this};

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    void drvPath_Change();
    void dirPath_Change();
    void cmdOk_Click();
    void cmdCancel_Click();

    bool restoringDrive_ = false;
};

// The picker's program-wide reference: each use creates a fresh one.
extern tk::FormRef<SelectPathForm> frmSelectPath;

}  // namespace lorvane
