#include "logview/show_log_form.h"

#include <algorithm>

#include "core/host.h"
#include "placement/placement.h"
#include "toolkit/app.h"
#include "toolkit/dialog_failure.h"

namespace lorvane {

ShowLogForm::ShowLogForm() {
    Caption(L"Lorvane - ﾛｸﾞﾌｧｲﾙの確認");
    borderStyle = tk::BorderStyle::Sizable;
    clientSize(9480, 6420);

    tk::Font design;
    design.Name = L"ＭＳ Ｐゴシック";
    design.Size = 9;
    design.Charset = tk::charset::ShiftJis;
    rtfShowLog.Font(design);
    rtfShowLog.Move(60, 60, 9360, 6300);
    rtfShowLog.TabIndex(0);

    mnuOpenFile.Click = [this] { mnuOpenFile_Click(); };
    mnuCloseFile.Click = [this] { mnuCloseFile_Click(); };
    mnuReload.Click = [this] { mnuReload_Click(); };
    mnuExit.Click = [this] { mnuExit_Click(); };
    mnuSerach.Click = [this] { mnuSerach_Click(); };
    mnuSerachNext.Click = [this] { mnuSerachNext_Click(); };
    mnuSerachBack.Click = [this] { mnuSerachBack_Click(); };
    mnuFont.Click = [this] { mnuFont_Click(); };
    dlgFind.FindNext = [this] { dlgFind_FindNext(); };
    // Nothing to read again until a file is shown, nothing to find again until a text was sought.
    mnuReload.Enabled(false);
    mnuSerachNext.Enabled(false);
    mnuSerachBack.Enabled(false);
    mnuSerachBack.Visible(false);
}

ShowLogForm::LogFileChoice ShowLogForm::SelectLogFile(std::wstring& path) {
    dlgShowLog.CancelError = true;
    dlgShowLog.DialogTitle = L"";
    dlgShowLog.FileName = L"*.log";
    dlgShowLog.Filter = L"ﾛｸﾞﾌｧｲﾙ (*.log)|*.log|すべてのﾌｧｲﾙ (*.*)|*.*";
    dlgShowLog.Flags = tk::cdl::FileMustExist | tk::cdl::ReadOnly;
    if (tk::endOnDialogFailure(dlgShowLog.ShowOpen(), L"ﾌｧｲﾙを開く") == tk::cdl::Cancel) {
        if (FirstOpen == FirstOpenState::ToChoose) FirstOpen = FirstOpenState::Cancelled;
        return LogFileChoice::Cancelled;
    }
    path = dlgShowLog.FileName;
    return LogFileChoice::Chosen;
}

void ShowLogForm::Form_Load() {
    subMoveForm(*this, placement::Centre);
    FirstOpen = FirstOpenState::ToChoose;
}

// The file is asked for the first time the window becomes active, and only then.
void ShowLogForm::Form_Activate() {
    if (FirstOpen != FirstOpenState::ToChoose) return;
    std::wstring path;
    if (SelectLogFile(path) == LogFileChoice::Cancelled) {
        Unload();
        return;
    }
    if (!ShowLogFile(path)) {
        // As if the choice had been cancelled: the window does not stay open empty.
        FirstOpen = FirstOpenState::Cancelled;
        Unload();
    }
}

// An empty view would look like an empty log, so a file that cannot be read is
// said so, with the system's reason; the view keeps what it showed. A file
// shown can be read again.
bool ShowLogForm::ShowLogFile(const std::wstring& path) {
    if (!rtfShowLog.FileName(path)) {
        TellUnreadable(path);
        return false;
    }
    FirstOpen = FirstOpenState::FileShown;
    mnuReload.Enabled(true);
    return true;
}

// The view keeps its place and takes the rest of the client area; never a
// negative size. Its margins right and below are those that the outer size less
// 255 × 780 twips left inside NT 4.0's thin frame (4 px borders, 19 px caption
// and menu bar at 96 dpi: 120 × 690 twips). Measured from the outer size,
// today's thicker frames would push its bottom scroll bar out of the window.
void ShowLogForm::Form_Resize() {
    constexpr float kRightMargin = 75, kBottomMargin = 30;
    const float left = rtfShowLog.Left(), top = rtfShowLog.Top();
    rtfShowLog.Move(left, top, std::max(0.0f, ScaleWidth() - left - kRightMargin),
                    std::max(0.0f, ScaleHeight() - top - kBottomMargin));
}

void ShowLogForm::mnuOpenFile_Click() {
    std::wstring path;
    if (SelectLogFile(path) == LogFileChoice::Cancelled) return;
    ShowLogFile(path);
}

void ShowLogForm::mnuCloseFile_Click() {
    rtfShowLog.FileName(L"");
    rtfShowLog.Refresh();
    mnuReload.Enabled(false);
}

void ShowLogForm::TellUnreadable(const std::wstring& path) {
    MsgBox(L"ﾌｧｲﾙを読み込めませんでした。\r\n\r\n" + path + L"\r\n\r\n" + rtfShowLog.LoadError(),
           mb::Critical);
}

// A backup may still be writing the log: what it added is shown. A log that
// can no longer be read is said so, and the view keeps what it showed.
void ShowLogForm::mnuReload_Click() {
    if (!rtfShowLog.Reload()) TellUnreadable(rtfShowLog.FileName());
}

// The dialog offers the selection when it is on one line and fits in its text
// box, else the last text sought.
void ShowLogForm::mnuSerach_Click() {
    constexpr std::size_t kLongest = 255;
    const std::wstring selected = rtfShowLog.SelText(kLongest + 1);
    if (!selected.empty() && selected.size() <= kLongest &&
        selected.find_first_of(L"\r\n") == std::wstring::npos)
        dlgFind.FindWhat = selected;
    dlgFind.Show();
}

void ShowLogForm::mnuSerachNext_Click() {
    SearchLog(dlgFind.Down);
}

void ShowLogForm::mnuSerachBack_Click() {
    SearchLog(!dlgFind.Down);
}

void ShowLogForm::dlgFind_FindNext() {
    mnuSerachNext.Enabled(!dlgFind.FindWhat.empty());
    mnuSerachBack.Enabled(!dlgFind.FindWhat.empty());
    SearchLog(dlgFind.Down);
}

// The search wraps nowhere: past the last match the user is told, and the
// selection stays where it was. A search stopped with Esc says nothing.
void ShowLogForm::SearchLog(bool down) {
    if (dlgFind.FindWhat.empty()) return;
    if (rtfShowLog.Find(dlgFind.FindWhat, dlgFind.MatchCase, down) == tk::SearchOutcome::NotFound)
        MsgBox(L"「" + dlgFind.FindWhat + L"」が見つかりません。", mb::Exclamation);
}

void ShowLogForm::mnuExit_Click() {
    Unload();
}

// The font starts from the dialog's own last choice, not from the view's font;
// name, bold, italic and size are set in that order, underline never.
void ShowLogForm::mnuFont_Click() {
    dlgShowLog.CancelError = true;
    dlgShowLog.DialogTitle = L"";
    dlgShowLog.Flags = tk::cdl::ScreenFonts;
    if (tk::endOnDialogFailure(dlgShowLog.ShowFont(), L"ﾌｫﾝﾄの指定") == tk::cdl::Cancel) return;
    rtfShowLog.FontName(dlgShowLog.FontName);
    rtfShowLog.FontBold(dlgShowLog.FontBold);
    rtfShowLog.FontItalic(dlgShowLog.FontItalic);
    rtfShowLog.FontSize(dlgShowLog.FontSize);
}

}  // namespace lorvane
