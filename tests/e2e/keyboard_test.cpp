// The windows with the keyboard only, as a user who cannot or will not use the
// mouse meets them: real Tab, arrow and Enter presses, and the names that
// screen readers give the boxes.
#include <gtest/gtest.h>

#include <algorithm>

#include "journey.h"
#include "keyboard.h"
#include "texts.h"

namespace e2e {
namespace {

using Names = std::vector<std::wstring>;

// Presses the key and returns where the focus went, once the program has
// handled the key (a combo box hands the focus on to its edit field).
Window pressAndFollow(const Program& app, const Window& window, UINT key, bool shift = false) {
    const Window from = focusedControl(window);
    pressKey(key, shift);
    waitForFocusToMove(window, from);
    app.settle(window);
    return focusedControl(window);
}

// Presses Tab once for each expected stop, from the control that has the focus,
// and names the controls the focus passes; the last press comes back to the start.
Names walkTabCycle(const Program& app, const Window& window, size_t stops) {
    bringToFront(window);
    Names seen{describeForKeyboard(window, focusedControl(window))};
    for (size_t i = 0; i < stops; ++i) seen.push_back(describeForKeyboard(window, pressAndFollow(app, window, VK_TAB)));
    return seen;
}

// Presses Tab until the focus is on the control so named.
void tabTo(const Program& app, const Window& window, const std::wstring& name) {
    for (int i = 0; i < 30 && describeForKeyboard(window, focusedControl(window)) != name; ++i)
        pressAndFollow(app, window, VK_TAB);
    ASSERT_EQ(describeForKeyboard(window, focusedControl(window)), name);
}

// The full cycle, starting where the window put the focus when it opened.
Names cycle(Names stops) {
    stops.push_back(stops.front());
    return stops;
}

// Every edit box, combo box and list box in window order, with the label before it.
Names boxesWithTheirLabels(const Window& window) {
    Names boxes;
    for (const Window& control : window.children()) {
        const std::wstring cls = control.className();
        if (control.parent().className() == L"ComboBox") continue;  // a combo box's own edit field
        if (!control.visible()) continue;                             // nothing a reader or a user meets
        if (cls == L"Edit" || cls == L"ComboBox" || cls == L"ListBox") boxes.push_back(cls + L": " + labelBefore(control));
    }
    return boxes;
}

// Option buttons by caption: the backup dialog has a push button of the same caption.
void expectChosen(const Window& window, const std::wstring& chosen, const Names& group) {
    for (const Window& button : window.children(L"Button")) {
        const std::wstring name = describeForKeyboard(window, button);
        for (const std::wstring& option : group) {
            if (name == L"option " + option) {
                EXPECT_EQ(button.checked(), option == chosen) << utf8(option);
            }
        }
    }
}

TEST(Keyboard, TabWalksTheBackupSettingsDialogAndEnterComesBackToTheButton) {
    const BackupProgram ntbackup;  // the dialog of the tape backup, without the copy's destination
    Program app;
    const Window menu = waitForMenu(app);
    const Window dialog = openFromMenu(app, menu, kBackupSettingsButton, kBackupSettings);
    app.settle(dialog);

    EXPECT_EQ(walkTabCycle(app, dialog, 15),
              cycle({L"list 1", L"button 追加", L"button 削除", L"option 追加",
                     L"check ﾊﾞｯｸｱｯﾌﾟ後に検査を行う", L"check ﾛｰｶﾙﾚｼﾞｽﾄﾘﾌｧｲﾙのﾊﾞｯｸｱｯﾌﾟ",
                     L"check 所有者または管理者以外のｱｸｾｽを制限する", L"check ﾊｰﾄﾞｳｪｱによる圧縮を行う",
                     L"edit 説明", L"combo ﾊﾞｯｸｱｯﾌﾟの種類", L"edit ﾛｸﾞﾌｧｲﾙ", L"button ...",
                     L"option すべての情報", L"button OK", L"button ｷｬﾝｾﾙ"}));
    EXPECT_EQ(boxesWithTheirLabels(dialog),
              (Names{L"ListBox: ", L"Edit: 説明", L"ComboBox: ﾊﾞｯｸｱｯﾌﾟの種類", L"Edit: ﾛｸﾞﾌｧｲﾙ"}));

    // Down chooses the next write mode; Tab leaves the group from the chosen button.
    const Names writeModes{L"追加", L"上書き"};
    tabTo(app, dialog, L"option 追加");
    EXPECT_EQ(describeForKeyboard(dialog, pressAndFollow(app, dialog, VK_DOWN)), L"option 上書き");
    expectChosen(dialog, L"上書き", writeModes);
    EXPECT_EQ(describeForKeyboard(dialog, pressAndFollow(app, dialog, VK_DOWN)), L"option 追加") << "wraps";
    expectChosen(dialog, L"追加", writeModes);
    EXPECT_EQ(describeForKeyboard(dialog, pressAndFollow(app, dialog, VK_TAB, true)), L"button 削除");
    EXPECT_EQ(describeForKeyboard(dialog, pressAndFollow(app, dialog, VK_TAB)), L"option 追加");

    // Enter on OK with no folder: the refusal, and the focus is back on OK.
    tabTo(app, dialog, L"button OK");
    pressKey(VK_RETURN);
    answerMessage(app, lorvane::texts::kNoBackupFolder, {IDOK}, IDOK);
    waitUntil("the focus back on OK", kStepTimeout,
              [&] { return focusedControl(dialog) == dialog.child(L"Button", L"OK"); },
              [&] { return focusedControl(dialog).describe(); });
}

TEST(Keyboard, ArrowsChooseTheRunUnitAndTabWalksTheScheduleDialog) {
    Program app;
    Window menu = waitForMenu(app);
    bringToFront(menu);
    EXPECT_EQ(describeForKeyboard(menu, focusedControl(menu)), L"button バックアップ情報の設定");
    pressKey(VK_TAB);
    waitUntil("the focus on the schedule button", kStepTimeout,
              [&] { return focusedControl(menu) == menu.child(L"Button", kScheduleButton); });
    pressKey(VK_RETURN);
    const Window dialog = app.waitForWindow(kSchedule, kStepTimeout);
    app.settle(dialog);
    const ScheduleControls controls = scheduleControls(dialog);
    const Names units{L"今日", L"明日", L"毎回", L"次回"};

    EXPECT_EQ(walkTabCycle(app, dialog, 5),
              cycle({L"option 今日", L"edit 時", L"edit 分", L"button OK", L"button ｷｬﾝｾﾙ"}))
        << "the date area is off for today";
    EXPECT_EQ(boxesWithTheirLabels(dialog), (Names{L"ListBox: ", L"ListBox: ", L"Edit: 時", L"Edit: 分"}));

    for (const wchar_t* next : {L"明日", L"毎回"}) {
        EXPECT_EQ(describeForKeyboard(dialog, pressAndFollow(app, dialog, VK_DOWN)), std::wstring(L"option ") + next);
        expectChosen(dialog, next, units);
    }
    waitUntil("the days of the month to be enabled by the arrow", kStepTimeout,
              [&] { return controls.dates.enabled(); });
    EXPECT_EQ(walkTabCycle(app, dialog, 7), cycle({L"option 毎回", L"option 日付指定", L"list 1", L"edit 時",
                                              L"edit 分", L"button OK", L"button ｷｬﾝｾﾙ"}));
    pressAndFollow(app, dialog, VK_UP);
    pressAndFollow(app, dialog, VK_UP);
    EXPECT_EQ(describeForKeyboard(dialog, pressAndFollow(app, dialog, VK_UP)), L"option 次回") << "wraps";
    expectChosen(dialog, L"次回", units);

    // Cancel by keyboard: the menu comes back with the focus on the button that opened the dialog.
    tabTo(app, dialog, L"button ｷｬﾝｾﾙ");
    pressKey(VK_RETURN);
    menu = app.waitForWindow(kMenu, kStepTimeout);
    waitUntil("the focus back on the schedule button", kStepTimeout,
              [&] { return focusedControl(menu) == menu.child(L"Button", kScheduleButton); },
              [&] { return focusedControl(menu).describe(); });
}

TEST(Keyboard, TabWalksTheFolderPicker) {
    Program app;
    const Window menu = waitForMenu(app);
    const Window dialog = openFromMenu(app, menu, kBackupSettingsButton, kBackupSettings);
    dialog.child(L"Button", L"追加").click();
    const Window picker = app.waitForWindow(kFolderPicker, kStepTimeout);
    app.settle(picker);

    EXPECT_EQ(walkTabCycle(app, picker, 5),
              cycle({L"list 1", L"button 追加", L"button ｷｬﾝｾﾙ", L"combo 1", L"edit ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽ"}));
    EXPECT_EQ(boxesWithTheirLabels(picker), (Names{L"ListBox: ", L"ComboBox: ", L"Edit: ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽ"}));
    picker.child(L"Button", L"ｷｬﾝｾﾙ").click();
    app.waitUntilGone(picker, "the folder picker", kStepTimeout);
}

// Puts the text on the clipboard, for a paste to find.
void putOnClipboard(const std::wstring& text) {
    if (!OpenClipboard(nullptr)) throw DriverError("cannot open the clipboard");
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    if (memory) {
        std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

// What the keys leave in the boxes is what the files hold: no key that edits a
// text takes the chosen backup type away, and the hour typed with the input
// method on reaches the scheduler as the number.
TEST(Keyboard, TheWrittenFilesHoldWhatTheKeysLeftInTheBoxes) {
    const Restore data{L"C:\\DATA"};
    CreateDirectoryW(L"C:\\DATA", nullptr);
    const GeneratedFiles files;
    const BackupProgram ntbackup;  // the program looks for it before it asks
    const AtRecorder at;
    Program app;
    Window menu = chooseTypicalSettings(app);

    const Window backup = openFromMenu(app, menu, kBackupSettingsButton, kBackupSettings);
    const Window typeField = backup.children(L"ComboBox").at(0).children(L"Edit").at(0);
    putOnClipboard(L"x");
    typeField.clickAt(2, 2);
    bringToFront(backup);
    waitUntil("the focus in the type box", kStepTimeout, [&] { return focusedControl(backup) == typeField; });
    pressKey(VK_END);
    pressKey(VK_BACK);
    pressKey(VK_HOME);
    pressKey(VK_DELETE);
    pressKey(VK_INSERT, true);  // Shift+Insert pastes
    pressKey(VK_END, true);
    pressKey(VK_DELETE, true);  // Shift+Delete cuts
    for (UINT key : {'X', 'V', 'Z'}) pressChord(backup, {VK_CONTROL, key});
    app.settle(backup);
    EXPECT_EQ(typeField.contents(), L"incremental");
    menu = closeToMenu(app, backup, L"OK");

    const Window dialog = openFromMenu(app, menu, kScheduleButton, kSchedule);
    const ScheduleControls controls = scheduleControls(dialog);
    dialog.child(L"Button", L"毎回").click();
    dialog.child(L"Button", L"曜日指定").click();
    waitUntil("the weekday list to be enabled", kStepTimeout, [&] { return controls.weekdays.enabled(); });
    controls.weekdays.clickRow(controls.weekdays.row(L"月"));
    controls.hour.clickAt(2, 2);
    bringToFront(dialog);
    waitUntil("the focus in the hour box", kStepTimeout, [&] { return focusedControl(dialog) == controls.hour; });
    pressKey(VK_END);
    pressKey(VK_BACK);
    typeText(L"０６");
    waitUntil("the hour box to show ０６", kStepTimeout, [&] { return controls.hour.contents() == L"０６"; },
              [&] { return utf8(controls.hour.contents()); });
    pressKey(VK_UP);  // the arrow keys step from the full-width number too
    waitUntil("the hour box to show 7", kStepTimeout, [&] { return controls.hour.contents() == L"7"; },
              [&] { return utf8(controls.hour.contents()); });
    pressKey(VK_END);
    pressKey(VK_BACK);
    typeText(L"０７");
    waitUntil("the hour box to show ０７", kStepTimeout, [&] { return controls.hour.contents() == L"０７"; },
              [&] { return utf8(controls.hour.contents()); });
    controls.minute.type(L"　３０");
    menu = closeToMenu(app, dialog, L"OK");

    menu.child(L"Button", kApplyButton).click();
    answerMessage(app, kApplyQuestion, {IDYES, IDNO}, IDYES);
    answerMessage(app, kApplyDone, {IDOK}, IDOK);
    EXPECT_EQ(readFile(files.batchFile), "at 07:30 /every:M tpbackup\r\n");
    EXPECT_NE(readFile(files.commandFile).value_or("").find(" /t {incremental} "), std::string::npos)
        << readFile(files.commandFile).value_or("(none)");
}

}  // namespace
}  // namespace e2e
