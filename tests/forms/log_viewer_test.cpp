#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/forms.h"
#include "app/menu_form.h"
#include "form_test_support.h"
#include "logview/show_log_form.h"
#include "toolkit/events.h"
#include "toolkit/menu.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace lorvane::test {
namespace {

namespace fs = std::filesystem;

// A short log with half-width katakana, a backslash and characters only code page 932 has.
const std::wstring kLog =
    L"2026/12/07 02:30:15 バックアップ開始 C:\\DATA\\ﾛｸﾞ ～①\r\n\r\n\tﾃｰﾌﾟ 1: 完了しました。\r\n";
const std::string kShiftJis =
    "2026/12/07 02:30:15 \x83o\x83"
    "b\x83N\x83"
    "A\x83"
    "b\x83v\x8AJ\x8En C:\\DATA\\\xDB\xB8\xDE \x81`\x87@\r\n\r\n"
    "\t\xC3\xB0\xCC\xDF 1: \x8A\xAE\x97\xB9\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81"
    "B\r\n";

std::string utf16le(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>((c >> 8) & 0xFF)};
    return bytes;
}

// The lines a reader sees: an RTF document's last paragraph mark adds no empty line.
std::wstring lines(std::wstring text) {
    if (text.ends_with(L"\r\n")) text.resize(text.size() - 2);
    return text;
}

// The log as an RTF writer puts it: Japanese as \u characters, line ends as \par.
std::string rtf(const std::wstring& text) {
    std::string out =
        "{\\rtf1\\ansi\\ansicpg932\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 MS PGothic;}}\\f0\\fs18 ";
    for (wchar_t c : text) {
        if (c == L'\n')
            out += "\\par\r\n";
        else if (c == L'\t')
            out += "\\tab ";
        else if (c == L'\\' || c == L'{' || c == L'}')
            out += {'\\', static_cast<char>(c)};
        else if (c >= 0x20 && c < 0x80)
            out += static_cast<char>(c);
        else if (c != L'\r')
            out += "\\u" + std::to_string(static_cast<std::int16_t>(c)) + "?";
    }
    return out + "}";
}

#ifdef _WIN32
LRESULT CALLBACK refuseRichEdit(int code, WPARAM wp, LPARAM lp) {
    wchar_t name[32] = {};
    if (code == HCBT_CREATEWND && GetClassNameW(reinterpret_cast<HWND>(wp), name, 32) &&
        lstrcmpiW(name, L"RICHEDIT50W") == 0)
        return 1;
    return CallNextHookEx(nullptr, code, wp, lp);
}
#endif

class LogViewer : public WindowTest {
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
        // The open dialog makes the chosen file's folder the current one, which keeps it from being removed.
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

    // Opens the viewer from the menu and picks the file in the first dialog.
    ShowLogForm& openViewer(const std::wstring& path) {
        tk::testing::chooseFile(path);
        tk::user::click(frmMenu->cmdShowLog);
        return *frmShowLog;
    }

    fs::path folder_, workingFolder_;
};

TEST_F(LogViewer, FirstActivationAsksOnceAndCancelGoesBackToTheMenu) {
    tk::testing::cancelDialog();
    tk::user::click(frmMenu->cmdShowLog);
    EXPECT_EQ(frmShowLog.instance(), nullptr);
    EXPECT_TRUE(frmMenu->Visible());
    ASSERT_EQ(tk::testing::shownDialogs().size(), 1u);
    const tk::testing::DialogRequest& asked = tk::testing::shownDialogs()[0];
    EXPECT_EQ(asked.kind, L"open");
    EXPECT_EQ(asked.title, L"");
    EXPECT_EQ(asked.fileName, L"*.log");
    EXPECT_EQ(asked.filter, L"ﾛｸﾞﾌｧｲﾙ (*.log)|*.log|すべてのﾌｧｲﾙ (*.*)|*.*");
    EXPECT_EQ(asked.flags, 4097);

    ShowLogForm& viewer = openViewer(file("a.log", "first\r\n"));
    EXPECT_TRUE(viewer.Visible());
    EXPECT_FALSE(frmMenu->Visible());
    EXPECT_EQ(viewer.Caption(), L"Lorvane - ﾛｸﾞﾌｧｲﾙの確認");
    EXPECT_EQ(viewer.rtfShowLog.Text(), L"first\r\n");
    EXPECT_EQ(viewer.FirstOpen, ShowLogForm::FirstOpenState::FileShown);

    frmMenu->Show();  // the viewer becomes active again later: no second dialog
    viewer.Show();
    EXPECT_EQ(tk::testing::shownDialogs().size(), 2u);
    EXPECT_TRUE(messages().empty());
}

