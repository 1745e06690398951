#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "apply/apply_action.h"
#include "apply/command_line.h"
#include "apply/copy_commands.h"
#include "apply/job_file.h"
#include "fake_host.h"
#include "platform/posix/posix_system_access.h"
#include "texts.h"

namespace lorvane {
namespace {

namespace fs = std::filesystem;

// A user who may make a file writable again just before answering message number `act`.
class User : public test::FakeHost {
public:
    int messageBox(const std::wstring& text, int style) override {
        if (messages.size() == act && action) action();
        return FakeHost::messageBox(text, style);
    }
    std::vector<int> styles() const {
        std::vector<int> styles;
        for (const Message& message : messages) styles.push_back(message.style);
        return styles;
    }
    std::size_t act = 0;
    std::function<void()> action;
};

std::string Read(const fs::path& path) {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
}

// The files for the settings below, in code page 932.
const std::string kCommandFile =
    "ntbackup backup C:\\\x83\x66\x81\x5b\x83\x5e \"D:\\My Work\" /d\"\x8f\x54\x8e\x9f\" /hc:off "
    "/t {incremental} /l \"C:\\WINNT\\tpbackup.log\"\r\n";
const std::string kBatchFile = "at 02:30 /every:M,F tpbackup\r\n";
const std::string kOld = "old\r\n";

class ApplyAction : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/lorvane-apply-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        user.systemDir = dir.wstring();
        previousAccess = setSystemAccess(&access);
        settings.BackupSettings = {{L"C:\\データ", L" D:\\My Work "}, 1, 0, 0, 0, 0, L"週次", 2,
                                   L"C:\\WINNT\\tpbackup.log",        0, L""};
        settings.ScheduleSettings = {.RunUnit = 3,
                                     .DateMode = 2,
                                     .RunWeekday = {0, kTrue, 0, 0, 0, kTrue, 0},
                                     .RunHour = 2,
                                     .RunMinute = 30};
        for (const char* name : {"tpbackup.cmd", "atcmd.bat"})
            std::ofstream(dir / name, std::ios::binary) << kOld;
    }
    void TearDown() override {
        setSystemAccess(previousAccess);
        for (const auto& entry : fs::directory_iterator(dir))
            fs::permissions(entry.path(), fs::perms::owner_all);
        fs::remove_all(dir);
    }
    // Both files hold these contents, and nothing else lies beside them.
    void ExpectFiles(const std::string& command, const std::string& batch) {
        EXPECT_EQ(Read(dir / "tpbackup.cmd"), command);
        EXPECT_EQ(Read(dir / "atcmd.bat"), batch);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    }

    fs::path dir;
    User user;
    PosixSystemAccess access;
    SystemAccess* previousAccess = nullptr;
    Settings settings;
};

TEST_F(ApplyAction, NoWritesNothing) {
    user.answers = {mb::No};
    runApplyAction(settings);
    ASSERT_EQ(user.styles(), std::vector<int>{mb::QuestionYesNo});
    EXPECT_EQ(user.messages[0].text, texts::kApplyQuestion);
    ExpectFiles(kOld, kOld);
    EXPECT_TRUE(access.started.empty());
}

TEST_F(ApplyAction, YesWritesBothFilesAndStartsTheBatchHidden) {
    user.answers = {mb::Yes};
    runApplyAction(settings);
    ASSERT_EQ(user.styles(), (std::vector<int>{mb::QuestionYesNo, mb::OkOnly}));
    EXPECT_EQ(user.messages[1].text, texts::kApplyDone);
    ExpectFiles(kCommandFile, kBatchFile);
    ASSERT_EQ(access.started.size(), 1u);
    EXPECT_EQ(access.started[0].program, access.interpreter);
    EXPECT_EQ(access.started[0].arguments, L"/q /c \"" + user.systemDir + L"\\atcmd.bat\"");
    EXPECT_EQ(access.started[0].workingDirectory, user.systemDir);
}

