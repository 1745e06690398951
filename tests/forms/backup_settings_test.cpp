#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/forms.h"
#include "app/menu_form.h"
#include "backupinfo/select_path_form.h"
#include "backupinfo/set_bk_info_form.h"
#include "core/subroutines.h"
#include "form_test_support.h"
#include "toolkit/events.h"
#include "texts.h"

namespace lorvane::test {
namespace {

class BackupSettings : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        subSetStartValues(mdlMain());
    }
    // Opens the dialog from the main menu, as the user does.
    SetBkInfoForm& open() {
        if (!frmMenu.instance()) frmMenu->Show();
        tk::user::click(frmMenu->cmdSetBkupInfo);
        EXPECT_FALSE(frmMenu->Visible());
        return *frmSetBkInfo;
    }

    // The picker hands back this text in its path box (or is cancelled).
    static void addFromPicker(SetBkInfoForm& dialog, const std::wstring& result) {
        tk::testing::onNextModal([result](tk::Form& form) {
            auto& picker = static_cast<SelectPathForm&>(form);
            EXPECT_EQ(picker.Caption(), texts::kFolderPickerTitle);
            EXPECT_EQ(picker.lblPath.Caption(), L"ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽ");
            EXPECT_EQ(picker.cmdOk.Caption(), L"追加");
            if (result == L"<close box>") return tk::user::closeBox(picker);
            if (result == L"Cancel") return tk::user::click(picker.cmdCancel);
            picker.txtPath.Text(result);
            tk::user::click(picker.cmdOk);
        });
        tk::user::click(dialog.cmdAddPath);
        EXPECT_EQ(frmSelectPath.instance(), nullptr) << "every addition ends with the picker discarded";
    }

    static std::vector<std::wstring> entries(const tk::ListBox& list) {
        std::vector<std::wstring> items;
        for (int i = 0; i < list.ListCount(); ++i) items.push_back(list.List(i));
        return items;
    }

    std::vector<std::wstring> messageTexts() const {
        std::vector<std::wstring> texts;
        for (const auto& m : messages()) texts.push_back(m.text + L" / " + std::to_wstring(m.style));
        return texts;
    }
};

struct OpeningCase {
    const char* name;
    Int16 writeMode, verify, backupMode, logFileMode;
    bool replace, verifyTicked;
    int listIndex;
    bool exceptionsOnly;
    friend std::ostream& operator<<(std::ostream& os, const OpeningCase& c) { return os << c.name; }
};
using BackupSettingsOpening = Table<BackupSettings, OpeningCase>;

TEST_P(BackupSettingsOpening, ShowsTheStoredRecord) {
    const OpeningCase& c = GetParam();
    BackupRecord& b = mdlMain().BackupSettings;
    b = BackupRecord{{L"C:\\DATA", L"D:\\"},     c.writeMode,  c.verify, 0, 1, 0, L" 週次 ", c.backupMode,
                     L"C:\\WINNT\\tpbackup.log", c.logFileMode, L""};
    SetBkInfoForm& dialog = open();
    EXPECT_EQ(dialog.optWriteMode2.Value(), c.replace);
    EXPECT_EQ(dialog.optWriteMode1.Value(), !c.replace);
    EXPECT_EQ(dialog.chkVerify.Value(), c.verifyTicked ? 1 : 0);
    EXPECT_EQ(dialog.chkRestriction.Value(), 1);
    EXPECT_EQ(dialog.cboBackupMode.ListIndex(), c.listIndex);
    EXPECT_EQ(dialog.optLogFileMode2.Value(), c.exceptionsOnly);
    EXPECT_EQ(dialog.txtGuide.Text(), L" 週次 ");
    EXPECT_EQ(dialog.txtLogFileName.Text(), L"C:\\WINNT\\tpbackup.log");
    EXPECT_EQ(entries(dialog.lstBackupPath), (std::vector<std::wstring>{L"C:\\DATA", L"D:\\"}));
    EXPECT_EQ(dialog.cboBackupMode.ListCount(), 5);
}

