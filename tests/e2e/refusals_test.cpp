// Refusals a user meets in the two settings dialogs, each refusal's screenshot
// taken: the message, the dialog left open as it was, and nothing stored once the
// dialog is left by ｷｬﾝｾﾙ or the close box. The window tests hold every case.
#include <gtest/gtest.h>

#include <optional>

#include "journey.h"
#include "texts.h"

namespace e2e {
namespace {

// The folder to add, kept as it was.
struct DataFolder {
    Restore restore{L"C:\\DATA"};
    DataFolder() { CreateDirectoryW(L"C:\\DATA", nullptr); }
};

void expectApplyDisabled(const Window& menu) {
    EXPECT_FALSE(menu.child(L"Button", kApplyButton).enabled()) << menu.describe();
}

TEST(Refusals, BackupSettingsShowTheMessageKeepTheDialogAndStoreNothing) {
    const DataFolder data;
    const BackupProgram ntbackup;  // the dialog of the tape backup, without the copy's destination
    Program app;
    Window menu = waitForMenu(app);
    // The schedule first: the apply button then tells whether the backup settings were stored.
    const Window schedule = openFromMenu(app, menu, kScheduleButton, kSchedule);
    schedule.child(L"Button", L"明日").click();
    menu = closeToMenu(app, schedule, L"OK");

    Window dialog = openFromMenu(app, menu, kBackupSettingsButton, kBackupSettings);
    const std::wstring defaultLogFile = logFileBox(dialog).contents();
    // Each step changes the dialog further and presses OK.
    const struct {
        const char* what;
        bool addFolder;
        std::optional<std::wstring> logFile, description;
        const wchar_t* message;
        const char* shot;
    } steps[] = {
        {"nothing chosen", false, {}, {}, lorvane::texts::kNoBackupFolder, "message-no-folder"},
        {"a folder but no log file", true, L"", {}, L"ﾛｸﾞﾌｧｲﾙが設定されていません。", "message-no-log-file"},
        {"a log file without a file name", false, L"C:\\logs\\", {}, L"ﾛｸﾞﾌｧｲﾙにﾌｧｲﾙ名が指定されていません。",
         "message-log-file-without-name"},
        {"a log file with a double quote", false, L"C:\\a\"b.log", {},
         L"ﾛｸﾞﾌｧｲﾙに \" (ﾀﾞﾌﾞﾙｸｫｰﾃｰｼｮﾝ) や制御文字は使用できません。", "message-log-file-quote"},
        {"a log file in a folder that is not there", false, L"C:\\NOSUCHDIR\\backup.log", {},
         L"ﾛｸﾞﾌｧｲﾙのﾌｫﾙﾀﾞがありません。\r\n\r\nﾌｫﾙﾀﾞ：C:\\NOSUCHDIR", "message-log-folder-missing"},
        {"a description with a double quote", false, L"C:\\logs\\tpbackup.log", L"週次 \"全体\"",
         L"説明に \" (ﾀﾞﾌﾞﾙｸｫｰﾃｰｼｮﾝ) や制御文字は使用できません。", "message-description-quote"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.addFolder) addFolderWithPicker(app, dialog, L"DATA");
        if (step.logFile) logFileBox(dialog).type(*step.logFile);
        if (step.description) descriptionBox(dialog).type(*step.description);
        dialog.child(L"Button", L"OK").click();
        answerMessage(app, step.message, {IDOK}, IDOK, step.shot);
        app.settle(dialog);
        EXPECT_TRUE(dialog.visible()) << app.describe();
        EXPECT_FALSE(menu.visible());
    }

    menu = closeToMenu(app, dialog, L"ｷｬﾝｾﾙ");
    expectApplyDisabled(menu);
    // Opened again, it shows the settings as they were before.
    dialog = openFromMenu(app, menu, kBackupSettingsButton, kBackupSettings);
    EXPECT_TRUE(dialog.children(L"ListBox").at(0).items().empty());
    EXPECT_EQ(utf8(logFileBox(dialog).contents()), utf8(defaultLogFile));
    EXPECT_EQ(utf8(descriptionBox(dialog).contents()), "");
    dialog.close();
    app.waitUntilGone(dialog, "the backup settings", kStepTimeout);
    menu = app.waitForWindow(kMenu, kStepTimeout);
    app.settle(menu);
    expectApplyDisabled(menu);
}

TEST(Refusals, ScheduleShowsTheMessageKeepsTheDialogAndStoresNothing) {
    const DataFolder data;
    const BackupProgram ntbackup;  // the backup settings of the tape backup, which need no destination
    Program app;
    Window menu = waitForMenu(app);
    // The backup settings first: the apply button then tells whether the schedule was stored.
    const Window backup = openFromMenu(app, menu, kBackupSettingsButton, kBackupSettings);
    addFolderWithPicker(app, backup, L"DATA");
    menu = closeToMenu(app, backup, L"OK");

    Window dialog = openFromMenu(app, menu, kScheduleButton, kSchedule);
    const ScheduleControls controls = scheduleControls(dialog);
    const struct {
        const char* what;
        const wchar_t *hour, *minute;
        const wchar_t* message;
        const char* shot;
    } steps[] = {
        {"hour 24, today", L"24", L"0", lorvane::texts::kTimeInvalid, "message-time-invalid"},
        {"midnight today, passed", L"0", L"0", lorvane::texts::kTimePassed, "message-time-passed"},
    };
    SYSTEMTIME now{};
    GetLocalTime(&now);
    if (now.wHour == 0 && now.wMinute == 0 && now.wSecond < 2) pause(3s);  // 00:00:00 itself is not past
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        controls.hour.type(step.hour);
        controls.minute.type(step.minute);
        dialog.child(L"Button", L"OK").click();
        answerMessage(app, step.message, {IDOK}, IDOK, step.shot);
        app.settle(dialog);
        EXPECT_TRUE(dialog.visible()) << app.describe();
        EXPECT_EQ(utf8(controls.hour.contents()), utf8(step.hour));
        EXPECT_EQ(utf8(controls.minute.contents()), utf8(step.minute));
    }

    dialog.close();
    app.waitUntilGone(dialog, "the schedule", kStepTimeout);
    menu = app.waitForWindow(kMenu, kStepTimeout);
    app.settle(menu);
    expectApplyDisabled(menu);
    // Opened again, it starts from its defaults.
    dialog = openFromMenu(app, menu, kScheduleButton, kSchedule);
    const ScheduleControls fresh = scheduleControls(dialog);
    EXPECT_EQ(utf8(fresh.hour.contents()), "0");
    EXPECT_EQ(utf8(fresh.minute.contents()), "0");
    EXPECT_TRUE(dialog.child(L"Button", L"今日").checked());
    EXPECT_TRUE(dialog.child(L"Button", L"日付指定").checked());
    menu = closeToMenu(app, dialog, L"ｷｬﾝｾﾙ");
    expectApplyDisabled(menu);
}

}  // namespace
}  // namespace e2e
