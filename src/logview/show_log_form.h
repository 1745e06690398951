// The log viewer: shows a log file that the user picks, can open another one,
// read it again, find text in it, empty the view and change its font. Every
// close shows the main menu again.
#pragma once

#include <string>

#include "core/settings.h"
#include "toolkit/common_dialog.h"
#include "toolkit/find_dialog.h"
#include "toolkit/form.h"
#include "toolkit/menu.h"
#include "toolkit/rich_text.h"

namespace lorvane {

class ShowLogForm final : public tk::Form {
public:
    ShowLogForm();

    tk::RichText rtfShowLog{*this};
    tk::CommonDialog dlgShowLog{*this};
    tk::FindDialog dlgFind{*this};

    tk::MenuItem mnuFile{*this, L"ﾌｧｲﾙ(&F)"};
    tk::MenuItem mnuOpenFile{mnuFile, L"開く(&O)", tk::Shortcut::CtrlO};
    tk::MenuItem mnuCloseFile{mnuFile, L"閉じる(&C)"};
    tk::MenuItem mnuReload{mnuFile, L"最新の情報に更新(&R)", tk::Shortcut::F5};
    tk::MenuItem mnuExit{mnuFile, L"終了(&X)"};
    tk::MenuItem mnuEdit{*this, L"編集(&E)"};
    tk::MenuItem mnuSerach{mnuEdit, L"検索(&F)", tk::Shortcut::CtrlF};
    tk::MenuItem mnuSerachNext{mnuEdit, L"次を検索(&N)", tk::Shortcut::F3};
    // Not in the menu: Shift+F3 searches the other way.
    tk::MenuItem mnuSerachBack{mnuEdit, L"前を検索(&P)", tk::Shortcut::ShiftF3};
    tk::MenuItem mnuStyle{*this, L"書式(&O)"};
    tk::MenuItem mnuFont{mnuStyle, L"ﾌｫﾝﾄ(&F)"};

    // The first file is still to be chosen, or that choice was cancelled and the
    // window is closing, or a file is shown.
    enum class FirstOpenState { ToChoose, Cancelled, FileShown };
    FirstOpenState FirstOpen = FirstOpenState::ToChoose;

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Resize() override;

private:
    // Asks for the file; path is set when it is chosen.
    enum class LogFileChoice { Chosen, Cancelled };
    LogFileChoice SelectLogFile(std::wstring& path);
    // Loads the file into the view, or tells the user why it cannot be read: false.
    bool ShowLogFile(const std::wstring& path);
    // Tells the user the file cannot be read, with the view's reason.
    void TellUnreadable(const std::wstring& path);

    // Searches for the dialog's text, and says so when there is no more of it.
    void SearchLog(bool down);

    void mnuOpenFile_Click();
    void mnuCloseFile_Click();
    void mnuReload_Click();
    void mnuSerach_Click();
    void mnuSerachNext_Click();
    void mnuSerachBack_Click();
    void dlgFind_FindNext();
    void mnuExit_Click();
    void mnuFont_Click();
};

}  // namespace lorvane