TEST_F(LogViewer, OpenCancelledKeepsTheFileCloseEmptiesAndOpenLoadsAgain) {
    ShowLogForm& viewer = openViewer(file("a.log", "first"));
    tk::testing::cancelDialog();
    tk::user::choose(viewer.mnuOpenFile);
    EXPECT_EQ(viewer.rtfShowLog.Text(), L"first");

    tk::user::choose(viewer.mnuCloseFile);
    EXPECT_EQ(viewer.rtfShowLog.Text(), L"");
    EXPECT_TRUE(viewer.Visible());

    tk::testing::chooseFile(file("b.log", "second"));
    tk::user::press(viewer, tk::Shortcut::CtrlO);
    EXPECT_EQ(viewer.rtfShowLog.Text(), L"second");
    EXPECT_EQ(tk::testing::shownDialogs().size(), 3u);

    // Find next waits for a text to find; F3 before it does nothing.
    EXPECT_TRUE(viewer.mnuSerach.Enabled());
    EXPECT_FALSE(viewer.mnuSerachNext.Enabled());
    EXPECT_EQ(viewer.mnuSerachNext.shortcut(), tk::Shortcut::F3);
    tk::user::press(viewer, tk::Shortcut::F3);
    EXPECT_EQ(tk::testing::shownDialogs().size(), 3u);
    EXPECT_EQ(viewer.rtfShowLog.Text(), L"second");
    EXPECT_TRUE(messages().empty());

    tk::user::choose(viewer.mnuExit);
    EXPECT_EQ(frmShowLog.instance(), nullptr);
    EXPECT_TRUE(frmMenu->Visible());
}

TEST_F(LogViewer, FontChoiceReachesTheViewAndReopeningStartsWithTheDesignFont) {
    const std::wstring log = file("a.log", "font\r\n");
    ShowLogForm& viewer = openViewer(log);
    const tk::Font design = viewer.rtfShowLog.Font();
    EXPECT_EQ(design.Name, L"ＭＳ Ｐゴシック");
    EXPECT_EQ(design.Size, 9.0f);
    EXPECT_EQ(design.Charset, tk::charset::ShiftJis);

    tk::testing::cancelDialog();
    tk::user::choose(viewer.mnuFont);
    EXPECT_EQ(viewer.rtfShowLog.Font(), design);

    tk::testing::DialogAnswer answer = tk::testing::dialogAnswer(tk::testing::DialogAnswer::Choose);
    answer.fontName = L"ＭＳ ゴシック";
    answer.fontSize = 12;
    answer.fontBold = answer.fontItalic = true;
    tk::testing::answerNextDialog(answer);
    tk::user::choose(viewer.mnuFont);
    const tk::Font chosen = viewer.rtfShowLog.Font();
    EXPECT_EQ(chosen.Name, L"ＭＳ ゴシック");
    EXPECT_EQ(chosen.Size, 12.0f);
    EXPECT_TRUE(chosen.Bold);
    EXPECT_TRUE(chosen.Italic);
    EXPECT_FALSE(chosen.Underline);
    EXPECT_EQ(tk::testing::shownDialogs().back().kind, L"font");
    EXPECT_EQ(tk::testing::shownDialogs().back().flags, 1);

    tk::user::closeBox(viewer);
    EXPECT_TRUE(frmMenu->Visible());
    EXPECT_EQ(openViewer(log).rtfShowLog.Font(), design);
}