INSTANTIATE_TEST_SUITE_P(, BackupSettingsOpening,
                         ::testing::Values(OpeningCase{"FirstOfEach", 0, 0, 0, 0, false, false, 0, false},
                                           OpeningCase{"LastOfEach", 1, 1, 4, 1, true, true, 4, true},
                                           // only 0 means append, only 1 ticks
                                           OpeningCase{"OutOfRange", 5, -1, -1, 2, true, false, -1, true}),
                         CaseName());

struct AddCase {
    const char* name;
    std::vector<std::wstring> before;
    int selected;
    std::wstring picked;
    std::vector<std::wstring> after;
    int selectedAfter;
    friend std::ostream& operator<<(std::ostream& os, const AddCase& c) { return os << c.name; }
};
using BackupSettingsAdd = Table<BackupSettings, AddCase>;

TEST_P(BackupSettingsAdd, TrimsBlanksAndSkipsExactDuplicates) {
    const AddCase& c = GetParam();
    mdlMain().BackupSettings.BackupPath = c.before;
    SetBkInfoForm& dialog = open();
    if (c.selected >= 0) tk::user::select(dialog.lstBackupPath, c.selected);
    addFromPicker(dialog, c.picked);
    EXPECT_EQ(entries(dialog.lstBackupPath), c.after) << c.picked;
    EXPECT_EQ(dialog.lstBackupPath.ListIndex(), c.selectedAfter) << c.picked;
}

INSTANTIATE_TEST_SUITE_P(
    , BackupSettingsAdd,
    ::testing::Values(
        AddCase{"TrailingBlank", {L"C:\\DATA"}, -1, L"C:\\DATA ", {L"C:\\DATA"}, 0},
        AddCase{"LeadingBlanks", {L"C:\\DATA", L"D:\\"}, -1, L"  C:\\DATA", {L"C:\\DATA", L"D:\\"}, 0},
        AddCase{"OtherCase", {L"C:\\DATA"}, -1, L"c:\\data", {L"C:\\DATA", L"c:\\data"}, 0},
        AddCase{"NewAfterSelection", {L"A", L"B", L"C"}, 0, L" D ", {L"A", L"B", L"C", L"D"}, 2},
        AddCase{"TabIsNoBlank", {}, -1, L"C:\\DATA\t", {L"C:\\DATA\t"}, -1},
        AddCase{
            "IdeographicSpaceIsNoBlank", {L"C:\\DATA"}, -1, L"C:\\DATA　", {L"C:\\DATA", L"C:\\DATA　"}, 0},
        AddCase{"Cancel", {L"A", L"B"}, 0, L"Cancel", {L"A", L"B"}, 0},
        AddCase{"CloseBox", {L"A", L"B"}, 1, L"<close box>", {L"A", L"B"}, 1}),
    CaseName());

TEST_F(BackupSettings, DeleteRemovesTheSelectedEntryOnly) {
    mdlMain().BackupSettings.BackupPath = {L"A", L"B", L"C"};
    SetBkInfoForm& dialog = open();
    tk::user::click(dialog.cmdDelPath);
    EXPECT_EQ(dialog.lstBackupPath.ListCount(), 3) << "nothing selected, nothing removed";
    addFromPicker(dialog, L"D");
    tk::user::click(dialog.cmdDelPath);
    EXPECT_EQ(entries(dialog.lstBackupPath), (std::vector<std::wstring>{L"A", L"B", L"D"}))
        << "the search left the third entry selected";
    EXPECT_EQ(dialog.lstBackupPath.ListIndex(), -1);
}

const std::wstring kNoFolder = texts::kNoBackupFolder + std::wstring(L" / 48");
const std::wstring kNoLog = L"ﾛｸﾞﾌｧｲﾙが設定されていません。 / 48";
const std::wstring kBadGuide = L"説明に \" (ﾀﾞﾌﾞﾙｸｫｰﾃｰｼｮﾝ) や制御文字は使用できません。 / 48";
const std::wstring kBadLog = L"ﾛｸﾞﾌｧｲﾙに \" (ﾀﾞﾌﾞﾙｸｫｰﾃｰｼｮﾝ) や制御文字は使用できません。 / 48";
const std::wstring kFolderLog = L"ﾛｸﾞﾌｧｲﾙにﾌｧｲﾙ名が指定されていません。 / 48";
const std::wstring kNoDestination = L"保存先が設定されていません。 / 48";
const std::wstring kRelativeDestination =
    L"保存先には、ﾄﾞﾗｲﾌﾞ名 (C:\\ など) または \\\\ｻｰﾊﾞｰ名\\共有名 から始まるﾌｫﾙﾀﾞを指定してください。 / 48";
