// The log viewer as a user meets it: a log chosen in the open-file dialog, a
// larger font chosen in the font dialog, back to the menu, and the end.
#include <gtest/gtest.h>

#include "journey.h"
#include "keyboard.h"

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
        bytes.resize(static_cast<size_t>(
            WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                static_cast<int>(bytes.size()), nullptr, nullptr)));
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
    EXPECT_FALSE(menu.visible()) << "beneath the viewer's first dialog the menu takes no click";
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
    const Window view = viewer.children(L"TkTextView").at(0);
    int designRows = 0;
    waitUntil(
        "the log's lines to show", kStepTimeout, [&] { return (designRows = inkedRows(view)) > 8; },
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
    waitUntil(
        "the log to show in the larger font", kStepTimeout,
        [&] { return (rows = inkedRows(view)) > designRows * 3 / 2; },
        [&] {
            return std::to_string(rows) + " rows of text, " + std::to_string(designRows) + " before; " +
                   app.describe();
        });
    screenshot(viewer, "log-viewer-font");

    viewer.chooseMenu({L"ﾌｧｲﾙ(&F)", L"終了(&X)"});
    app.waitUntilGone(viewer, "the log viewer", kStepTimeout);
    menu = app.waitForWindow(kMenu, kStepTimeout);
    menu.chooseMenu({L"ﾌｧｲﾙ(&F)", L"終了(&X)"});
    EXPECT_EQ(app.waitForExit(kStepTimeout), 0u);
    EXPECT_TRUE(app.windows(false).empty()) << app.describe();
}

// Dark pixels in the left half of the window's client area, where the caret
// at the end of a line is not.
int inkInLeftHalf(const Window& window) {
    RECT client{};
    GetClientRect(window.handle(), &client);
    POINT origin{0, 0};
    ClientToScreen(window.handle(), &origin);
    HDC screen = GetDC(nullptr);
    int ink = 0;
    for (int y = 0; y < client.bottom; y += 1)
        for (int x = 0; x < client.right / 2; x += 1) {
            const COLORREF c = GetPixel(screen, origin.x + x, origin.y + y);
            if (GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 96) ++ink;
        }
    ReleaseDC(nullptr, screen);
    return ink;
}

// A log written without a single line break: End takes the view to its end.
TEST(LogViewer, ATenMegabyteLineShowsItsEnd) {
    wchar_t temp[MAX_PATH + 1];
    const std::wstring path = std::wstring(temp, GetTempPathW(MAX_PATH + 1, temp)) + L"lorvane-line-" +
                              std::to_wstring(GetCurrentProcessId()) + L".log";
    std::string bytes;
    bytes.reserve(10u << 20);
    while (bytes.size() < (10u << 20)) bytes += "\x83\x8D\x83O 12:00 ";  // ログ 12:00
    writeFile(path, bytes + "END");
    Program app;
    const Window menu = waitForMenu(app);
    menu.child(L"Button", kLogViewerButton).click();
    const FileDialog open = app.waitForFileDialog(kStepTimeout);
    app.settle(open);
    open.open(path);
    const Window viewer = app.waitForWindow(kLogViewer, kStepTimeout);
    app.settle(viewer);
    const Window view = viewer.children(L"TkTextView").at(0);

    view.pressKey(VK_END);
    app.settle(view);
    // (Another process cannot read the scroll bar under Wine; the view's own test does.)
    int ink = 0;
    waitUntil(
        "the line's end to show", kStepTimeout, [&] { return (ink = inkInLeftHalf(view)) > 100; },
        [&] { return std::to_string(ink) + " dark pixels in " + app.describe(); });
    screenshot(viewer, "log-long-line-end");

    viewer.chooseMenu({L"ﾌｧｲﾙ(&F)", L"終了(&X)"});
    app.waitForWindow(kMenu, kStepTimeout).chooseMenu({L"ﾌｧｲﾙ(&F)", L"終了(&X)"});
    EXPECT_EQ(app.waitForExit(kStepTimeout), 0u);
    DeleteFileW(path.c_str());
}

