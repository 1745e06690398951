// Finding in a large log and reading it again, as a user does: Ctrl+F opens the
// system's find dialog, its button finds the first failure, F3 the next, the
// message says when there is no more, and F5 shows the lines a backup added.
#include <gtest/gtest.h>

#include <algorithm>

#include "journey.h"
#include "keyboard.h"

namespace e2e {
namespace {

constexpr int kEditBox = 0x480;  // the find dialog's text box (edt1)
constexpr int kLines = 60000;
constexpr int kFailures[] = {20000, 40000};

std::string shiftJis(const std::wstring& text) {
    std::string bytes(text.size() * 2, '\0');
    bytes.resize(static_cast<size_t>(WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()),
                                                         bytes.data(), static_cast<int>(bytes.size()),
                                                         nullptr, nullptr)));
    return bytes;
}

std::wstring logLine(int i) {
    std::wstring number = std::to_wstring(i);
    number.insert(0, 7 - number.size(), L'0');
    const bool failed = std::find(std::begin(kFailures), std::end(kFailures), i) != std::end(kFailures);
    return L"2026/12/07 02:30:15  C:\\DATA\\経理\\資料_" + number + L".xlsx  " +
           (failed ? L"エラー: 使用中のためスキップしました" : L"12,345 バイト  コピーしました") + L"\r\n";
}

// A backup log of some megabytes in the system's code page; removed afterwards.
class LargeLog {
public:
    LargeLog() {
        wchar_t temp[MAX_PATH + 1];
        path_ = std::wstring(temp, GetTempPathW(MAX_PATH + 1, temp)) + L"lorvane-find-" +
                std::to_wstring(GetCurrentProcessId()) + L".log";
        std::wstring text = L"バックアップ状態\r\n操作: バックアップ\r\n";
        for (int i = 0; i < kLines; ++i) text += logLine(i);
        writeFile(path_, shiftJis(text));
    }
    ~LargeLog() { DeleteFileW(path_.c_str()); }
    const std::wstring& path() const { return path_; }
    void append(const std::wstring& text) const {
        writeFile(path_, readFile(path_).value_or("") + shiftJis(text));
    }

private:
    std::wstring path_;
};

long long topLine(const Window& view) {
    return SendMessageW(view.handle(), EM_GETFIRSTVISIBLELINE, 0, 0);
}

long long lineCount(const Window& view) {
    return SendMessageW(view.handle(), EM_GETLINECOUNT, 0, 0);
}

// What the view has selected, copied through the clipboard.
std::wstring selection(const Window& view) {
    SendMessageW(view.handle(), WM_COPY, 0, 0);
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// The selection's line is in sight, with lines of context above it.
void waitForMatchAt(const Program& app, const Window& view, long long line) {
    waitUntil(
        "the match on line " + std::to_string(line) + " to come into sight", kStepTimeout,
        [&] { return topLine(view) <= line && topLine(view) >= line - 40; },
        [&] { return "top line " + std::to_string(topLine(view)) + "; " + app.describe(); });
}

TEST(LogViewerFind, FindsEachFailureInALargeLogThenReadsWhatWasAdded) {
    const LargeLog log;
    Program app;
    Window menu = waitForMenu(app);
    menu.child(L"Button", kLogViewerButton).click();
    const FileDialog open = app.waitForFileDialog(kStepTimeout);
    app.settle(open);
    open.open(log.path());
    app.waitUntilGone(open, "the open-file dialog", kStepTimeout);
    const Window viewer = app.waitForWindow(kLogViewer, kStepTimeout);
    app.settle(viewer);
    const Window view = viewer.children(L"TkTextView").at(0);
    // The first page shows at once; the rest of the lines are found behind it.
    waitUntil(
        "every line of the log to be read", kStepTimeout, [&] { return lineCount(view) == kLines + 3; },
        [&] { return std::to_string(lineCount(view)) + " lines; " + app.describe(); });

    pressChord(viewer, {VK_CONTROL, 'F'});
    const Window find = app.waitForWindow(WindowQuery{L"#32770", std::nullopt}, kStepTimeout);
    app.settle(find);
    find.childById(kEditBox).type(L"エラー");
    find.childById(IDOK).click();
    const long long header = 2;  // the lines before the first file's line
    waitForMatchAt(app, view, header + kFailures[0]);
    EXPECT_EQ(selection(view), L"エラー");
    screenshot(viewer, "log-viewer-find");

    find.close();
    app.waitUntilGone(find, "the find dialog", kStepTimeout);
    expectNoMessage(app, viewer);
    view.pressKey(VK_F3);
    waitForMatchAt(app, view, header + kFailures[1]);
    view.pressKey(VK_F3);
    answerMessage(app, L"「エラー」が見つかりません。", {IDOK}, IDOK, "log-viewer-not-found");
    EXPECT_EQ(selection(view), L"エラー") << "the last match stays selected";

    // The backup goes on writing while the end of the log is in sight.
    SendMessageW(view.handle(), WM_VSCROLL, SB_BOTTOM, 0);
    log.append(L"2026/12/07 04:00:00  バックアップが完了しました。\r\n追加された最後の行\r\n");
    view.pressKey(VK_F5);
    waitUntil(
        "the added lines to show", kStepTimeout, [&] { return lineCount(view) == kLines + 5; },
        [&] { return std::to_string(lineCount(view)) + " lines; " + app.describe(); });
    SendMessageW(view.handle(), WM_VSCROLL, SB_BOTTOM, 0);
    const long long lastTop = topLine(view);
    EXPECT_GT(lastTop, kLines - 100);
    screenshot(viewer, "log-viewer-reloaded");

    viewer.chooseMenu({L"ﾌｧｲﾙ(&F)", L"終了(&X)"});
    app.waitUntilGone(viewer, "the log viewer", kStepTimeout);
    menu = app.waitForWindow(kMenu, kStepTimeout);
    menu.chooseMenu({L"ﾌｧｲﾙ(&F)", L"終了(&X)"});
    EXPECT_EQ(app.waitForExit(kStepTimeout), 0u);
}

}  // namespace
}  // namespace e2e
