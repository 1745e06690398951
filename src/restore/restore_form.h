// The restore window (復元): the sets at the registered destination or one the
// user picks, newest first; the files of the chosen set's state (its chain of sets
// resolved); a restore of the chosen folders and files to where they were or into
// another folder, with its progress, cancellable; and the restore drill on demand.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "backup/backup_sets.h"
#include "backup/backup_system.h"
#include "backup/restore_chain.h"
#include "toolkit/choices.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/list_box.h"
#include "toolkit/progress_bar.h"
#include "toolkit/text_box.h"

namespace lorvane {

class RestoreForm final : public tk::Form {
public:
    RestoreForm();

    tk::Label lblDestination{*this};
    tk::TextBox txtDestination{*this};
    tk::Button cmdPickDestination{*this};
    tk::Button cmdShowSets{*this};
    tk::Label lblSets{*this};
    tk::ListBox lstSets{*this};
    tk::Label lblFiles{*this};
    tk::ListBox lstFiles{*this};
    tk::Label lblHives{*this};
    tk::Frame fraTarget{*this};
    tk::OptionButton optOriginal{fraTarget};
    tk::OptionButton optOther{fraTarget};
    tk::TextBox txtTarget{fraTarget};
    tk::Button cmdPickTarget{fraTarget};
    tk::ProgressBar prgRestore{*this};
    tk::Label lblStatus{*this};
    tk::Button cmdRestore{*this};
    tk::Button cmdDrill{*this};
    tk::Button cmdClose{*this};

protected:
    void Form_Load() override;
    bool Form_QueryUnload() override;

private:
    void cmdPickDestination_Click();
    void cmdShowSets_Click();
    void lstSets_Click();
    void optOriginal_Click();
    void optOther_Click();
    void cmdPickTarget_Click();
    void cmdRestore_Click();
    void cmdDrill_Click();
    void cmdClose_Click();

    void showSets(bool tell);
    std::vector<std::wstring> chosenPaths() const;
    void running(bool on);
    void writeJobLog(const std::wstring& line);

    backup::BackupSystem* system_;
    std::wstring destination_, jobLog_;
    std::vector<backup::FoundSet> sets_;  // oldest first; the list shows them newest first
    std::optional<std::size_t> chosenSet_;
    backup::ResolvedTree tree_;
    std::vector<std::wstring> filePaths_;  // the original path of each line of lstFiles
    bool running_ = false, stopAsked_ = false;
};

// The system the window reads the sets from and restores through; the program
// hands over its platform's at start. Without one the window says so.
void useRestoreSystem(backup::BackupSystem* system);

}  // namespace lorvane