// A log of a gigabyte shows its first page at once and is read on behind it: the
// title says how far, Ctrl+End follows the end as it is read, and the title is
// put back once all of it is.
TEST(LogViewer, AGigabyteLogShowsAtOnceAndIsReadOnBehindIt) {
    wchar_t temp[MAX_PATH + 1];
    const std::wstring path = std::wstring(temp, GetTempPathW(MAX_PATH + 1, temp)) + L"lorvane-large-" +
                              std::to_wstring(GetCurrentProcessId()) + L".log";
    const std::string line = "2026/12/07 02:30:15  C:\\DATA\\\x8E\x91\x97\xBF.xlsx  12,345\r\n";  // 資料
    std::string chunk;
    while (chunk.size() + line.size() <= (1u << 20)) chunk += line;
    constexpr int kChunks = 1024;
    const long long lines = static_cast<long long>(chunk.size() / line.size()) * kChunks + 1;
    {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD done = 0;
        for (int i = 0; i < kChunks; ++i)
            WriteFile(file, chunk.data(), static_cast<DWORD>(chunk.size()), &done, nullptr);
        WriteFile(file, "END", 3, &done, nullptr);
        CloseHandle(file);
    }
    Program app;
    const Window menu = waitForMenu(app);
    menu.child(L"Button", kLogViewerButton).click();
    const FileDialog open = app.waitForFileDialog(kStepTimeout);
    app.settle(open);
    open.open(path);
    app.waitUntilGone(open, "the open-file dialog", kStepTimeout);
    const std::wstring caption = *kLogViewer.title;
    Window viewer;
    waitUntil(
        "the log viewer to show the log's progress in its title", kStepTimeout,
        [&] {
            for (const Window& w : app.windows())
                if (w.title().starts_with(caption + L" - 読み込み中 ")) viewer = w;
            return bool(viewer);
        },
        [&] { return app.describe(); });
    const Window view = viewer.children(L"TkTextView").at(0);
    screenshot(viewer, "log-viewer-reading");

    pressChord(viewer, {VK_CONTROL, VK_END});
    waitUntil(
        "all of the log to be read", 60s, [&] { return viewer.title() == caption; },
        [&] { return app.describe(); });
    EXPECT_EQ(SendMessageW(view.handle(), EM_GETLINECOUNT, 0, 0), lines);
    EXPECT_GT(SendMessageW(view.handle(), EM_GETFIRSTVISIBLELINE, 0, 0), lines - 60)
        << "Ctrl+End followed the end";

    viewer.chooseMenu({L"ﾌｧｲﾙ(&F)", L"終了(&X)"});
    app.waitForWindow(kMenu, kStepTimeout).chooseMenu({L"ﾌｧｲﾙ(&F)", L"終了(&X)"});
    EXPECT_EQ(app.waitForExit(kStepTimeout), 0u);
    DeleteFileW(path.c_str());
}

// The system's own words for an error, as the program gets them in the same prefix.
std::wstring systemText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer, length);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    return text;
}

// A log that another program (this test) holds open without sharing: the
// viewer says so instead of showing an empty log, first and on a later opening.
TEST(LogViewer, ALogHeldOpenWithoutSharingIsSaidSo) {
    const SampleLog readable;
    const std::wstring held = readable.path() + L".held.log";
    writeFile(held, "held\r\n");
    HANDLE holder =
        CreateFileW(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    const std::wstring message =
        L"ﾌｧｲﾙを読み込めませんでした。\r\n\r\n" + held + L"\r\n\r\n" + systemText(ERROR_SHARING_VIOLATION);
    Program app;
    Window menu = waitForMenu(app);

    // First opening: the message, then back to the menu as if cancelled.
    menu.child(L"Button", kLogViewerButton).click();
    FileDialog open = app.waitForFileDialog(kStepTimeout);
    app.settle(open);
    open.open(held);
    answerMessage(app, message, {IDOK}, IDOK, "log-unreadable");
    menu = app.waitForWindow(kMenu, kStepTimeout);
    // The menu comes back while the viewer is still unloading; it must then go.
    waitUntil(
        "the log viewer to close", kStepTimeout, [&] { return !app.findWindow(kLogViewer); },
        [&] { return app.describe(); });

    // A later opening keeps the log that is shown.
    menu.child(L"Button", kLogViewerButton).click();
    open = app.waitForFileDialog(kStepTimeout);
    app.settle(open);
    open.open(readable.path());
    const Window viewer = app.waitForWindow(kLogViewer, kStepTimeout);
    app.settle(viewer);
    const Window view = viewer.children(L"TkTextView").at(0);
    // The count is taken once the painting has settled: two reads in a row agree.
    int rows = 0;
    waitUntil(
        "the log's lines to show", kStepTimeout,
        [&] {
            const int now = inkedRows(view);
            const bool steady = now > 8 && now == rows;
            rows = now;
            return steady;
        },
        [&] { return std::to_string(rows) + " rows of text in " + app.describe(); });
    viewer.chooseMenu({L"ﾌｧｲﾙ(&F)", L"開く(&O)"});
    open = app.waitForFileDialog(kStepTimeout);
    app.settle(open);
    open.open(held);
    answerMessage(app, message, {IDOK}, IDOK);
    app.settle(viewer);
    EXPECT_EQ(inkedRows(view), rows) << app.describe();

    CloseHandle(holder);
    DeleteFileW(held.c_str());
    viewer.chooseMenu({L"ﾌｧｲﾙ(&F)", L"終了(&X)"});
    menu = app.waitForWindow(kMenu, kStepTimeout);
    menu.chooseMenu({L"ﾌｧｲﾙ(&F)", L"終了(&X)"});
    EXPECT_EQ(app.waitForExit(kStepTimeout), 0u);
}

}  // namespace
}  // namespace e2e
