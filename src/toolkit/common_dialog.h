// The standard open-file and font dialogs. Each Show returns 0 when the user
// chose, cdl::Cancel when the user cancelled with CancelError on, and another
// error number when the dialog itself failed.
#pragma once

#include <string>

namespace tk {

class Form;

namespace cdl {
constexpr int Cancel = 32755;
constexpr int Failure = 32751;
// Open-file flags.
constexpr long ReadOnly = 0x1;
constexpr long FileMustExist = 0x1000;
constexpr long CreatePrompt = 0x2000;
// Font flags.
constexpr long ScreenFonts = 0x1;
}  // namespace cdl

class CommonDialog {
public:
    explicit CommonDialog(Form& owner) : owner_(owner) {}

    bool CancelError = false;
    std::wstring DialogTitle;  // empty: the dialog's own title
    long Flags = 0;

    // Open-file dialog. Filter is "description|pattern|description|pattern".
    std::wstring FileName;
    std::wstring Filter;
    std::wstring InitDir;
    int ShowOpen();

    // Font dialog. The choice stays for the next showing of this dialog.
    std::wstring FontName;
    float FontSize = 0;
    bool FontBold = false;
    bool FontItalic = false;
    int ShowFont();

    Form& owner() const { return owner_; }

private:
    Form& owner_;
};

}  // namespace tk
