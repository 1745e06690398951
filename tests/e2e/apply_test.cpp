// The typical use from start to end, and the apply action's other answers: the
// settings chosen in both dialogs, the apply button, the question, and what
// lands in the system directory.
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
// the generated files, and `at`.
struct Prefix {
    Restore data{L"C:\\DATA"};
    GeneratedFiles files;
    AtRecorder at;
    Prefix() {
        if (!CreateDirectoryW(L"C:\\DATA", nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            throw DriverError("cannot create C:\\DATA");
    }
    void writeOldFiles() const {
        writeFile(files.commandFile, kOldCommandFile);
        writeFile(files.batchFile, kOldBatchFile);
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
    pause(1s);  // time enough for a batch file that should not have started
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
        pause(1s);
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

}  // namespace
}  // namespace e2e
