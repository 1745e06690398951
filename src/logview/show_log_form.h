// The log viewer: shows a log file that the user picks, can open another one,
// empty the view and change its font. After every close the program shows
// its main menu again.
#pragma once

#include <cstdint>
#include <string>

#include "core/settings.h"
#include "toolkit/common_dialog.h"
#include "toolkit/form.h"
#include "toolkit/menu.h"
#include "toolkit/rich_text.h"

namespace lorvane {

class ShowLogForm final : public tk::Form {
public:
    ShowLogForm();

    tk::RichText rtfShowLog{*this, L"rtfShowLog"};
    tk::CommonDialog dlgShowLog{*this, L"dlgShowLog"};

    tk::MenuItem mnuFile{*this, L"mnuFile", L"ﾌｧｲﾙ(&F)"};
    tk::MenuItem mnuOpenFile{mnuFile, L"mnuOpenFile", L"開く(&O)", tk::Shortcut::CtrlO};
    tk::MenuItem mnuCloseFile{mnuFile, L"mnuCloseFile", L"閉じる(&C)"};
    tk::MenuItem mnuExit{mnuFile, L"mnuExit", L"終了(&X)"};
    tk::MenuItem mnuEdit{*this, L"mnuEdit", L"編集(&E)"};
    tk::MenuItem mnuSerach{mnuEdit, L"mnuSerach", L"検索(&F)"};
    tk::MenuItem mnuSerachNext{mnuEdit, L"mnuSerachNext", L"次を検索(&N)", tk::Shortcut::F3};
    tk::MenuItem mnuStyle{*this, L"mnuStyle", L"書式(&O)"};
    tk::MenuItem mnuFont{mnuStyle, L"mnuFont", L"ﾌｫﾝﾄ(&F)"};

    // 1: the first file is still to be chosen; -1: that choice was cancelled and
    // the window is closing; 0: a file has been loaded.
    Int16 FirstOpen = 1;

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Resize() override;

private:
    // Asks for the file: 1 when the user cancelled, 0 with path set to the chosen file.
    std::int32_t SelectLogFile(std::wstring& path);
    // Loads the file into the view, or tells the user why it cannot be read: false.
    bool ShowLogFile(const std::wstring& path);

    void mnuOpenFile_Click();
    void mnuCloseFile_Click();
    void mnuExit_Click();
    void mnuFont_Click();
};

}  // namespace lorvane