const std::wstring kKeepNotANumber = L"保存する完全ﾊﾞｯｸｱｯﾌﾟの数には 0 から 99 までの数を指定してください。 / 48";
const std::wstring kRelativeLog =
    L"ﾛｸﾞﾌｧｲﾙには、ﾄﾞﾗｲﾌﾞ名 (C:\\ など) または \\\\ｻｰﾊﾞｰ名\\共有名 から始まるﾌｧｲﾙ名を指定してください。 / 48";
const std::wstring kDestinationInFolder = L"保存先がﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽの中にあります。\r\n\r\nﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽ：C:\\DATA / 48";

struct OkCase {
    const char* name;
    bool folder;
    std::wstring guide, log, message;  // no message: stored
    // Where robocopy carries the backup (no ntbackup): what the user types as the destination.
    std::optional<std::wstring> destination = {};
    std::wstring keep = L"0";  // the full sets the copy keeps, as typed
    friend std::ostream& operator<<(std::ostream& os, const OkCase& c) { return os << c.name; }
};
using BackupSettingsOk = Table<BackupSettings, OkCase>;

TEST_P(BackupSettingsOk, RefusesWhatCannotBeStored) {
    const OkCase& c = GetParam();
    mdlMain().BackupSettings.BackupPath =
        c.folder ? std::vector<std::wstring>{L"C:\\DATA"} : std::vector<std::wstring>{};
    programs.ntbackup = !c.destination;
    SetBkInfoForm& dialog = open();
    // The destination row is there only for the copy, and without a tape drive nothing compresses.
    EXPECT_EQ(dialog.fraDestination.Visible(), c.destination.has_value());
    EXPECT_EQ(dialog.chkCompression.Enabled(), !c.destination);
    EXPECT_EQ(dialog.ScaleHeight(), c.destination ? 6210 : 5130);
    if (c.destination) {
        tk::user::type(dialog.txtDestination, *c.destination);
        tk::user::type(dialog.txtKeepFullSets, c.keep);
    }
    tk::user::type(dialog.txtGuide, c.guide);
    tk::user::type(dialog.txtLogFileName, c.log);
    tk::user::click(dialog.cmdOk);
    const bool stored = c.message.empty();
    EXPECT_EQ(messageTexts(), stored ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.message})
        << c.log;
    EXPECT_EQ(mdlMain().BackupInfoSet, stored ? kTrue : kFalse) << c.log;
    EXPECT_EQ(frmSetBkInfo.instance() == nullptr, stored);
    EXPECT_EQ(frmMenu->Visible(), stored);
    if (stored) {
        EXPECT_EQ(mdlMain().BackupSettings.Guide, c.guide);
        EXPECT_EQ(mdlMain().BackupSettings.LogFileName, c.log);
        EXPECT_EQ(mdlMain().BackupSettings.Destination, c.destination.value_or(L""));
        EXPECT_EQ(mdlMain().BackupSettings.KeepFullSets, c.keep == L"２" ? 2 : 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    , BackupSettingsOk,
    ::testing::Values(OkCase{"NoFolderNoLog", false, L"", L"", kNoFolder},
                      OkCase{"NoFolder", false, L"", L"C:\\x.log", kNoFolder},
                      OkCase{"NoLog", true, L"", L"", kNoLog},
                      // The job runs as SYSTEM in the system folder: a log must be a whole path.
                      OkCase{"BlankLog", true, L"", L"   ", kRelativeLog},
                      OkCase{"RelativeLog", true, L"", L"backup.log", kRelativeLog},
                      OkCase{"LogIsAShareWithoutFile", true, L"", L"\\\\srv\\logs", kRelativeLog},
                      OkCase{"LogInAFolderThatIsNotThere", true, L"", L"C:\\NOSUCHDIR\\backup.log",
                             L"ﾛｸﾞﾌｧｲﾙのﾌｫﾙﾀﾞがありません。\r\n\r\nﾌｫﾙﾀﾞ：C:\\NOSUCHDIR / 48"},
                      OkCase{"LogIsAnExistingFolder", true, L"", L"C:\\windows",
                             L"ﾛｸﾞﾌｧｲﾙにﾌｫﾙﾀﾞが指定されています。\r\n\r\nﾛｸﾞﾌｧｲﾙ：C:\\windows / 48"},
                      OkCase{"LogInsideTheFolder", true, L"", L"c:\\data\\backup.log",
                             L"ﾛｸﾞﾌｧｲﾙがﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽの中にあります。\r\n\r\nﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽ：C:\\DATA / 48"},
                      OkCase{"LogInsideTheDestination", true, L"", L"E:\\BK\\x.log",
                             L"ﾛｸﾞﾌｧｲﾙが保存先の中にあります。\r\n\r\n保存先：E:\\BK / 48", L"E:\\BK"},
                      // What the apply action would refuse of the command file, OK refuses.
                      OkCase{"HangulInGuide", true, L"한글", L"C:\\x.log",
                             L"ｼｽﾃﾑのｺｰﾄﾞﾍﾟｰｼﾞで表せない文字が含まれています。\r\n\r\n文字　：한 (U+D55C)\r\n"
                             L"設定値：한글 / 16"},
                      // The copy's command file holds none of it: its job file is UTF-16.
                      OkCase{"HangulAndYenOnTheCopy", true, L"한글", L"C:\\x.log", L"", L"E:\\a¥b"},
                      OkCase{"TapeLineOver256", true, std::wstring(250, L'x'), L"C:\\x.log",
                             L"ntbackup のｺﾏﾝﾄﾞ行が長すぎます。\r\n\r\n文字数：315 (上限 256)\r\n\r\n"
                             L"ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽを減らすか、より上位のﾌｫﾙﾀﾞを指定してください。 / 48"},
                      OkCase{"CopyHasNoTapeLimit", true, std::wstring(250, L'x'), L"C:\\x.log", L"",
                             L"E:\\BK"},
                      OkCase{"JapaneseGuide", true, L"  週次 バックアップ ", L"C:\\x.log", L""},
                      OkCase{"QuoteInGuide", true, L"say \"hi\" & del", L"C:\\x.log", kBadGuide},
                      OkCase{"TabInGuide", true, L"two\tparts", L"C:\\x.log", kBadGuide},
                      OkCase{"QuoteInLog", true, L"", L"C:\\\"x.log", kBadLog},
                      OkCase{"LogIsAFolder", true, L"", L"C:\\LOGS\\", kFolderLog},
                      OkCase{"LogIsAFolderWithSlash", true, L"", L"C:\\LOGS/", kFolderLog},
                      OkCase{"LogIsAFolderAndABlank", true, L"", L"C:\\LOGS\\ ", kFolderLog},
                      OkCase{"LogWithBlanks", true, L"", L" C:\\LOGS\\x.log  ", L""},
                      // The apply action refuses what the dialog refuses, and nothing else.
                      OkCase{"DeleteCharacterInGuide", true, L"a\x7F", L"C:\\x.log", kBadGuide},
                      OkCase{"NoDestination", true, L"", L"C:\\x.log", kNoDestination, L"  "},
                      OkCase{"RelativeDestination", true, L"", L"C:\\x.log", kRelativeDestination, L"BACKUP"},
                      OkCase{"DestinationOnADriveWithoutRoot", true, L"", L"C:\\x.log", kRelativeDestination,
                             L"D:BACKUP"},
                      OkCase{"DestinationThroughDotDot", true, L"", L"C:\\x.log", kRelativeDestination,
                             L"D:\\X\\..\\DATA"},
                      OkCase{"DestinationInsideTheFolder", true, L"", L"C:\\x.log", kDestinationInFolder,
                             L"c:\\data\\copy"},
                      OkCase{"DestinationIsTheFolder", true, L"", L"C:\\x.log", kDestinationInFolder, L"C:\\DATA\\"},
                      OkCase{"DestinationBesideTheFolder", true, L"", L"C:\\x.log", L"", L"C:\\DATA2"},
                      OkCase{"DestinationOnAShare", true, L"", L"C:\\x.log", L"", L"\\\\srv\\backup"},
                      OkCase{"TwoFullSetsKeptAsTheInputMethodTypesIt", true, L"", L"C:\\x.log", L"", L"E:\\BK", L"２"},
                      OkCase{"KeptSetsNotANumber", true, L"", L"C:\\x.log", kKeepNotANumber, L"E:\\BK", L"x"},
                      OkCase{"KeptSetsTooMany", true, L"", L"C:\\x.log", kKeepNotANumber, L"E:\\BK", L"100"}),
    CaseName());

TEST_F(BackupSettings, OkStoresTheWholeRecordAndReopeningShowsIt) {
    mdlMain().BackupSettings.BackupPath = {L"A", L"B", L"C", L"D", L"E"};
    mdlMain().ScheduleSet = kTrue;
    SetBkInfoForm& dialog = open();
    for (int index : {0, 1, 2}) {  // removes A, C and E
        tk::user::select(dialog.lstBackupPath, index);
        tk::user::click(dialog.cmdDelPath);
    }
    tk::user::click(dialog.optWriteMode2);
    tk::user::click(dialog.chkVerify);
    tk::user::click(dialog.chkCompression);
    tk::user::select(dialog.cboBackupMode, 2);
    tk::user::click(dialog.optLogFileMode2);
    tk::testing::chooseFile(L"C:\\windows\\win.ini");
    tk::user::click(dialog.cmdSelectLogFile);
    tk::user::click(dialog.cmdOk);

    const BackupRecord& b = mdlMain().BackupSettings;
    EXPECT_EQ(b.BackupPath, (std::vector<std::wstring>{L"B", L"D"}));
    EXPECT_EQ(std::vector<int>({b.WriteMode, b.Verify, b.RegBackup, b.Restriction, b.Compression,
                                b.BackupMode, b.LogFileMode}),
              std::vector<int>({1, 1, 0, 0, 1, 2, 1}));
    EXPECT_EQ(b.LogFileName, L"C:\\windows\\win.ini");
    EXPECT_EQ(mdlMain().BackupInfoSet, kTrue);
    EXPECT_TRUE(frmMenu->Visible());
    EXPECT_TRUE(frmMenu->cmdSetSystem.Enabled()) << "the menu is activated again and sees both flags";

    SetBkInfoForm& again = open();
    EXPECT_TRUE(again.optWriteMode2.Value());
    EXPECT_EQ(again.chkVerify.Value(), 1);
    EXPECT_EQ(again.cboBackupMode.Text(), L"incremental");
    EXPECT_EQ(entries(again.lstBackupPath), (std::vector<std::wstring>{L"B", L"D"}));
}

struct ClosingCase {
    const char* name;
    bool closeBox;
    friend std::ostream& operator<<(std::ostream& os, const ClosingCase& c) { return os << c.name; }
};
using BackupSettingsClosing = Table<BackupSettings, ClosingCase>;

TEST_P(BackupSettingsClosing, StoresNothingAndShowsTheMenu) {
    const bool closeBox = GetParam().closeBox;
    mdlMain().BackupSettings.BackupPath = {L"C:\\DATA"};
    const BackupRecord before = mdlMain().BackupSettings;
    SetBkInfoForm& dialog = open();
    tk::user::click(dialog.chkRegBackup);
    tk::user::type(dialog.txtGuide, L"changed");
    tk::user::select(dialog.lstBackupPath, 0);
    tk::user::click(dialog.cmdDelPath);
    if (closeBox)
        tk::user::closeBox(dialog);
    else
        tk::user::click(dialog.cmdCancel);

    const BackupRecord& after = mdlMain().BackupSettings;
    EXPECT_EQ(after.BackupPath, before.BackupPath);
    EXPECT_EQ(after.RegBackup, before.RegBackup);
    EXPECT_EQ(after.Guide, before.Guide);
    EXPECT_EQ(mdlMain().BackupInfoSet, kFalse);
    EXPECT_EQ(frmSetBkInfo.instance(), nullptr);
    EXPECT_TRUE(frmMenu->Visible());
    EXPECT_FALSE(frmMenu->cmdSetSystem.Enabled());
}

INSTANTIATE_TEST_SUITE_P(, BackupSettingsClosing,
                         ::testing::Values(ClosingCase{"Cancel", false}, ClosingCase{"CloseBox", true}),
                         CaseName());

TEST_F(BackupSettings, TypeBoxTakesNoTypingButTheArrowKeysMoveIt) {
    SetBkInfoForm& dialog = open();
    tk::user::select(dialog.cboBackupMode, 1);
    for (int key : {int{L'a'}, int{L'Z'}, tk::key::Back, int{L' '}})
        tk::user::pressKey(dialog.cboBackupMode, key);
    EXPECT_EQ(dialog.cboBackupMode.ListIndex(), 1);
    EXPECT_EQ(dialog.cboBackupMode.Text(), L"copy");
    tk::user::pressKey(dialog.cboBackupMode, tk::key::Down);
    EXPECT_EQ(dialog.cboBackupMode.Text(), L"incremental");
    tk::user::pressKey(dialog.cboBackupMode, tk::key::Up);
    tk::user::pressKey(dialog.cboBackupMode, tk::key::Up);
    EXPECT_EQ(dialog.cboBackupMode.ListIndex(), 0);
}

struct ChooserCase {
    const char* name;
    tk::testing::DialogAnswer::Kind answer;
    std::wstring text;
    bool ended;
    friend std::ostream& operator<<(std::ostream& os, const ChooserCase& c) { return os << c.name; }
};
using BackupSettingsLogFileChooser = Table<BackupSettings, ChooserCase>;

TEST_P(BackupSettingsLogFileChooser, TakesTheChoiceOrKeepsTheName) {
    const ChooserCase& c = GetParam();
    SetBkInfoForm& dialog = open();
    tk::testing::answerNextDialog(tk::testing::dialogAnswer(c.answer, L"C:\\windows\\win.ini"));
    tk::user::click(dialog.cmdSelectLogFile);

    EXPECT_EQ(dialog.txtLogFileName.Text(), c.text);
    EXPECT_EQ(tk::programEnded(), c.ended);
    EXPECT_EQ(
        messageTexts(),
        c.ended ? std::vector<std::wstring>{L"[ﾌｧｲﾙを開く] ﾀﾞｲｱﾛｸﾞ ﾎﾞｯｸｽで予期しないｴﾗｰが発生しました。 / 16"}
                : std::vector<std::wstring>{});
    ASSERT_EQ(tk::testing::shownDialogs().size(), 1u);
    const auto& shown = tk::testing::shownDialogs()[0];
    EXPECT_EQ(shown.kind + L"|" + shown.title + L"|" + shown.fileName + L"|" + shown.filter,
              L"open||*.log|ﾛｸﾞﾌｧｲﾙ (*.log)|*.log|すべてのﾌｧｲﾙ (*.*)|*.*");
    EXPECT_EQ(shown.flags, 0x2000);
}

INSTANTIATE_TEST_SUITE_P(, BackupSettingsLogFileChooser,
                         ::testing::Values(ChooserCase{"Chosen", tk::testing::DialogAnswer::Choose,
                                                       L"C:\\windows\\win.ini", false},
                                           ChooserCase{"Cancelled", tk::testing::DialogAnswer::Cancel,
                                                       L"C:\\WINNT\\tpbackup.log", false},
                                           ChooserCase{"Failed", tk::testing::DialogAnswer::Fail,
                                                       L"C:\\WINNT\\tpbackup.log", true}),
                         CaseName());

}  // namespace
}  // namespace lorvane::test