// Without ntbackup, the program's own copy runs the job with robocopy and the Task
// Scheduler takes the task file in place of an earlier one; what it answers
// decides the message as `at`'s did.
TEST_F(ApplyAction, WithoutNtbackupWritesTheCopyAndHandsTheTaskToTheScheduler) {
    access.missingPrograms = {L"ntbackup"};
    access.driveFolders = dir.string();
    settings.BackupSettings.Destination = L"E:\\BACKUP\\";
    settings.BackupSettings.Guide = L"한글 names survive";  // no code page holds them: the job file is UTF-16
    access.answer = {{}, true, 1, L"ｴﾗｰ: ﾀｽｸ ﾌｧｲﾙが不正です。\r\n"};
    // The registered job's restore drill, which an administrator added, stays.
    backup::Job registered;
    registered.backup.BackupPath = {L"C:\\OLD"};
    registered.backup.Destination = L"E:\\OLD";
    registered.backup.LogFileName = L"C:\\old.log";
    registered.drillEvery = 5;
    std::ofstream(dir / "tpbackup.ini", std::ios::binary) << backup::writeJobFile(registered);
    user.answers = {mb::Yes};
    runApplyAction(settings);
    ASSERT_EQ(user.styles(), (std::vector<int>{mb::QuestionYesNo, mb::Critical}));
    EXPECT_EQ(user.messages[1].text, L"ｽｹｼﾞｭｰﾗにｼﾞｮﾌﾞを登録できませんでした。\r\n\r\n終了ｺｰﾄﾞ：1\r\n"
                                     L"schtasks の出力：\r\nｴﾗｰ: ﾀｽｸ ﾌｧｲﾙが不正です。");

    const std::string dir8 = dir.string();
    EXPECT_EQ(Read(dir / "atcmd.bat"),
              "schtasks /create /tn \"Lorvane\\tpbackup\" /xml \"" + dir8 + "\\tpbackup.xml\" /f\r\n");
    EXPECT_EQ(Read(dir / "tpbackup.cmd"), "@echo off\r\n\"" + dir8 + "\\Lorvane\\lorvane.exe\" /backup \"" + dir8 +
                                              "\\tpbackup.ini\"\r\nexit /b %errorlevel%\r\n");
    EXPECT_EQ(Read(dir / "Lorvane" / "lorvane.exe"), access.programImage);
    const backup::JobRead job = backup::readJobFile(Read(dir / "tpbackup.ini"));
    ASSERT_TRUE(job.job);
    EXPECT_EQ(job.job->backup.Guide, settings.BackupSettings.Guide);
    EXPECT_EQ(job.job->schedule.RunWeekday, settings.ScheduleSettings.RunWeekday);
    EXPECT_EQ(job.job->drillEvery, 5);
    EXPECT_TRUE(backup::markNamesJob(Read(dir / "E" / "BACKUP" / "lorvane-destination.ini"), kTaskName));
    const std::string task = Read(dir / "tpbackup.xml");
    EXPECT_EQ(task.substr(0, 4), std::string("\xFF\xFE<\0", 4)) << "UTF-16LE with its byte order mark";
    ASSERT_EQ(access.started.size(), 1u);
    EXPECT_EQ(access.started[0].arguments, L"/q /c \"" + user.systemDir + L"\\atcmd.bat\"");
}

struct ReadOnlyCase {
    const char* name;
    const char* readOnly;
    std::vector<int> answers;  // the first is the answer to the question
    std::size_t writableAt;    // the message before which the user makes the file writable
    std::vector<int> styles;
    bool commandWritten, batchWritten;
    friend void PrintTo(const ReadOnlyCase& c, std::ostream* os) { *os << c.name; }
};

class ApplyActionReadOnly : public ApplyAction, public testing::WithParamInterface<ReadOnlyCase> {};