// The text encodings are the text file's own (its unit tests); an RTF log takes another way.
TEST_F(LogViewer, PlainAndRtfLogsShowTheSameText) {
    const std::pair<const char*, std::string> files[] = {
        {"sjis.log", kShiftJis},
        {"log.rtf", rtf(kLog)},
    };
    ShowLogForm& viewer = openViewer(file("empty.log", ""));
    for (const auto& [name, bytes] : files) {
        tk::testing::chooseFile(file(name, bytes));
        tk::user::choose(viewer.mnuOpenFile);
        EXPECT_EQ(lines(viewer.rtfShowLog.Text()), lines(kLog)) << name;
    }
}

TEST_F(LogViewer, OddFilesShowWithoutACrash) {
    const std::string longLine(1 << 20, 'x');
    const std::pair<std::string, std::wstring> files[] = {
        {"", L""},
        {"a\r\nb\r\n\r\n", L"a\r\nb\r\n\r\n"},
        {"a\rb\rc", L"a\r\nb\r\nc"},
        {"a\nb\nc\n", L"a\r\nb\r\nc\r\n"},
        {std::string("a\0b\0\r\n", 6), std::wstring(L"a\0b\0\r\n", 6)},
        {longLine, std::wstring(longLine.begin(), longLine.end())},
    };
    ShowLogForm& viewer = openViewer(file("first.log", "x"));
    int n = 0;
    for (const auto& [bytes, text] : files) {
        tk::testing::chooseFile(file("odd" + std::to_string(++n) + ".log", bytes));
        tk::user::choose(viewer.mnuOpenFile);
        viewer.rtfShowLog.Refresh();
        EXPECT_EQ(viewer.rtfShowLog.Text(), text) << "file " << n;
    }
}

#ifdef _WIN32
// Frames thicker than the old thin ones, as today's systems draw them, for the
// windows made while it lasts; the metrics are put back afterwards.
class ThickFrames {
public:
    ThickFrames() {
        saved_.cbSize = sizeof saved_;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof saved_, &saved_, 0);
        NONCLIENTMETRICSW thick = saved_;
        thick.iBorderWidth = 5;
        thick.iCaptionHeight = 30;
        thick.iMenuHeight = 30;
        EXPECT_TRUE(SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof thick, &thick, 0));
    }
    ~ThickFrames() { SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof saved_, &saved_, 0); }
    ThickFrames(const ThickFrames&) = delete;
    ThickFrames& operator=(const ThickFrames&) = delete;

private:
    NONCLIENTMETRICSW saved_{};
};
#endif

// The view's scroll bars stay in the window whatever its frame: 60 twips left and
// above, 75 right and 30 below it in the client area.
TEST_F(LogViewer, ResizeKeepsTheMarginsAndNeverANegativeSize) {
#ifdef _WIN32
    const ThickFrames thick;
#endif
    ShowLogForm& viewer = openViewer(file("a.log", "x"));
    for (const float size : {12000.0f, 100.0f}) {
        tk::user::resize(viewer, size, size);
        const tk::RichText& view = viewer.rtfShowLog;
        EXPECT_EQ(view.Left(), 60.0f);
        EXPECT_EQ(view.Top(), 60.0f);
        EXPECT_EQ(view.Width(), std::max(0.0f, viewer.ScaleWidth() - 60 - 75)) << size;
        EXPECT_EQ(view.Height(), std::max(0.0f, viewer.ScaleHeight() - 60 - 30)) << size;
    }
}

