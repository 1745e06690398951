// The copy backup's job after apply has handed it over: the menu's status, a
// start again that edits the registered job, 今すぐ実行 (which Wine's Task
// Scheduler refuses: it does not implement IRegisteredTask::Run), a run of the
// job as the scheduler starts it, 登録解除, and a job file that cannot be read.
#include <gtest/gtest.h>

#include <filesystem>

#include "journey.h"

namespace e2e {
namespace {

constexpr wchar_t kRunNowButton[] = L"今すぐ実行(&R)";
constexpr wchar_t kUnregisterButton[] = L"登録解除(&U)";
const std::wstring kDestination = L"C:\\BACKUP";

// Where Windows has neither ntbackup nor `at` (robocopy the journeys' stand-in),
// with a folder of one file to back up; all put back afterwards: the generated
// files, the destination and its sets, the program's copy, the task Wine's
// scheduler keeps as a file.
struct CopyPath {
    Restore data{L"C:\\DATA"};
    GeneratedFiles files;
    Restore destination{kDestination}, log{windowsDirectory() + L"\\tpbackup.log"},
        tasks{systemDirectory() + L"\\Tasks\\Lorvane"}, task{systemDirectory() + L"\\Tasks\\Lorvane\\tpbackup"};
    RobocopyStandIn robocopy;

    CopyPath() {
        std::filesystem::create_directories(L"C:\\DATA");
        writeFile(L"C:\\DATA\\report.txt", "quarterly figures\r\n");
    }
    ~CopyPath() {
        std::error_code ignored;
        std::filesystem::remove(L"C:\\DATA\\report.txt", ignored);
        if (std::filesystem::is_directory(kDestination, ignored))
            for (const auto& entry : std::filesystem::directory_iterator(kDestination, ignored))
                std::filesystem::remove_all(entry.path(), ignored);
        std::filesystem::remove_all(systemDirectory() + L"\\Lorvane", ignored);
    }
};

std::wstring statusOf(const Window& menu) {
    for (const Window& label : menu.children(L"Static"))
        if (const std::wstring text = label.title(); text.starts_with(L"登録") || text.starts_with(L"状態")) return text;
    return {};
}

// Waits until the menu's status holds the text.
std::wstring waitForStatus(const Window& menu, const std::wstring& text) {
    waitUntil("the status to say " + utf8(text), 30s, [&] { return statusOf(menu).find(text) != std::wstring::npos; },
              [&] { return utf8(statusOf(menu)); });
    return statusOf(menu);
}

// The typical settings with the destination, applied; the menu afterwards.
Window applyTypicalCopy(const Program& app, bool shots = false) {
    const Window menu = chooseTypicalSettings(app, false, [&](const Window& backup) {
        backup.child(L"TkFrame", L"保存先").children(L"Edit").at(0).type(kDestination);
    });
    menu.child(L"Button", kApplyButton).click();
    answerMessage(app, kApplyQuestion, {IDYES, IDNO}, IDYES);
    answerMessage(app, kApplyDone, {IDOK}, IDOK);
    waitForStatus(menu, L"登録：C:\\DATA → C:\\BACKUP\r\n予定：毎週 月・金 02:30");
    if (shots) screenshot(menu, "main-menu-registered");
    return menu;
}

// For whoever runs the demo: the sets below the destination, one path a line, as a file kept beside the screenshots.
void keepSetTree() {
    std::string tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kDestination)) {
        tree += utf8(entry.path().wstring());
        if (entry.is_regular_file()) tree += "  (" + std::to_string(entry.file_size()) + " bytes)";
        tree += "\n";
    }
    const std::wstring listing = windowsDirectory() + L"\\lorvane-set-tree.txt";
    writeFile(listing, tree);
    keepCopy(listing, "set-tree.txt");
    DeleteFileW(listing.c_str());
}

std::optional<std::wstring> registryText(const std::wstring& key, const std::wstring& value) {
    wchar_t text[1024];
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, key.c_str(), value.c_str(), RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, text, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(text);
}