TEST_P(ApplyActionReadOnly, RetryGoesOnOnceWritableCancelEnds) {
    const ReadOnlyCase& c = GetParam();
    fs::permissions(dir / c.readOnly, fs::perms::owner_read);
    user.answers = c.answers;
    user.act = c.writableAt;
    user.action = [&] { fs::permissions(dir / c.readOnly, fs::perms::owner_all); };
    runApplyAction(settings);
    EXPECT_EQ(user.styles(), c.styles);
    EXPECT_EQ(user.messages[1].text, L"ファイルが書き込み不可です。");
    ExpectFiles(c.commandWritten ? kCommandFile : kOld, c.batchWritten ? kBatchFile : kOld);
    EXPECT_EQ(access.started.size(), c.batchWritten ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyActionReadOnly,
    testing::Values(ReadOnlyCase{"CommandCancel", "tpbackup.cmd", {6, 2}, 9, {36, 53}, false, false},
                    ReadOnlyCase{
                        "CommandRetryTwice", "tpbackup.cmd", {6, 4, 4}, 2, {36, 53, 53, 0}, true, true},
                    ReadOnlyCase{"BatchCancel", "atcmd.bat", {6, 2}, 9, {36, 53}, true, false},
                    ReadOnlyCase{"BatchRetry", "atcmd.bat", {6, 4}, 1, {36, 53, 0}, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ApplyAction, MissingDirectoryStopsWithTheSystemText) {
    user.systemDir += L"\\missing";
    user.answers = {mb::Yes};
    runApplyAction(settings);
    ASSERT_EQ(user.styles(), (std::vector<int>{mb::QuestionYesNo, mb::Critical}));
    EXPECT_EQ(user.messages[1].text, L"No such file or directory");
    EXPECT_TRUE(access.started.empty());
}

// A single folder that makes the command line exactly this long.
std::wstring FolderForLength(const Settings& settings, std::size_t length) {
    BackupRecord backup = settings.BackupSettings;
    backup.BackupPath = {L""};
    return L"C:\\" + std::wstring(length - BuildBackupCommand(backup).size() - 3, L'x');
}

// A single folder of `fill` (and one x when the bytes do not come out even) that
// makes the command line exactly this many bytes long in code page 932.
std::wstring FolderForBytes(const Settings& settings, std::size_t bytes, wchar_t fill) {
    BackupRecord backup = settings.BackupSettings;
    backup.BackupPath = {L"C:\\"};
    const std::size_t rest = bytes - PosixSystemAccess().toBatchCodePage(BuildBackupCommand(backup))->size();
    const std::size_t width = PosixSystemAccess().toBatchCodePage(std::wstring(1, fill))->size();
    return L"C:\\" + std::wstring(rest / width, fill) + std::wstring(rest % width, L'x');
}

// The copy backup: no ntbackup on the system, robocopy there, a destination chosen.
const auto kCopy = [](PosixSystemAccess& a) { a.missingPrograms = {L"ntbackup"}; };
void CopyTo(Settings& s) { s.BackupSettings.Destination = L"E:\\BACKUP"; }

struct RefusalCase {
    const char* name;
    std::function<void(Settings&, User&)> change;
    std::wstring message;  // the start of the refusal; empty: accepted
    std::function<void(PosixSystemAccess&)> system = {};
    int style = mb::Critical;
    friend void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }
};

class ApplyActionRefuses : public ApplyAction, public testing::WithParamInterface<RefusalCase> {};

TEST_P(ApplyActionRefuses, BeforeTheQuestionAndWritesNothing) {
    GetParam().change(settings, user);
    if (GetParam().system) GetParam().system(access);
    runApplyAction(settings);
    if (GetParam().message.empty()) {
        EXPECT_EQ(user.styles(), std::vector<int>{mb::QuestionYesNo});
        return;
    }
    ASSERT_EQ(user.styles(), std::vector<int>{GetParam().style});
    EXPECT_EQ(user.messages[0].text.substr(0, GetParam().message.size()), GetParam().message);
    ExpectFiles(kOld, kOld);
}

const std::wstring kUnrepresentable = L"ｼｽﾃﾑのｺｰﾄﾞﾍﾟｰｼﾞで表せない文字が含まれています。\r\n\r\n文字　：";
const std::wstring kTapeLineTooLong = L"ntbackup のｺﾏﾝﾄﾞ行が長すぎます。\r\n\r\n文字数：";
const std::wstring kBang =
    L"cmd.exe の遅延環境変数の展開が有効なため、! は使用できません。\r\n\r\n文字　：! (U+0021)";
const auto kDelayedExpansionOn = [](PosixSystemAccess& a) { a.delayedExpansionOn = true; };

INSTANTIATE_TEST_SUITE_P(
    Cases, ApplyActionRefuses,
    testing::Values(
        RefusalCase{"EmptySystemDirectory", [](Settings&, User& u) { u.systemDir.clear(); },
                    L"ｼｽﾃﾑﾃﾞｨﾚｸﾄﾘを取得できません。"},
        // The copy's lines hold none of the typed text: no code page or length stands in the way.
        RefusalCase{"CopyTakesTextNoCodePageHolds",
                    [](Settings& s, User&) {
                        CopyTo(s);
                        s.BackupSettings.Guide = std::wstring(9000, L'한');
                        s.BackupSettings.BackupPath = {L"C:\\们"};
                    },
                    L"", kCopy},
        RefusalCase{
            "DoubleByteLineOf8192Bytes",
            [](Settings& s, User&) { s.BackupSettings.BackupPath = {FolderForBytes(s, 8192, L'ア')}; },
            L"ｺﾏﾝﾄﾞ行が長すぎます。\r\n\r\nﾌｧｲﾙ名：tpbackup.cmd\r\nﾊﾞｲﾄ数：8192 (上限 8191)"},
        // ntbackup's own limit: a longer line may stop it or leave files out without a word.
        RefusalCase{"TapeLineOf256",
                    [](Settings& s, User&) { s.BackupSettings.BackupPath = {FolderForLength(s, 256)}; }, L""},
        RefusalCase{"TapeLineOf257",
                    [](Settings& s, User&) { s.BackupSettings.BackupPath = {FolderForLength(s, 257)}; },
                    kTapeLineTooLong + L"257 (上限 256)\r\n\r\nﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽを減らすか、", {}, mb::Exclamation},
        RefusalCase{"CopyHasNoSuchLimit",
                    [](Settings& s, User&) {
                        CopyTo(s);
                        s.BackupSettings.BackupPath = {FolderForLength(s, 1000)};
                    },
                    L"", kCopy},
        RefusalCase{"CopyToAMappedNetworkDrive", [](Settings& s, User&) { CopyTo(s); },
                    L"保存先 E: はﾈｯﾄﾜｰｸﾄﾞﾗｲﾌﾞです。", [](PosixSystemAccess& a) {
                        kCopy(a);
                        a.drives[L"E:"] = DriveKind::Network;
                    },
                    mb::Exclamation},
        RefusalCase{"CopyWithoutDestination", [](Settings&, User&) {}, L"保存先が設定されていません。", kCopy,
                    mb::Exclamation},
        RefusalCase{"NoBackupProgram", [](Settings&, User&) {},
                    L"ntbackup も robocopy も見つかりません。\r\nこのｼｽﾃﾑではﾊﾞｯｸｱｯﾌﾟを実行できません。",
                    [](PosixSystemAccess& a) { a.missingPrograms = {L"ntbackup", L"robocopy"}; }},
        RefusalCase{"BangInFolderUnderDelayedExpansion",
                    [](Settings& s, User&) { s.BackupSettings.BackupPath[1] = L"D:\\!PATH!"; },
                    kBang + L"\r\n設定値：D:\\!PATH!", kDelayedExpansionOn},
        RefusalCase{"BangInDescriptionUnderDelayedExpansion",
                    [](Settings& s, User&) { s.BackupSettings.Guide = L"Hi!"; }, kBang + L"\r\n設定値：Hi!",
                    kDelayedExpansionOn},
        RefusalCase{"DelayedExpansionWithoutBang", [](Settings&, User&) {}, L"", kDelayedExpansionOn},
        RefusalCase{"LineOf8192",
                    [](Settings& s, User&) { s.BackupSettings.BackupPath = {FolderForLength(s, 8192)}; },
                    L"ｺﾏﾝﾄﾞ行が長すぎます。\r\n\r\nﾌｧｲﾙ名：tpbackup.cmd\r\n文字数：8192 (上限 8191)"},
        // The backup dialog's own check: what its OK accepted is refused here for nothing else.
        RefusalCase{"QuoteInDescription", [](Settings& s, User&) { s.BackupSettings.Guide = L"a\" & calc"; },
                    L"説明に \" (ﾀﾞﾌﾞﾙｸｫｰﾃｰｼｮﾝ) や制御文字は使用できません。", {}, mb::Exclamation},
        RefusalCase{"LineBreakInFolder",
                    [](Settings& s, User&) { s.BackupSettings.BackupPath[1] = L"D:\\a\nb"; },
                    L"ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽに \" (ﾀﾞﾌﾞﾙｸｫｰﾃｰｼｮﾝ) や制御文字は使用できません。", {}, mb::Exclamation},
        // Both schedulers would move the run to tomorrow; the clock reads 09:00:00.
        RefusalCase{"TodayAfterItsTime",
                    [](Settings& s, User&) {
                        s.ScheduleSettings = {.RunUnit = runUnit::Today, .RunHour = 8, .RunMinute = 59};
                    },
                    L"指定された日時は既に経過しています。", {}, mb::Exclamation},
        RefusalCase{"TodayAtItsTime",
                    [](Settings& s, User&) {
                        s.ScheduleSettings = {.RunUnit = runUnit::Today, .RunHour = 9, .RunMinute = 0};
                    },
                    L""},
        RefusalCase{"CopyToADriveThatIsGone",
                    [](Settings& s, User&) { s.BackupSettings.Destination = L"Q:\\BK"; },
                    L"保存先のﾄﾞﾗｲﾌﾞまたは共有が見つかりません。\r\n\r\n保存先：Q:\\BK", kCopy, mb::Exclamation},
        RefusalCase{"CopyToAShareThatIsThere",
                    [](Settings& s, User&) { s.BackupSettings.Destination = L"\\\\srv\\share\\BK"; }, L"",
                    [](PosixSystemAccess& a) {
                        a.missingPrograms = {L"ntbackup"};
                        a.folders.push_back(L"\\\\srv\\share");
                    }},
        RefusalCase{"LogInTheCopysTarget",
                    [](Settings& s, User&) {
                        CopyTo(s);
                        s.BackupSettings.LogFileName = L"E:\\BACKUP\\D\\My Work\\backup.log";
                    },
                    L"ﾛｸﾞﾌｧｲﾙが保存先の中にあります。\r\n\r\n保存先：E:\\BACKUP", kCopy, mb::Exclamation},
        RefusalCase{"BestFitYenWouldBeBackslash",
                    [](Settings& s, User&) { s.BackupSettings.LogFileName = L"C:\\¥.log"; },
                    kUnrepresentable + L"¥ (U+00A5)\r\n設定値：C:\\¥.log"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ApplyAction, BangIsWrittenAsTypedWithoutDelayedExpansion) {
    settings.BackupSettings.BackupPath = {L"D:\\!PATH!"};
    settings.BackupSettings.Guide = L"Hi!";
    user.answers = {mb::Yes};
    runApplyAction(settings);
    EXPECT_EQ(user.styles(), (std::vector<int>{mb::QuestionYesNo, mb::OkOnly}));
    ExpectFiles(
        "ntbackup backup D:\\!PATH! /d\"Hi!\" /hc:off /t {incremental} /l \"C:\\WINNT\\tpbackup.log\"\r\n",
        kBatchFile);
}

// Twenty lines of what `at` printed, the last with a blank line after it.
std::wstring AtOutput() {
    std::wstring output;
    for (int i = 1; i <= 20; ++i) output += L"ｴﾗｰ行 " + std::to_wstring(i) + L"\r\n";
    return output + L"\r\n";
}

std::wstring AtLines(int first, int last) {
    std::wstring lines;
    for (int i = first; i <= last; ++i)
        lines += (i > first ? L"\r\n" : L"") + (L"ｴﾗｰ行 " + std::to_wstring(i));
    return lines;
}

struct AnswerCase {
    const char* name;
    ProgramRun answer;
    int style;             // of the message after the question
    std::wstring message;  // its exact text
    friend void PrintTo(const AnswerCase& c, std::ostream* os) { *os << c.name; }
};

class SchedulerAnswer : public ApplyAction, public testing::WithParamInterface<AnswerCase> {};

// Both files stay written whatever `at` answers: they are what the user asked for.
TEST_P(SchedulerAnswer, DecidesTheMessage) {
    const AnswerCase& c = GetParam();
    access.answer = c.answer;
    user.answers = {mb::Yes};
    runApplyAction(settings);
    ASSERT_EQ(user.styles(), (std::vector<int>{mb::QuestionYesNo, c.style}));
    EXPECT_EQ(user.messages[1].text, c.message);
    ExpectFiles(kCommandFile, kBatchFile);
    ASSERT_EQ(access.started.size(), 1u);
    EXPECT_EQ(access.waits, std::vector<std::chrono::milliseconds>{std::chrono::seconds(30)});
}

const std::wstring kRefused = L"ｽｹｼﾞｭｰﾗにｼﾞｮﾌﾞを登録できませんでした。\r\n\r\n終了ｺｰﾄﾞ：";

INSTANTIATE_TEST_SUITE_P(
    Cases, SchedulerAnswer,
    testing::Values(
        AnswerCase{"Accepted",
                   {{}, true, 0, L"新しいｼﾞｮﾌﾞをｼﾞｮﾌﾞ ID = 1 で追加しました。\r\n"},
                   mb::OkOnly,
                   texts::kApplyDone},
        AnswerCase{"RefusedShowsTheLastFifteenLines",
                   {{}, true, 1, AtOutput()},
                   mb::Critical,
                   kRefused + L"1\r\nat の出力：\r\n" + AtLines(6, 20)},
        AnswerCase{"RefusedSilently",
                   {{}, true, 3221225794ul, L"\r\n"},
                   mb::Critical,
                   kRefused + L"3221225794\r\nat の出力：(なし)"},
        AnswerCase{"NoAnswerInTime",
                   {{}, false, 0, L"処理中"},
                   mb::Exclamation,
                   L"ｽｹｼﾞｭｰﾗの応答を確認できませんでした。\r\n\r\nat が 30 秒以内に終了しませんでした。\r\n"
                   L"ｼﾞｮﾌﾞが登録されたかどうかを at ｺﾏﾝﾄﾞで確認してください。"},
        AnswerCase{"NotStarted",
                   {{Outcome::Failed, L"指定されたﾌｧｲﾙが見つかりません。"}, false, 0, {}},
                   mb::Critical,
                   L"指定されたﾌｧｲﾙが見つかりません。"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace lorvane