TEST_F(LogViewer, UnexpectedDialogFailureShowsTheStopMessageAndEnds) {
    tk::testing::failDialog();
    tk::user::click(frmMenu->cmdShowLog);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, L"[ﾌｧｲﾙを開く] ﾀﾞｲｱﾛｸﾞ ﾎﾞｯｸｽで予期しないｴﾗｰが発生しました。");
    EXPECT_EQ(messages()[0].style, 16);
    EXPECT_TRUE(tk::programEnded());

    tk::testing::begin();
    frmMenu->Show();
    ShowLogForm& viewer = openViewer(file("a.log", "x"));
    tk::testing::failDialog();
    tk::user::choose(viewer.mnuFont);
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].text, L"[ﾌｫﾝﾄの指定] ﾀﾞｲｱﾛｸﾞ ﾎﾞｯｸｽで予期しないｴﾗｰが発生しました。");
    EXPECT_EQ(messages()[0].style, 16);
    EXPECT_TRUE(tk::programEnded());
    EXPECT_EQ(viewer.rtfShowLog.Font().Name, L"ＭＳ Ｐゴシック");
}

// A file that cannot be read is never shown as an empty log: the user is told
// why, the first opening ends as if cancelled, a later one keeps the shown file.
TEST_F(LogViewer, UnreadableFileIsSaidSoAndChangesNothing) {
    struct Case {
        const char* name;
        std::wstring path;
        std::function<void()> release;
    };
    std::vector<Case> cases;
#ifndef _WIN32
    cases.push_back({"a folder", folder_.wstring(), [] {}});  // the real open dialog would go into it
#else
    // Held by a writer that shares nothing.
    const std::wstring held = file("held.log", "held\r\n");
    HANDLE holder =
        CreateFileW(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    cases.push_back({"share mode 0", held, [holder] { CloseHandle(holder); }});
    // An RTF log the system will not make a rich edit control for, as without msftedit.dll.
    const HHOOK refuser = SetWindowsHookExW(WH_CBT, refuseRichEdit, nullptr, GetCurrentThreadId());
    ASSERT_NE(refuser, nullptr);
    cases.push_back({"no rich edit control", file("refused.rtf", rtf(kLog)), [refuser] {
                         UnhookWindowsHookEx(refuser);
                     }});
#endif
    const std::wstring headline = L"ﾌｧｲﾙを読み込めませんでした。\r\n\r\n";
    const auto saidSo = [&](const std::wstring& path) {
        ASSERT_EQ(messages().size(), 1u);
        const std::wstring& text = messages()[0].text;
        EXPECT_TRUE(text.starts_with(headline + path + L"\r\n\r\n")) << ::testing::PrintToString(text);
        EXPECT_GT(text.size(), headline.size() + path.size() + 5) << "the system's reason follows";
        EXPECT_EQ(messages()[0].style, 16);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tk::testing::begin();
        frmMenu->Show();
        tk::testing::chooseFile(c.path);
        tk::user::click(frmMenu->cmdShowLog);
        saidSo(c.path);
        EXPECT_EQ(frmShowLog.instance(), nullptr);
        EXPECT_TRUE(frmMenu->Visible());

        tk::testing::begin();
        frmMenu->Show();
        ShowLogForm& viewer = openViewer(file("shown.log", "shown"));
        tk::testing::chooseFile(c.path);
        tk::user::choose(viewer.mnuOpenFile);
        saidSo(c.path);
        EXPECT_EQ(viewer.rtfShowLog.Text(), L"shown");
        EXPECT_TRUE(viewer.Visible());
        tk::user::choose(viewer.mnuExit);
    }
    for (const Case& c : cases) c.release();
}

// Finding text in the viewer and reading the log again, as the user does it:
// through the menu, its shortcuts and the system's find dialog.
const std::wstring kNotFound = L"」が見つかりません。";

std::string utf8(const std::u8string& text) {
    return std::string(text.begin(), text.end());
}

class LogViewerFind : public LogViewer {
protected:
    // Ctrl+F, then the text typed into the dialog and its find button pressed.
    void find(ShowLogForm& viewer, const std::wstring& text, bool matchCase = false, bool down = true) {
        tk::user::press(viewer, tk::Shortcut::CtrlF);
        tk::user::findNext(viewer.dlgFind, text, matchCase, down);
    }
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