TEST(RegisteredJob, StartsAgainWithItsSettingsAndTheEventSourceIsRegistered) {
    const CopyPath prefix;
    {
        Program app;
        const Window menu = applyTypicalCopy(app, true);
        menu.chooseMenu({L"ﾌｧｲﾙ(&F)", L"終了(&X)"});
        app.waitForExit(kStepTimeout);
    }
    EXPECT_EQ(registryText(L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Lorvane", L"EventMessageFile"),
              systemDirectory() + L"\\Lorvane\\lorvane.exe");

    // Started again: both settings are there, so one change and apply is all it takes.
    Program app;
    Window menu = waitForMenu(app);
    EXPECT_TRUE(menu.child(L"Button", kApplyButton).enabled()) << "the registered job's flags are raised";
    const Window backup = openFromMenu(app, menu, kBackupSettingsButton, kBackupSettings);
    EXPECT_EQ(backup.children(L"ListBox").at(0).items(), std::vector<std::wstring>{L"C:\\DATA"});
    EXPECT_EQ(backup.child(L"TkFrame", L"保存先").children(L"Edit").at(0).contents(), kDestination);
    EXPECT_EQ(backup.children(L"ComboBox").at(0).contents(), L"incremental");
    menu = closeToMenu(app, backup, L"ｷｬﾝｾﾙ");
    const Window schedule = openFromMenu(app, menu, kScheduleButton, kSchedule);
    EXPECT_EQ(scheduleControls(schedule).weekdays.selectedRows(), (std::vector<int>{1, 5}));
    EXPECT_EQ(scheduleControls(schedule).hour.contents(), L"2");
    closeToMenu(app, schedule, L"ｷｬﾝｾﾙ");
}

TEST(RunNow, WineRefusesItAndTheStatusFollowsARunOfTheJob) {
    const CopyPath prefix;
    Program app;
    const Window menu = applyTypicalCopy(app, true);
    for (const auto& [file, name] : {std::pair{prefix.files.commandFile, "tpbackup.cmd"},
                                     std::pair{prefix.files.batchFile, "atcmd.bat"}})
        keepCopy(file, name);
    EXPECT_NE(statusOf(menu).find(L"前回：まだ実行されていません"), std::wstring::npos) << utf8(statusOf(menu));

    // Wine's IRegisteredTask::Run answers E_NOTIMPL: a refusal with the system's reason, nothing claimed.
    menu.child(L"Button", kRunNowButton).click();
    const MessageBoxWindow refusal = app.waitForMessageBox(kStepTimeout);
    EXPECT_TRUE(refusal.text().starts_with(L"ﾀｽｸ ｽｹｼﾞｭｰﾗがﾊﾞｯｸｱｯﾌﾟを開始しませんでした。\r\n\r\nIRegisteredTask::Run："))
        << utf8(refusal.text());
    screenshot(refusal, "run-now-refused");
    refusal.press(IDOK);
    app.waitUntilGone(refusal, "the refusal", kStepTimeout);

    // The job as the scheduler runs it: the program's copy with its job file.
    Program run(systemDirectory() + L"\\cmd.exe", L"/c \"" + prefix.files.commandFile + L"\"");
    EXPECT_EQ(run.waitForExit(60s), 0u) << "the run's exit code: success";
    // Back in the menu (a dialog closed), the status reads the set the run left.
    closeToMenu(app, openFromMenu(app, menu, kScheduleButton, kSchedule), L"ｷｬﾝｾﾙ");
    const std::wstring status = waitForStatus(menu, L"ｾｯﾄ：1 個");
    EXPECT_NE(status.find(L"_incremental"), std::wstring::npos) << utf8(status);
    EXPECT_NE(status.find(L"  成功\r\n"), std::wstring::npos) << utf8(status);
    screenshot(menu, "main-menu-after-a-run");
    keepSetTree();
    keepCopy(windowsDirectory() + L"\\tpbackup.log", "tpbackup.log");
}

TEST(Unregister, RemovesTheTaskAndItsFilesAndKeepsTheSets) {
    const CopyPath prefix;
    Program app;
    const Window menu = applyTypicalCopy(app);
    std::filesystem::create_directories(kDestination + L"\\2026-12-07_023000_normal");

    menu.child(L"Button", kUnregisterButton).click();
    answerMessage(app,
                  L"登録されているﾊﾞｯｸｱｯﾌﾟ (Lorvane\\tpbackup) を解除し、ｼｽﾃﾑに反映したﾌｧｲﾙを削除します。\r\n"
                  L"保存先のｾｯﾄとﾛｸﾞは残ります。よろしいですか？",
                  {IDYES, IDNO}, IDNO);
    EXPECT_TRUE(readFile(prefix.files.jobFile)) << "No removes nothing";
    menu.child(L"Button", kUnregisterButton).click();
    answerMessage(app,
                  L"登録されているﾊﾞｯｸｱｯﾌﾟ (Lorvane\\tpbackup) を解除し、ｼｽﾃﾑに反映したﾌｧｲﾙを削除します。\r\n"
                  L"保存先のｾｯﾄとﾛｸﾞは残ります。よろしいですか？",
                  {IDYES, IDNO}, IDYES, "unregister-question");
    answerMessage(app, L"登録を解除しました。", {IDOK}, IDOK);
    waitForStatus(menu, L"登録されているﾊﾞｯｸｱｯﾌﾟはありません。");
    for (const std::wstring& file : {prefix.files.commandFile, prefix.files.jobFile, prefix.files.taskFile,
                                     prefix.files.batchFile, systemDirectory() + L"\\Lorvane"})
        EXPECT_EQ(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES) << utf8(file);
    EXPECT_EQ(GetFileAttributesW((systemDirectory() + L"\\Tasks\\Lorvane\\tpbackup").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the scheduler no longer has the task";
    EXPECT_NE(GetFileAttributesW((kDestination + L"\\2026-12-07_023000_normal").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(readFile(kDestination + L"\\lorvane-destination.ini"));
    waitUntil("the buttons to be disabled", kStepTimeout,
              [&] { return !menu.child(L"Button", kRunNowButton).enabled(); }, [&] { return menu.describe(); });
    screenshot(menu, "main-menu-unregistered");
}

TEST(DamagedJobFile, StartsFromTheDefaultsAndSaysWhy) {
    const CopyPath prefix;
    // Half of a job file: a reader must not take the folders and leave the rest.
    writeFile(prefix.files.jobFile, std::string("\xFF\xFE", 2) + std::string("f\0o\0r\0m\0a\0t\0=\0001\0\r\0\n\0f\0o\0", 26));
    Program app;
    const MessageBoxWindow box = app.waitForMessageBox(kStartTimeout);
    EXPECT_TRUE(box.text().starts_with(L"登録されているﾊﾞｯｸｱｯﾌﾟの設定 (tpbackup.ini) を読めないため、既定の設定で始めます。"))
        << utf8(box.text());
    screenshot(box, "job-file-damaged");
    box.press(IDOK);
    const Window menu = waitForMenu(app);
    EXPECT_FALSE(menu.child(L"Button", kApplyButton).enabled());
    waitForStatus(menu, L"を読めません");
    const Window backup = openFromMenu(app, menu, kBackupSettingsButton, kBackupSettings);
    EXPECT_TRUE(backup.children(L"ListBox").at(0).items().empty());
    closeToMenu(app, backup, L"ｷｬﾝｾﾙ");
}

}  // namespace
}  // namespace e2e
