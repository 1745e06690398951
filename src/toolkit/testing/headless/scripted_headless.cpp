// The in-memory windows have no message loop and no real dialogs: the
// scripted user's answer is the result, and a modal window's action runs at once.
#include <stdexcept>

#include "toolkit/testing/scripted.h"

namespace tk::testing::detail {

int answerMessageBox(Backend&, const std::wstring&, int, const std::wstring&, int answer) { return answer; }

int answerOpenDialog(Backend&, CommonDialog& dialog, const DialogAnswer& answer) {
    if (answer.kind != DialogAnswer::Choose) return dialog.CancelError ? cdl::Cancel : 0;
    dialog.FileName = answer.path;
    return 0;
}

int answerFontDialog(Backend&, CommonDialog& dialog, const DialogAnswer& answer) {
    if (answer.kind != DialogAnswer::Choose) return dialog.CancelError ? cdl::Cancel : 0;
    dialog.FontName = answer.fontName;
    dialog.FontSize = answer.fontSize;
    dialog.FontBold = answer.fontBold;
    dialog.FontItalic = answer.fontItalic;
    return 0;
}

void runModal(Backend&, Form& form, std::function<void(Form&)> action) {
    action(form);
    if (form.loaded() && form.Visible()) throw std::logic_error("the modal window was left open");
}

}  // namespace tk::testing::detail
