#include <string>
#include <vector>

#include "form_test_support.h"
#include "texts.h"
#include "toolkit/choices.h"
#include "toolkit/common_dialog.h"
#include "toolkit/list_box.h"
#include "toolkit/text_box.h"

namespace lorvane::test {
namespace {

class ControlsForm final : public tk::Form {
public:
    ControlsForm() {
        Caption(L"Lorvane - controls");
        clientSize(6000, 4000);
        chkOption.Move(120, 120, 2400, 300);
        chkOption.Caption(L"検査(&V)");
        fraMode.Move(120, 480, 2600, 1000);
        optFirst.Move(120, 240, 2000, 300);
        optFirst.Caption(L"追加");
        optSecond.Move(120, 600, 2000, 300);
        optSecond.Caption(L"上書き");
        optOutside.Move(3000, 120, 2000, 300);
        optOutside.Caption(L"別の組");
        txtGuide.Move(120, 1600, 3000, 315);
        lstSingle.Move(120, 2000, 2400, 1500);
        lstMulti.Move(3000, 2000, 2400, 1500);
        lstMulti.multiSelect = tk::MultiSelect::Simple;
        for (const wchar_t* item : {L"日", L"月", L"火", L"水"}) {
            lstSingle.AddItem(item);
            lstMulti.AddItem(item);
        }
        int tab = 0;
        for (tk::Control* c : std::initializer_list<tk::Control*>{
                 &chkOption, &optFirst, &optSecond, &optOutside, &txtGuide, &lstSingle, &lstMulti})
            c->TabIndex(tab++);
        chkOption.Click = [this] { log.push_back(L"chk"); };
        optSecond.Click = [this] { log.push_back(L"opt2"); };
        txtGuide.Change = [this] { log.push_back(L"txt:" + txtGuide.Text()); };
        lstSingle.Click = [this] { log.push_back(L"lst:" + std::to_wstring(lstSingle.ListIndex())); };
        lstMulti.DblClick = [this] { log.push_back(L"dbl"); };
    }
    tk::CheckBox chkOption{*this};
    tk::Frame fraMode{*this};
    tk::OptionButton optFirst{fraMode};
    tk::OptionButton optSecond{fraMode};
    tk::OptionButton optOutside{*this};
    tk::TextBox txtGuide{*this};
    tk::ListBox lstSingle{*this};
    tk::ListBox lstMulti{*this};
    tk::CommonDialog dlgOpen{*this};
    std::vector<std::wstring> log;
};

using ToolkitControls = WindowTest;

TEST_F(ToolkitControls, UserActionsReachTheModelAndRunTheHandlers) {
    ControlsForm form;
    form.Show();
    tk::user::click(form.chkOption);
    tk::user::click(form.optFirst);
    tk::user::click(form.optOutside);  // another container: a group of its own
    tk::user::click(form.optSecond);
    tk::user::type(form.txtGuide, texts::kWeeklyGuide);
    tk::user::select(form.lstSingle, 2);
    tk::user::select(form.lstMulti, 1);
    tk::user::select(form.lstMulti, 3);
    tk::user::select(form.lstMulti, 1);  // clicked again: off
    tk::user::doubleClick(form.lstMulti, 0);

    EXPECT_EQ(form.chkOption.Value(), 1);
    EXPECT_FALSE(form.optFirst.Value());
    EXPECT_TRUE(form.optSecond.Value());
    EXPECT_TRUE(form.optOutside.Value());
    EXPECT_EQ(form.txtGuide.Text(), texts::kWeeklyGuide);
    EXPECT_EQ(form.lstSingle.ListIndex(), 2);
    const std::vector<bool> multi = {form.lstMulti.Selected(0), form.lstMulti.Selected(1),
                                     form.lstMulti.Selected(2), form.lstMulti.Selected(3)};
    EXPECT_EQ(multi, (std::vector<bool>{true, false, false, true}));
    EXPECT_EQ(form.log, (std::vector<std::wstring>{
                            L"chk", L"opt2", L"txt:" + std::wstring(texts::kWeeklyGuide), L"lst:2", L"dbl"}));
}

TEST_F(ToolkitControls, DisabledControlsIgnoreTheUser) {
    ControlsForm form;
    form.Show();
    form.fraMode.Enabled(false);
    tk::user::click(form.optSecond);
    EXPECT_FALSE(form.optSecond.Value()) << "a disabled frame disables what it holds";
    form.txtGuide.Locked = true;
    form.txtGuide.Text(L"固定");
    form.txtGuide.Enabled(false);
    tk::user::type(form.txtGuide, L"変更");
    EXPECT_EQ(form.txtGuide.Text(), L"固定");
}

TEST_F(ToolkitControls, OpenDialogReportsChoiceCancelAndFailure) {
    ControlsForm form;
    form.Show();
    form.dlgOpen.CancelError = true;
    form.dlgOpen.Filter = L"ﾛｸﾞﾌｧｲﾙ (*.log)|*.log|すべてのﾌｧｲﾙ (*.*)|*.*";
    form.dlgOpen.FileName = L"*.log";
    form.dlgOpen.Flags = tk::cdl::CreatePrompt;

    tk::testing::cancelDialog();
    EXPECT_EQ(form.dlgOpen.ShowOpen(), tk::cdl::Cancel);
    EXPECT_EQ(form.dlgOpen.FileName, L"*.log") << "a cancel leaves the name as it was";
    tk::testing::failDialog();
    EXPECT_NE(form.dlgOpen.ShowOpen(), 0);
    tk::testing::chooseFile(L"C:\\windows\\win.ini");
    EXPECT_EQ(form.dlgOpen.ShowOpen(), 0);
    EXPECT_EQ(form.dlgOpen.FileName, L"C:\\windows\\win.ini");

    ASSERT_EQ(tk::testing::shownDialogs().size(), 3u);
    EXPECT_EQ(tk::testing::shownDialogs()[0].filter, form.dlgOpen.Filter);
    EXPECT_EQ(tk::testing::shownDialogs()[0].flags, 0x2000);
}

}  // namespace
}  // namespace lorvane::test
