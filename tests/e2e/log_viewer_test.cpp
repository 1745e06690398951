// The log viewer as a user meets it: a log chosen in the open-file dialog, a
// larger font chosen in the font dialog, back to the menu, and the end.
#include <gtest/gtest.h>

#include "journey.h"

namespace e2e {
namespace {

// A log as the backup utility leaves one, in the system's code page; removed afterwards.
class SampleLog {
public:
    SampleLog() {
        wchar_t temp[MAX_PATH + 1];
        path_ = std::wstring(temp, GetTempPathW(MAX_PATH + 1, temp)) + L"lorvane-journey-" +
                std::to_wstring(GetCurrentProcessId()) + L".log";
        const std::wstring text =
            L"バックアップ状態\r\n"
            L"操作: バックアップ\r\n"
            L"ドライブ C: のバックアップ\r\n"
            L"バックアップの説明: \"週次\"\r\n"
            L"バックアップの種類: 増分\r\n"
            L"バックアップ開始日時 2026/01/05  2:30\r\n"
            L"C:\\DATA のバックアップが完了しました。\r\n"
            L"12 個のファイル、3,456,789 バイトをバックアップしました。\r\n";
        std::string bytes(text.size() * 2, '\0');
        bytes.resize(static_cast<size_t>(WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()),
                                                             bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                                             nullptr)));
        writeFile(path_, bytes);
    }
    ~SampleLog() { DeleteFileW(path_.c_str()); }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

// A face that the prefix surely has, in a size well above the view's 9 points.
constexpr wchar_t kFace[] = L"Liberation Serif";
constexpr int kPoints = 20;

TEST(LogViewer, ShowsALogInAnotherFontAndClosesBackToTheMenu) {
    const SampleLog log;
    Program app;
    Window menu = waitForMenu(app);

    menu.child(L"Button", kLogViewerButton).click();
    const FileDialog open = app.waitForFileDialog(kStepTimeout);
    app.settle(open);
    EXPECT_EQ(utf8(open.fileName()), "*.log");
    screenshot(open, "log-open-dialog");
    open.open(log.path());
    app.waitUntilGone(open, "the open-file dialog", kStepTimeout);
    const Window viewer = app.waitForWindow(kLogViewer, kStepTimeout);
    app.waitUntilGone(menu, "the main menu", kStepTimeout);
    app.settle(viewer);
    EXPECT_EQ(viewer.menuOutline(),
              "ﾌｧｲﾙ(&F) { 開く(&O) 閉じる(&C) 最新の情報に更新(&R) 終了(&X) } "
              "編集(&E) { 検索(&F) 次を検索(&N) [greyed] } 書式(&O) { ﾌｫﾝﾄ(&F) }");
    const Window view = viewer.children(L"LorvaneTextView").at(0);
    int designRows = 0;
    waitUntil("the log's lines to show", kStepTimeout, [&] { return (designRows = inkedRows(view)) > 8; },
              [&] { return std::to_string(designRows) + " rows of text in " + app.describe(); });
    screenshot(viewer, "log-viewer");

    viewer.chooseMenu({L"書式(&O)", L"ﾌｫﾝﾄ(&F)"});
    const FontDialog font = app.waitForFontDialog(kStepTimeout);
    app.settle(font);
    screenshot(font, "font-dialog");
    font.choose(kFace, kPoints);
    app.waitUntilGone(font, "the font dialog", kStepTimeout);
    // Text twice as large takes well over half as many rows again.
    int rows = 0;
    waitUntil("the log to show in the larger font", kStepTimeout,
              [&] { return (rows = inkedRows(view)) > designRows * 3 / 2; },
              [&] { return std::to_string(rows) + " rows of text, " + std::to_string(designRows) +
                           " before; " + app.describe(); });
    screenshot(viewer, "log-viewer-font");

    viewer.chooseMenu({L"ﾌｧｲﾙ(&F)", L"終了(&X)"});
    app.waitUntilGone(viewer, "the log viewer", kStepTimeout);
    menu = app.waitForWindow(kMenu, kStepTimeout);
    menu.chooseMenu({L"ﾌｧｲﾙ(&F)", L"終了(&X)"});
    EXPECT_EQ(app.waitForExit(kStepTimeout), 0u);
    EXPECT_TRUE(app.windows(false).empty()) << app.describe();
}

}  // namespace
}  // namespace e2e
