#include <optional>
#include <ostream>

#include "app/forms.h"
#include "app/menu_form.h"
#include "app/title_form.h"
#include "form_test_support.h"
#include "toolkit/app.h"
#include "texts.h"
#include "toolkit/events.h"

namespace lorvane::test {
namespace {

using TitleScreen = WindowTest;

TEST_F(TitleScreen, NormalStartWaitsFourSecondsAndHandsOverToTheMenu) {
    const DateTime start = clockNow;
    frmTitle->Show();

    EXPECT_EQ(frmTitle.instance(), nullptr) << "the title window unloads itself";
    ASSERT_NE(frmMenu.instance(), nullptr);
    EXPECT_TRUE(frmMenu->Visible());
    EXPECT_FALSE(frmMenu->cmdSetSystem.Enabled());
    EXPECT_GE(clockNow, start.addSeconds(4));
    EXPECT_LE(clockNow, start.addSeconds(6)) << "the wait ends as soon as four seconds have passed";
    EXPECT_EQ(mdlMain().BackupSettings.LogFileName, L"C:\\WINNT\\tpbackup.log");
    EXPECT_TRUE(messages().empty());
}

TEST_F(TitleScreen, OtherPlatformShowsOnlyTheMessageAndEnds) {
    tk::testing::overrides().platformCode = 1;
    frmTitle->Show();

    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, L"このｿﾌﾄは、Windows NT用です。");
    EXPECT_EQ(messages()[0].style, 16);
    EXPECT_EQ(messages()[0].caption, L"Lorvane");
    EXPECT_TRUE(tk::programEnded());
    EXPECT_FALSE(frmTitle->Visible());
    EXPECT_EQ(frmMenu.instance(), nullptr);
    EXPECT_EQ(mdlMain().BackupSettings.LogFileName, L"") << "no start values on a refused platform";
}

TEST_F(TitleScreen, SecondInstanceHandsOverToTheFirstAndEnds) {
    struct Case {
        const char* name;
        tk::WindowFound windowFound;
        int entersSent;
    };
    // An earlier instance showing a dialog or a question is only brought to the front.
    for (const Case c :
         {Case{"menu in front", tk::WindowFound::TakesInput, 1}, Case{"no window", tk::WindowFound::None, 0},
          Case{"a dialog or a question open", tk::WindowFound::FrontOnly, 0}}) {
        SCOPED_TRACE(c.name);
        tk::testing::begin();
        auto& o = tk::testing::overrides();
        o.platformCode = 2;
        o.prevInstance = true;
        o.windowFound = c.windowFound;
        frmTitle->Show();

        EXPECT_TRUE(tk::programEnded());
        EXPECT_EQ(o.entersSent, c.entersSent);
        if (c.windowFound != tk::WindowFound::None) {
            EXPECT_EQ(o.activatedTitles, std::vector<std::wstring>{L"Lorvane"});
        }
        EXPECT_FALSE(frmTitle->Visible());
        EXPECT_EQ(frmMenu.instance(), nullptr);
        EXPECT_TRUE(messages().empty());
    }
}

TEST_F(TitleScreen, LabelsComeFromTheVersionInformation) {
    TitleForm title;
    title.Hide();  // loads the window without showing it

    const tk::VersionInfo version = tk::AppVersion();
    EXPECT_EQ(version.productName, L"Lorvane");
    EXPECT_FALSE(version.companyName.empty());
    EXPECT_EQ(title.lblCompanyProduct.Caption(), version.companyName);
    EXPECT_EQ(title.lblProductName.Caption(), L"Lorvane");
    EXPECT_EQ(title.lblVersion.Caption(), L"ﾊﾞｰｼﾞｮﾝ 0.3.1");
    EXPECT_EQ(versionText({L"", L"", 10, 0, 12}), L"ﾊﾞｰｼﾞｮﾝ 10.0.12");
}

using MainMenu = WindowTest;

struct FlagsCase {
    const char* name;
    Int16 backupInfoSet, scheduleSet;
    bool enabled;
    friend std::ostream& operator<<(std::ostream& os, const FlagsCase& c) { return os << c.name; }
};
using MainMenuApplyButton = Table<MainMenu, FlagsCase>;

TEST_P(MainMenuApplyButton, NeedsBothFlagsExactlyTrue) {
    const FlagsCase& c = GetParam();
    mdlMain().BackupInfoSet = c.backupInfoSet;
    mdlMain().ScheduleSet = c.scheduleSet;
    frmMenu->Show();
    EXPECT_EQ(frmMenu->cmdSetSystem.Enabled(), c.enabled);
}

INSTANTIATE_TEST_SUITE_P(, MainMenuApplyButton,
                         ::testing::Values(FlagsCase{"NeitherSet", 0, 0, false},
                                           FlagsCase{"OnlyBackupInfo", -1, 0, false},
                                           FlagsCase{"OnlySchedule", 0, -1, false},
                                           FlagsCase{"OneIsNotTrue", 1, 1, false},  // only -1 is true
                                           FlagsCase{"BothSet", -1, -1, true}),
                         CaseName());

TEST_F(MainMenu, IsCentredWithItsButtonsInTabOrder) {
    auto& o = tk::testing::overrides();
    o.screenWidthTwips = 15360;
    o.screenHeightTwips = 11520;
    frmMenu->Show();

    MenuForm& menu = *frmMenu;
    EXPECT_FLOAT_EQ(menu.Left(), 15360 / 2.0f - menu.Width() / 2);
    EXPECT_FLOAT_EQ(menu.Top(), 11520 / 2.0f - menu.Height() / 2);
    const tk::Button* order[] = {&menu.cmdSetBkupInfo, &menu.cmdSetDate, &menu.cmdSetSystem,
                                 &menu.cmdShowLog};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(order[i]->TabIndex(), i);
}

TEST_F(MainMenu, VersionItemIsGreyedAndDoesNothing) {
    frmMenu->Show();
    EXPECT_FALSE(frmMenu->mnuVersion.Enabled());
    tk::user::choose(frmMenu->mnuVersion);
    EXPECT_TRUE(frmMenu->Visible());
    EXPECT_TRUE(messages().empty());
}

struct EndingCase {
    const char* name;
    bool useCloseBox;
    // Settings confirmed in a dialog and never applied: the question is asked and answered so.
    std::optional<int> unappliedAnswer = {};
    friend std::ostream& operator<<(std::ostream& os, const EndingCase& c) { return os << c.name; }
};
using MainMenuEnding = Table<MainMenu, EndingCase>;

TEST_P(MainMenuEnding, EndsTheProgramOrStaysAsAnswered) {
    const EndingCase& c = GetParam();
    frmMenu->Show();
    if (c.unappliedAnswer) {
        mdlMain().BackupInfoSet = kTrue;
        tk::testing::answerNextMessageBox(*c.unappliedAnswer);
    }
    if (c.useCloseBox)
        tk::user::closeBox(*frmMenu);
    else
        tk::user::choose(frmMenu->mnuExit);
    const bool ends = c.unappliedAnswer.value_or(mb::Yes) == mb::Yes;
    EXPECT_EQ(messages().size(), c.unappliedAnswer ? 1u : 0u);
    if (c.unappliedAnswer) {
        EXPECT_EQ(messages()[0].text, texts::kUnappliedQuestion);
    }
    EXPECT_EQ(frmMenu.instance() == nullptr, ends);
    EXPECT_EQ(tk::loadedForms().empty(), ends);
    EXPECT_EQ(tk::testing::overrides().allFormsUnloaded, ends);
    if (!ends) {
        EXPECT_TRUE(frmMenu->Visible());
    }
}

INSTANTIATE_TEST_SUITE_P(, MainMenuEnding,
                         ::testing::Values(EndingCase{"ExitItem", false}, EndingCase{"CloseBox", true},
                                           EndingCase{"UnappliedExitItemYes", false, mb::Yes},
                                           EndingCase{"UnappliedExitItemNo", false, mb::No},
                                           EndingCase{"UnappliedCloseBoxYes", true, mb::Yes},
                                           EndingCase{"UnappliedCloseBoxNo", true, mb::No}),
                         CaseName());

}  // namespace
}  // namespace lorvane::test
