// Finding text in the log viewer and reading the log again, as the user does it:
// through the menu, its shortcuts and the system's find dialog.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/forms.h"
#include "app/menu_form.h"
#include "form_test_support.h"
#include "logview/show_log_form.h"
#include "toolkit/menu.h"

namespace lorvane::test {
namespace {

namespace fs = std::filesystem;

const std::wstring kNotFound = L"」が見つかりません。";

std::string utf16le(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF)};
    return bytes;
}

std::string utf8(const std::u8string& text) {
    return std::string(text.begin(), text.end());
}

class LogViewerFind : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        folder_ = fs::temp_directory_path() /
                  ("lorvane-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                   "-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(folder_);
        workingFolder_ = fs::current_path();
        frmMenu->Show();
    }
    void TearDown() override {
        WindowTest::TearDown();
        std::error_code ignored;
        fs::current_path(workingFolder_, ignored);
        fs::remove_all(folder_, ignored);
    }

    std::wstring file(const std::string& name, const std::string& bytes, bool append = false) {
        const fs::path path = folder_ / name;
        std::ofstream(path, std::ios::binary | (append ? std::ios::app : std::ios::trunc))
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return path.wstring();
    }

    ShowLogForm& openViewer(const std::wstring& path) {
        tk::testing::chooseFile(path);
        tk::user::click(frmMenu->cmdShowLog);
        return *frmShowLog;
    }

    // Ctrl+F, then the text typed into the dialog and its find button pressed.
    void find(ShowLogForm& viewer, const std::wstring& text, bool matchCase = false, bool down = true) {
        tk::user::press(viewer, tk::Shortcut::CtrlF);
        tk::user::findNext(viewer.dlgFind, text, matchCase, down);
    }

    fs::path folder_, workingFolder_;
};

TEST_F(LogViewerFind, CtrlFOpensTheFindDialogWithoutWholeWord) {
    ShowLogForm& viewer = openViewer(file("a.log", "one\r\n"));
    tk::user::press(viewer, tk::Shortcut::CtrlF);
    ASSERT_EQ(tk::testing::shownDialogs().back().kind, L"find");
    EXPECT_EQ(tk::testing::shownDialogs().back().fileName, L"");
    EXPECT_EQ(tk::testing::shownDialogs().back().flags, tk::fr::HideWholeWord | tk::fr::Down);
    EXPECT_TRUE(viewer.dlgFind.Visible());
    tk::user::close(viewer.dlgFind);
    EXPECT_FALSE(viewer.dlgFind.Visible());
    EXPECT_TRUE(messages().empty());
}

