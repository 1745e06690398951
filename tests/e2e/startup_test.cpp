// The start of the program as a user meets it: the title screen, the main
// menu and its two ways out, a second start, and a platform it refuses.
#include <gtest/gtest.h>

#include "journey.h"
#include "keyboard.h"

namespace e2e {
namespace {

enum class Ending { ExitMenuItem, CloseBox };

class NormalStart : public ::testing::TestWithParam<Ending> {};

TEST_P(NormalStart, ShowsTheTitleThenTheMenuAndEndsWhenTheMenuCloses) {
    Program app;
    waitUntil(
        "the first window", kStartTimeout, [&] { return !app.windows().empty(); },
        [&] { return app.describe(); });
    const auto titleShown = Clock::now();
    const std::vector<Window> first = app.windows();
    ASSERT_EQ(first.size(), 1u) << app.describe();
    const Window title = first.front();
    EXPECT_EQ(utf8(title.className()), "TkForm");
    EXPECT_EQ(utf8(title.title()), "");

    const Window menu = app.waitForWindow(kMenu, 15s);
    // The wait ends when the clock, counting whole seconds, has moved on by four: three to four
    // seconds. Seeing the title late on a loaded machine shortens what is measured here a little.
    const double seconds = std::chrono::duration<double>(Clock::now() - titleShown).count();
    EXPECT_GE(seconds, 2.75);
    EXPECT_LE(seconds, 8.0);
    app.waitUntilGone(title, "the title window", 5s);

    const struct {
        const wchar_t* caption;
        bool enabled;
    } buttons[] = {
        {L"バックアップ情報の設定", true},
        {L"日付の設定", true},
        {L"設定をシステムに反映", false},
        {L"ログファイルの確認", true},
    };
    for (const auto& b : buttons) {
        const Window button = menu.child(L"Button", b.caption);
        EXPECT_TRUE(button.visible()) << utf8(b.caption);
        EXPECT_EQ(button.enabled(), b.enabled) << utf8(b.caption);
    }
    EXPECT_EQ(menu.menuOutline(), "ﾌｧｲﾙ(&F) { 終了(&X) } ﾍﾙﾌﾟ(&H) { ﾊﾞｰｼﾞｮﾝ情報(&A) [greyed] }");

    if (GetParam() == Ending::ExitMenuItem)
        menu.chooseMenu({L"ﾌｧｲﾙ(&F)", L"終了(&X)"});
    else
        menu.close();
    EXPECT_EQ(app.waitForExit(10s), 0u);
}

INSTANTIATE_TEST_SUITE_P(, NormalStart, ::testing::Values(Ending::ExitMenuItem, Ending::CloseBox),
                         [](const auto& info) {
                             return info.param == Ending::ExitMenuItem ? "ExitMenuItem" : "CloseBox";
                         });

// A window of another program, in front of ours.
class OtherProgramWindow {
public:
    explicit OtherProgramWindow(const wchar_t* title = L"another program")
        : window_(CreateWindowExW(0, L"STATIC", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 200,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr)) {
        SetForegroundWindow(window_.handle());
        waitUntil("another program's window to come to the front", 5s,
                  [&] { return foregroundWindow() == window_; });
    }
    ~OtherProgramWindow() { DestroyWindow(window_.handle()); }

private:
    Window window_;
};

// The second start brings the first instance's menu to the front and hands it
// one Enter key press, which presses the menu's focused button
// "バックアップ情報の設定": the backup settings dialog opens in front. A third
// start, with a folder selected there and the focus on 削除, only brings the
// dialog to the front: an Enter would take the folder out of the list.
TEST(SecondStart, BringsTheFirstInstanceToTheFrontAndEnds) {
    const Restore data{L"C:\\DATA"};
    CreateDirectoryW(L"C:\\DATA", nullptr);
    Program first;
    const Window menu = first.waitForWindow(kMenu, kStartTimeout + 15s);
    const OtherProgramWindow other;

    Program second;
    bool secondShowedAWindow = false;
    waitUntil(
        "the second start to end", 15s,
        [&] {
            secondShowedAWindow = secondShowedAWindow || !second.windows().empty();
            return !second.running();
        },
        [&] { return second.describe(); });
    EXPECT_FALSE(secondShowedAWindow);
    EXPECT_EQ(second.exitCode(), 0u);

    const auto inFront = [&](const WindowQuery& query) {
        const Window front = foregroundWindow();
        return front.processId() == first.id() && front.title() == *query.title;
    };
    waitUntil(
        "the first instance's backup settings dialog to come to the front", 5s,
        [&] { return inFront(kBackupSettings) && !menu.visible(); },
        [&] { return first.describe(); });
    EXPECT_TRUE(first.running());
    for (const Window& w : first.windows()) EXPECT_NE(utf8(w.title()), "") << "a title screen: " << first.describe();

    const Window dialog = first.findWindow(kBackupSettings);
    addFolderWithPicker(first, dialog, L"DATA");
    const Window folders = dialog.children(L"ListBox").at(0);
    const std::vector<std::wstring> chosen = folders.items();
    folders.clickRow(0);
    waitUntil("the folder to be selected", kStepTimeout, [&] { return folders.selectedRows() == std::vector<int>{0}; });
    bringToFront(dialog);
    pressKey(VK_TAB);
    pressKey(VK_TAB);
    waitUntil("the focus on 削除", kStepTimeout,
              [&] { return focusedControl(dialog) == dialog.child(L"Button", L"削除"); },
              [&] { return focusedControl(dialog).describe(); });
    const OtherProgramWindow another;

    Program third;
    EXPECT_EQ(third.waitForExit(15s), 0u);
    waitUntil("the dialog to come to the front", 5s, [&] { return foregroundWindow() == dialog; },
              [&] { return foregroundWindow().describe(); });
    first.settle(dialog);
    EXPECT_EQ(folders.items(), chosen);
}

// Another program's window titled "Lorvane", in front, is passed over: the Enter
// key goes to the first instance's menu, not into that program.
TEST(SecondStart, PassesOverAnotherProgramsWindowOfTheSameTitle) {
    Program first;
    const Window menu = first.waitForWindow(kMenu, kStartTimeout + 15s);
    const OtherProgramWindow other(L"Lorvane");

    Program second;
    EXPECT_EQ(second.waitForExit(15s), 0u);
    waitUntil(
        "the first instance's backup settings dialog to come to the front", 5s,
        [&] {
            const Window front = foregroundWindow();
            return front.processId() == first.id() && front.title() == *kBackupSettings.title &&
                   !menu.visible();
        },
        [&] { return first.describe(); });
}

// A copy of lorvane.exe for which Wine reports Windows 98 (Wine's settings
// for one program name); lorvane.exe itself keeps seeing Windows NT.
class Windows98Copy {
public:
    Windows98Copy() {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        name_ = L"lorvane-win98-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
        path_ = temp + name_;
        if (!CopyFileW(programPath().c_str(), path_.c_str(), FALSE))
            throw DriverError("cannot copy lorvane.exe to " + utf8(path_));
        const wchar_t version[] = L"win98";
        if (RegSetKeyValueW(HKEY_CURRENT_USER, key().c_str(), L"Version", REG_SZ, version, sizeof version))
            throw DriverError("cannot set Wine's version for " + utf8(name_));
    }
    ~Windows98Copy() {
        RegDeleteKeyW(HKEY_CURRENT_USER, key().c_str());
        DeleteFileW(path_.c_str());
    }
    const std::wstring& path() const { return path_; }

private:
    std::wstring key() const { return L"Software\\Wine\\AppDefaults\\" + name_; }
    std::wstring name_, path_;
};

TEST(OtherPlatform, ShowsOnlyTheMessageAndEndsOnOk) {
    const Windows98Copy copy;
    Program app(copy.path());
    const MessageBoxWindow box = app.waitForMessageBox(kStartTimeout);
    EXPECT_EQ(utf8(box.text()), "このｿﾌﾄは、Windows NT用です。");
    EXPECT_EQ(utf8(box.title()), "Lorvane");
    EXPECT_EQ(app.windows().size(), 1u) << app.describe();
    box.press(IDOK);
    EXPECT_EQ(app.waitForExit(10s), 0u);
}

}  // namespace
}  // namespace e2e
