// The folder picker: a small modal window with a drive list and a folder list.
// Its caller sets the captions, shows it modally, takes what was chosen and
// then unloads it.
#pragma once

#include <optional>
#include <string>

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

    // The folder taken with OK; nothing when the picker was cancelled (its
    // Cancel button or its close box).
    const std::optional<std::wstring>& chosen() const { return chosen_; }

protected:
    void Form_Load() override;
    void Form_Unload() override;

private:
    void drvPath_Change();
    void dirPath_Change();
    void dirPath_OpenFailed(const tk::FolderUnreadable& unreadable);
    void cmdOk_Click();
    void cmdCancel_Click();

    std::optional<std::wstring> chosen_;
    bool restoringDrive_ = false;
};

// The picker's program-wide reference: each use creates a fresh one.
extern tk::FormRef<SelectPathForm> frmSelectPath;

}  // namespace lorvane