// Each press finds the next match and selects it; past the last one the user is
// told, and the selection stays on the last match.
TEST_F(LogViewerFind, FindNextWalksThroughTheMatchesAndSaysWhenThereAreNoMore) {
    struct Case {
        const char* name;
        std::wstring text;
        bool matchCase;
        bool down;
        std::vector<std::wstring> found;  // the selection after the dialog, then after each F3
    };
    const Case cases[] = {
        {"any case", L"error", false, true, {L"error", L"ERROR", L"Error"}},
        {"match case", L"ERROR", true, true, {L"ERROR"}},
        {"up from the start", L"error", false, false, {}},
        {"Japanese", L"エラー", false, true, {L"エラー"}},
        {"absent", L"skipped", false, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShowLogForm& viewer = openViewer(file("a.log", utf8(u8"a error\r\nb ERROR\r\nc エラー Error\r\n")));
        find(viewer, c.text, c.matchCase, c.down);
        for (std::size_t i = 1; i < c.found.size(); ++i) {
            EXPECT_EQ(viewer.rtfShowLog.SelText(), c.found[i - 1]);
            EXPECT_TRUE(messages().empty());
            tk::user::press(viewer, tk::Shortcut::F3);
        }
        if (!c.found.empty()) {
            EXPECT_EQ(viewer.rtfShowLog.SelText(), c.found.back());
            tk::user::press(viewer, tk::Shortcut::F3);
        }
        ASSERT_EQ(messages().size(), 1u);
        EXPECT_EQ(messages()[0].text, L"「" + c.text + kNotFound);
        EXPECT_EQ(messages()[0].style, mb::Exclamation);
        EXPECT_EQ(viewer.rtfShowLog.SelText(), c.found.empty() ? L"" : c.found.back());
        EXPECT_TRUE(viewer.mnuSerachNext.Enabled());
        tk::user::closeBox(viewer);
        tk::testing::clearMessages();
    }
}

TEST_F(LogViewerFind, ShiftF3SearchesTheOtherWay) {
    ShowLogForm& viewer = openViewer(file("a.log", "x1 x2 x3"));
    find(viewer, L"x");
    tk::user::press(viewer, tk::Shortcut::F3);
    tk::user::press(viewer, tk::Shortcut::F3);
    EXPECT_EQ(viewer.rtfShowLog.SelText(), L"x");
    tk::user::press(viewer, tk::Shortcut::ShiftF3);
    tk::user::press(viewer, tk::Shortcut::ShiftF3);
    EXPECT_TRUE(messages().empty());
    tk::user::press(viewer, tk::Shortcut::ShiftF3);
    ASSERT_EQ(messages().size(), 1u) << "the first match has nothing before it";
    EXPECT_TRUE(viewer.dlgFind.Down) << "the dialog's direction stays";
}

// Every encoding the viewer reads finds the same words; in Shift-JIS a backslash
// is never the second byte of 表 or ソ.
TEST_F(LogViewerFind, EveryEncodingFindsTheSameWords) {
    const std::wstring text = L"表示 ソフト C:\\DATA ﾃｰﾌﾟ 完了\r\n";
    const std::pair<const char*, std::string> files[] = {
        {"utf16.log", utf16le(text)},
        {"utf8.log", utf8(u8"表示 ソフト C:\\DATA ﾃｰﾌﾟ 完了\r\n")},
        {"sjis.log", "\x95\x5C\x8E\xA6 \x83\x5C\x83t\x83g C:\\DATA \xC3\xB0\xCC\xDF \x8A\xAE\x97\xB9\r\n"},
    };
    ShowLogForm& viewer = openViewer(file("empty.log", ""));
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        tk::testing::chooseFile(file(name, bytes));
        tk::user::choose(viewer.mnuOpenFile);
        for (const std::wstring word : {L"\\DATA", L"ﾃｰﾌﾟ", L"完了"}) {
            find(viewer, word);
            EXPECT_EQ(viewer.rtfShowLog.SelText(), word);
        }
        find(viewer, L"\\", false, false);  // up from 完了: only the one in the path
        EXPECT_EQ(viewer.rtfShowLog.SelText(), L"\\");
        tk::user::press(viewer, tk::Shortcut::F3);
        EXPECT_EQ(messages().size(), 1u);
        tk::testing::clearMessages();
    }
}

TEST_F(LogViewerFind, TheDialogOffersTheSelectionOnOneLineElseTheLastText) {
    ShowLogForm& viewer = openViewer(file("a.log", "backup skipped\r\n"));
    find(viewer, L"SKIPPED");
    tk::user::press(viewer, tk::Shortcut::CtrlF);
    EXPECT_EQ(tk::testing::shownDialogs().back().fileName, L"skipped") << "the selected text";
    tk::user::close(viewer.dlgFind);
    tk::user::press(viewer, tk::Shortcut::F3);  // not found: the selection stays
    tk::user::choose(viewer.mnuSerach);
    EXPECT_EQ(tk::testing::shownDialogs().back().fileName, L"skipped");
}

TEST_F(LogViewerFind, ReloadShowsWhatWasAddedAndKeepsTheViewWhenTheFileIsGone) {
    const std::wstring path = file("a.log", "line 1\r\n");
    ShowLogForm& viewer = openViewer(path);
    EXPECT_TRUE(viewer.mnuReload.Enabled());
    file("a.log", "line 2\r\n", true);
    tk::user::press(viewer, tk::Shortcut::F5);
    EXPECT_EQ(viewer.rtfShowLog.Text(), L"line 1\r\nline 2\r\n");
    find(viewer, L"line 2");

    file("a.log", "line 3 written over\r\n");  // another log in its place
    tk::user::choose(viewer.mnuReload);
    EXPECT_EQ(viewer.rtfShowLog.Text(), L"line 3 written over\r\n");

    std::error_code ignored;
    fs::remove(path, ignored);
    tk::user::press(viewer, tk::Shortcut::F5);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text.substr(0, 20 + path.size()), L"ﾌｧｲﾙを読み込めませんでした。\r\n\r\n" + path);
    EXPECT_EQ(messages()[0].style, mb::Critical);
    EXPECT_EQ(viewer.rtfShowLog.Text(), L"line 3 written over\r\n");

    tk::user::choose(viewer.mnuCloseFile);
    EXPECT_FALSE(viewer.mnuReload.Enabled());
    tk::user::press(viewer, tk::Shortcut::F5);
    EXPECT_EQ(messages().size(), 1u);
}

}  // namespace
}  // namespace lorvane::test
