#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backupinfo/select_path_form.h"
#include "form_test_support.h"
#include "toolkit/file_system.h"

namespace lorvane::test {
namespace {

// Real folders under Wine, the headless machine's folders natively.
const std::wstring kRoot = L"C:\\lorvane-picker-test";

class FolderPicker : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        for (const wchar_t* folder : {L"\\DATA\\SUB", L"\\b", L"\\A", L"\\c"})
            tk::testing::makeFolder(kRoot + folder);
    }
    void TearDown() override {
        WindowTest::TearDown();
        tk::testing::removeFolder(kRoot);
    }

    using Steps = std::function<void(SelectPathForm&)>;

    // Uses the picker as its caller does and returns what it hands back.
    std::optional<std::wstring> pick(const Steps& steps) {
        SelectPathForm& picker = frmSelectPath.get();
        picker.Hide();
        picker.Caption(L"Lorvane - test");
        tk::testing::onNextModal([&](tk::Form&) {
            EXPECT_EQ(picker.txtPath.Text(), L"C:\\") << "every picker starts at the Windows drive's root";
            EXPECT_EQ(picker.drvPath.Drive(), L"C:");
            steps(picker);
        });
        picker.Show(tk::ShowMode::Modal);
        std::optional<std::wstring> result = picker.chosen();
        picker.Unload();
        return result;
    }

    static void open(SelectPathForm& picker, const std::wstring& name) {
        const int row = picker.dirPath.find(name);
        ASSERT_GE(row, 0) << "no such folder in the list";
        tk::user::doubleClick(picker.dirPath, row);
    }
    static void highlight(SelectPathForm& picker, const std::wstring& name) {
        tk::user::select(picker.dirPath, picker.dirPath.find(name));
    }
};

TEST_F(FolderPicker, ReturnsTheOpenFolderNotTheHighlightedOne) {
    const std::wstring test = kRoot.substr(3);
    struct Case {
        const char* name;
        Steps steps;
        std::optional<std::wstring> result;
    };
    const Case cases[] = {
        {"OkAtOnce", [](SelectPathForm& p) { tk::user::click(p.cmdOk); }, L"C:\\"},
        {"HighlightedIsNotOpened",
         [&](SelectPathForm& p) {
             open(p, test);
             highlight(p, L"DATA");
             tk::user::click(p.cmdOk);
         },
         kRoot},
        {"EnterOpensTheArrowOnlyHighlights",
         [&](SelectPathForm& p) {
             open(p, test);
             highlight(p, L"DATA");
             tk::user::pressKey(p.dirPath, tk::key::Return);
             tk::user::pressKey(p.dirPath, tk::key::Down);  // onto SUB, only highlighted
             tk::user::click(p.cmdOk);
         },
         kRoot + L"\\DATA"},
        {"BackToTheRootThroughThePath",
         [&](SelectPathForm& p) {
             open(p, test);
             open(p, L"DATA");
             open(p, L"C:\\");  // back up to the root through the path rows
             tk::user::click(p.cmdOk);
         },
         L"C:\\"},
        {"Cancel",
         [&](SelectPathForm& p) {
             open(p, test);
             tk::user::click(p.cmdCancel);
         },
         std::nullopt},
        {"CloseBox",
         [&](SelectPathForm& p) {
             open(p, test);
             tk::user::closeBox(p);
         },
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pick(c.steps), c.result);
    }
}

TEST_F(FolderPicker, ListsThePathThenTheSubfoldersIndented) {
    pick([&](SelectPathForm& p) {
        open(p, kRoot.substr(3));
        open(p, L"DATA");
        EXPECT_EQ(p.txtPath.Text(), kRoot + L"\\DATA") << "the path box follows the open folder";
        std::vector<std::wstring> rows;
        for (int row = 0; row < p.dirPath.ListCount(); ++row)
            rows.push_back(std::to_wstring(p.dirPath.indent(row)) + L" " + p.dirPath.List(row));
        EXPECT_EQ(rows, (std::vector<std::wstring>{L"0 C:\\", L"1 " + kRoot.substr(3), L"2 DATA", L"3 SUB"}));
        EXPECT_EQ(p.dirPath.pathRows(), 3);
        open(p, kRoot.substr(3));
        const int a = p.dirPath.find(L"A");
        EXPECT_EQ(std::vector<int>({p.dirPath.find(L"b"), p.dirPath.find(L"c"), p.dirPath.find(L"DATA")}),
                  std::vector<int>({a + 1, a + 2, a + 3}))
            << "subfolders in name order, case aside";
        tk::user::click(p.cmdOk);
    });
}

TEST_F(FolderPicker, UnreadableDriveLeavesTheListWhereItWas) {
    if (!tk::testing::addUnreadableDrive(L'Q')) GTEST_SKIP() << "no way to add a drive here";
    const std::optional<std::wstring> result = pick([&](SelectPathForm& p) {
        open(p, kRoot.substr(3));
        tk::user::select(p.drvPath, L"Q:");
        EXPECT_EQ(p.drvPath.Drive(), L"C:");
        EXPECT_EQ(p.dirPath.Path(), kRoot);
        tk::user::click(p.cmdOk);
    });
    tk::testing::removeDrive(L'Q');
    EXPECT_EQ(result, kRoot);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text,
              L"ﾄﾞﾗｲﾌﾞ Q: を読み取れません。ﾄﾞﾗｲﾌﾞの準備ができているか確認してください。");
    EXPECT_EQ(messages()[0].style, 48);
}

// A folder gone since the list was read: the picker says why and stays where it
// was, so that OK does not take the parent for the folder the user meant.
TEST_F(FolderPicker, FolderThatCannotBeOpenedIsSaidSoAndTheListStays) {
    const std::optional<std::wstring> result = pick([&](SelectPathForm& p) {
        open(p, kRoot.substr(3));
        tk::testing::removeFolder(kRoot + L"\\A");
        open(p, L"A");
        EXPECT_EQ(p.dirPath.Path(), kRoot);
        EXPECT_EQ(p.txtPath.Text(), kRoot);
        tk::user::click(p.cmdOk);
    });
    EXPECT_EQ(result, kRoot);
    ASSERT_EQ(messages().size(), 1u);
    const std::wstring headline = L"ﾌｫﾙﾀﾞ " + kRoot + L"\\A を開けません。\r\n\r\n";
    EXPECT_EQ(messages()[0].text.substr(0, headline.size()), headline);
    EXPECT_GT(messages()[0].text.size(), headline.size()) << "the system's reason follows";
    EXPECT_EQ(messages()[0].style, 48);
}

}  // namespace
}  // namespace lorvane::test
