// The typical use from start to end, and the apply action's other answers: the
// settings chosen in both dialogs, the apply button, the question, what lands
// in the system directory, and what the scheduler answered.
#include <gtest/gtest.h>

#include "journey.h"

namespace e2e {
namespace {

const std::string kOldCommandFile = "rem an earlier tpbackup.cmd\r\n";
const std::string kOldBatchFile = "rem an earlier atcmd.bat\r\n";

std::string expectedCommandFile() {
    return "ntbackup backup C:\\DATA /a /hc:off /t {incremental} /l \"" + utf8(windowsDirectory()) +
           "\\tpbackup.log\"\r\n";
}
const std::string kExpectedBatchFile = "at 02:30 /every:M,F tpbackup\r\n";
const std::string kExpectedAtArguments = "02:30 /every:M,F tpbackup";

// The prefix as a journey finds it, and put back afterwards: C:\DATA to back up,
// the generated files, `ntbackup` (unless the journey goes without it) and `at`.
struct Prefix {
    Restore data{L"C:\\DATA"};
    GeneratedFiles files;
    std::optional<BackupProgram> ntbackup;
    AtRecorder at;
    explicit Prefix(bool withBackupProgram = true, const std::wstring& atReply = {}, int atExitCode = 0,
                    int atSeconds = 0)
        : at(atReply, atExitCode, atSeconds) {
        if (withBackupProgram) ntbackup.emplace();
        if (!CreateDirectoryW(L"C:\\DATA", nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            throw DriverError("cannot create C:\\DATA");
    }
    void writeOldFiles() const {
        writeFile(files.commandFile, kOldCommandFile);
        writeFile(files.batchFile, kOldBatchFile);
    }
    void expectOldFiles() const {
        EXPECT_EQ(readFile(files.commandFile), kOldCommandFile);
        EXPECT_EQ(readFile(files.batchFile), kOldBatchFile);
    }
};

TEST(TypicalUse, SchedulesAnIncrementalBackupOfCDataEveryMondayAndFriday) {
    const Prefix prefix;
    Program app;
    const Window menu = chooseTypicalSettings(app, true);

    menu.child(L"Button", kApplyButton).click();
    answerMessage(app, kApplyQuestion, {IDYES, IDNO}, IDYES, "apply-question");
    app.waitForMessageBox(kStepTimeout);  // the files are written before it shows
    EXPECT_EQ(readFile(prefix.files.commandFile), expectedCommandFile());
    EXPECT_EQ(readFile(prefix.files.batchFile), kExpectedBatchFile);
    keepCopy(prefix.files.commandFile, "tpbackup.cmd");
    keepCopy(prefix.files.batchFile, "atcmd.bat");
    answerMessage(app, kApplyDone, {IDOK}, IDOK, "apply-done");
    EXPECT_EQ(prefix.at.waitForArguments(kStepTimeout), kExpectedAtArguments);

    // The menu stays, its apply button still enabled, and closing it ends the program.
    EXPECT_TRUE(menu.visible());
    EXPECT_TRUE(menu.child(L"Button", kApplyButton).enabled());
    menu.close();
    EXPECT_EQ(app.waitForExit(kStepTimeout), 0u);
}

TEST(Declining, LeavesBothFilesAsTheyWereAndSchedulesNothing) {
    const Prefix prefix;
    prefix.writeOldFiles();
    Program app;
    const Window menu = chooseTypicalSettings(app);

    menu.child(L"Button", kApplyButton).click();
    answerMessage(app, kApplyQuestion, {IDYES, IDNO}, IDNO);
    expectNoMessage(app, menu);
    EXPECT_EQ(readFile(prefix.files.commandFile), kOldCommandFile);
    EXPECT_EQ(readFile(prefix.files.batchFile), kOldBatchFile);
    // The program has settled: a batch file it had started would have been waited for.
    EXPECT_FALSE(prefix.at.ran());
    EXPECT_TRUE(menu.visible());
}

enum class Answer { Cancel, RetryUntilWritable };

class ReadOnlyCommandFile : public ::testing::TestWithParam<Answer> {};

TEST_P(ReadOnlyCommandFile, AsksToRetryAndGoesOnOrStopsAsAnswered) {
    const Prefix prefix;
    prefix.writeOldFiles();
    setReadOnly(prefix.files.commandFile, true);
    Program app;
    const Window menu = chooseTypicalSettings(app);

    menu.child(L"Button", kApplyButton).click();
    answerMessage(app, kApplyQuestion, {IDYES, IDNO}, IDYES);
    if (GetParam() == Answer::Cancel) {
        answerMessage(app, kNotWritable, {IDRETRY, IDCANCEL}, IDCANCEL, "apply-not-writable");
        expectNoMessage(app, menu);
        EXPECT_EQ(readFile(prefix.files.commandFile), kOldCommandFile);
        EXPECT_TRUE(readOnly(prefix.files.commandFile));
        EXPECT_EQ(readFile(prefix.files.batchFile), kOldBatchFile);
        EXPECT_FALSE(prefix.at.ran());
    } else {
        // Retry while the file is still read-only asks again.
        answerMessage(app, kNotWritable, {IDRETRY, IDCANCEL}, IDRETRY);
        app.waitForMessageBox(kStepTimeout);
        setReadOnly(prefix.files.commandFile, false);
        answerMessage(app, kNotWritable, {IDRETRY, IDCANCEL}, IDRETRY);
        answerMessage(app, kApplyDone, {IDOK}, IDOK);
        EXPECT_EQ(readFile(prefix.files.commandFile), expectedCommandFile());
        EXPECT_EQ(readFile(prefix.files.batchFile), kExpectedBatchFile);
        EXPECT_EQ(prefix.at.waitForArguments(kStepTimeout), kExpectedAtArguments);
    }
    EXPECT_TRUE(menu.visible());
}

INSTANTIATE_TEST_SUITE_P(, ReadOnlyCommandFile, ::testing::Values(Answer::Cancel, Answer::RetryUntilWritable),
                         [](const auto& info) {
                             return info.param == Answer::Cancel ? "Cancel" : "RetryUntilWritable";
                         });

// `at` refuses the job: the user reads its answer, and no success follows.
TEST(SchedulerRefusal, ShowsWhatAtPrintedAndNoSuccess) {
    const std::wstring reply = L"ｽｹｼﾞｭｰﾙ ｻｰﾋﾞｽが開始されていません。";
    const Prefix prefix(true, reply, 1, 2);
    Program app;
    const Window menu = chooseTypicalSettings(app);

    menu.child(L"Button", kApplyButton).click();
    answerMessage(app, kApplyQuestion, {IDYES, IDNO}, IDYES);
    // While `at` takes its time the menu is painted but takes no input (nor what the
    // driver posts: the program cannot be asked to settle until the answer is in).
    waitUntil(
        "the menu to be disabled while at runs", kStepTimeout, [&] { return !menu.enabled(); },
        [&] { return app.describe(); });
    // at has started and waits its two seconds: whatever it answers cannot be shown yet.
    EXPECT_EQ(prefix.at.waitForArguments(kStepTimeout), kExpectedAtArguments);
    EXPECT_FALSE(app.findMessageBox(false)) << app.describe();
    EXPECT_GT(inkedRows(menu), 0);
    EXPECT_TRUE(menu.child(L"Button", L"at の応答を待っています...").visible()) << app.describe();
    screenshot(menu, "apply-waiting");
    answerMessage(app,
                  L"ｽｹｼﾞｭｰﾗにｼﾞｮﾌﾞを登録できませんでした。\r\n\r\n終了ｺｰﾄﾞ：1\r\nat の出力：\r\n" + reply,
                  {IDOK}, IDOK, "apply-refused");
    expectNoMessage(app, menu);
    // Both files stay: they are what the user asked for.
    EXPECT_EQ(readFile(prefix.files.commandFile), expectedCommandFile());
    EXPECT_EQ(readFile(prefix.files.batchFile), kExpectedBatchFile);
    EXPECT_TRUE(menu.visible());
    EXPECT_TRUE(menu.enabled());
    EXPECT_TRUE(menu.child(L"Button", kApplyButton).visible()) << "the button's caption is back";
}

// 今日 at a time that passes between the schedule's OK and the apply button: the
// program says so as the schedule dialog does, rather than letting the scheduler
// move the run to tomorrow. Closing the menu then asks, as the settings were
// never applied: No stays, Yes ends.
TEST(TodayPassedBeforeApply, IsRefusedAndClosingAsksFirst) {
    const Prefix prefix;
    prefix.writeOldFiles();
    Program app;
    Window menu = waitForMenu(app);

    // The next minute, with time enough for the schedule's OK before it comes.
    SYSTEMTIME now{};
    for (GetLocalTime(&now); now.wSecond >= 50 || (now.wHour == 23 && now.wMinute == 59); GetLocalTime(&now))
        pause(1s);
    const int hour = (now.wHour * 60 + now.wMinute + 1) / 60, minute = (now.wMinute + 1) % 60;
    Window schedule = openFromMenu(app, menu, kScheduleButton, kSchedule);
    const ScheduleControls controls = scheduleControls(schedule);
    EXPECT_TRUE(schedule.child(L"Button", L"今日").checked());
    controls.hour.type(std::to_wstring(hour));
    controls.minute.type(std::to_wstring(minute));
    menu = closeToMenu(app, schedule, L"OK");

    const Window backup = openFromMenu(app, menu, kBackupSettingsButton, kBackupSettings);
    addFolderWithPicker(app, backup, L"DATA");
    menu = closeToMenu(app, backup, L"OK");
    waitUntil(
        "the chosen minute to pass", 75s,
        [&] {
            GetLocalTime(&now);
            return now.wHour * 3600 + now.wMinute * 60 + now.wSecond > hour * 3600 + minute * 60;
        },
        [&] { return std::to_string(now.wHour) + ":" + std::to_string(now.wMinute); });

    menu.child(L"Button", kApplyButton).click();
    answerMessage(app, lorvane::texts::kTimePassed, {IDOK}, IDOK, "apply-time-passed");
    expectNoMessage(app, menu);
    prefix.expectOldFiles();
    EXPECT_FALSE(prefix.at.ran());

    menu.close();
    answerMessage(app, lorvane::texts::kUnappliedQuestion, {IDYES, IDNO}, IDNO, "close-unapplied");
    expectNoMessage(app, menu);
    EXPECT_TRUE(menu.visible());
    menu.close();
    answerMessage(app, lorvane::texts::kUnappliedQuestion, {IDYES, IDNO}, IDYES);
    EXPECT_EQ(app.waitForExit(kStepTimeout), 0u);
}

TEST(NoBackupProgram, StopsBeforeTheQuestionAndWritesNothing) {
    const Prefix prefix(false);
    const Removed robocopy(systemDirectory() + L"\\robocopy.exe");
    prefix.writeOldFiles();
    Program app;
    const Window menu = chooseTypicalSettings(app);

    menu.child(L"Button", kApplyButton).click();
    answerMessage(app, L"ntbackup も robocopy も見つかりません。\r\nこのｼｽﾃﾑではﾊﾞｯｸｱｯﾌﾟを実行できません。", {IDOK},
                  IDOK, "apply-no-backup-program");
    expectNoMessage(app, menu);
    prefix.expectOldFiles();
    EXPECT_FALSE(prefix.at.ran());
    EXPECT_TRUE(menu.visible());
}

// A second start while the question is up brings the question to the front and
// leaves its answer to the user.
TEST(SecondStartDuringTheQuestion, LeavesTheQuestionUnanswered) {
    const Prefix prefix;
    prefix.writeOldFiles();
    Program app;
    const Window menu = chooseTypicalSettings(app);
    menu.child(L"Button", kApplyButton).click();
    const MessageBoxWindow question = app.waitForMessageBox(kStepTimeout);
    ASSERT_EQ(question.text(), kApplyQuestion);

    Program second;
    waitUntil(
        "the second start to end", 15s, [&] { return !second.running(); }, [&] { return second.describe(); });
    EXPECT_EQ(second.exitCode(), 0u);
    // A second start that pressed Enter waits until the program has taken it before it
    // ends; the settle takes in anything it posted.
    app.settle(question);
    EXPECT_TRUE(question.visible()) << app.describe();
    EXPECT_EQ(app.findMessageBox(), question) << app.describe();
    EXPECT_EQ(foregroundWindow(), question) << app.describe();
    screenshot(question, "second-start-question");
    prefix.expectOldFiles();
    EXPECT_FALSE(prefix.at.ran());

    answerMessage(app, kApplyQuestion, {IDYES, IDNO}, IDNO);
    expectNoMessage(app, menu);
    prefix.expectOldFiles();
}

}  // namespace
}  // namespace e2e
