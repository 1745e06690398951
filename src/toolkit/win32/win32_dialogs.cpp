// The standard open-file and font dialogs. In a test the real dialog opens and
// a hook answers it as the test scripted, so that its flags are the real ones.
#include <windows.h>
// after windows.h
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "toolkit/common_dialog.h"
#include "toolkit/testing.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::win32 {
namespace {

constexpr int kFileNameCombo = 0x47c;  // cmb13
constexpr int kFileNameEdit = 0x480;   // edt1

thread_local const testing::DialogAnswer* scripted = nullptr;

// "description|pattern|..." becomes the double-NUL-terminated list the dialog wants.
std::wstring nativeFilter(const std::wstring& filter) {
    if (filter.empty()) return std::wstring(2, L'\0');
    std::wstring native = filter;
    for (wchar_t& c : native)
        if (c == L'|') c = L'\0';
    native.push_back(L'\0');
    native.push_back(L'\0');
    return native;
}

UINT_PTR CALLBACK answerOpenDialog(HWND child, UINT msg, WPARAM, LPARAM lp) {
    if (msg != WM_NOTIFY || !scripted || reinterpret_cast<OFNOTIFYW*>(lp)->hdr.code != CDN_INITDONE) return 0;
    HWND dialog = GetParent(child);
    if (scripted->kind == testing::DialogAnswer::Choose) {
        SendMessageW(dialog, CDM_SETCONTROLTEXT, kFileNameCombo, reinterpret_cast<LPARAM>(scripted->path.c_str()));
        SendMessageW(dialog, CDM_SETCONTROLTEXT, kFileNameEdit, reinterpret_cast<LPARAM>(scripted->path.c_str()));
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    } else {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
    }
    return 0;
}

UINT_PTR CALLBACK answerFontDialog(HWND dialog, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_INITDIALOG && scripted) {
        const int id = scripted->kind == testing::DialogAnswer::Choose ? IDOK : IDCANCEL;
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    return 0;
}

HWND ownerWindow(const CommonDialog& dialog) {
    HWND owner = formWindow(dialog.owner());
    return owner && IsWindowVisible(owner) ? owner : nullptr;
}

int cancelled(const CommonDialog& dialog) {
    if (CommDlgExtendedError() != 0) return cdl::Failure;
    return dialog.CancelError ? cdl::Cancel : 0;
}

}  // namespace

int showOpenDialog(CommonDialog& dialog, const testing::DialogAnswer* answer) {
    std::vector<wchar_t> file(32768, L'\0');
    dialog.FileName.copy(file.data(), std::min(dialog.FileName.size(), file.size() - 1));
    const std::wstring filter = nativeFilter(dialog.Filter);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ownerWindow(dialog);
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = dialog.InitDir.empty() ? nullptr : dialog.InitDir.c_str();
    ofn.lpstrTitle = dialog.DialogTitle.empty() ? nullptr : dialog.DialogTitle.c_str();
    ofn.Flags = static_cast<DWORD>(dialog.Flags) | OFN_EXPLORER;
    if (answer) {
        ofn.Flags |= OFN_ENABLEHOOK;
        ofn.lpfnHook = answerOpenDialog;
    }
    scripted = answer;
    const BOOL chosen = GetOpenFileNameW(&ofn);
    scripted = nullptr;
    if (!chosen) return cancelled(dialog);
    dialog.FileName = file.data();
    return 0;
}

int showFontDialog(CommonDialog& dialog, const testing::DialogAnswer* answer) {
    HWND owner = ownerWindow(dialog);
    const int dpi = dpiOf(owner);
    LOGFONTW font{};
    const std::wstring name = answer ? answer->fontName : dialog.FontName;
    const float size = answer ? answer->fontSize : dialog.FontSize;
    name.copy(font.lfFaceName, std::min<size_t>(name.size(), LF_FACESIZE - 1));
    font.lfHeight = -static_cast<LONG>(size * dpi / 72.0f + 0.5f);
    font.lfWeight = (answer ? answer->fontBold : dialog.FontBold) ? FW_BOLD : FW_NORMAL;
    font.lfItalic = (answer ? answer->fontItalic : dialog.FontItalic) ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = owner;
    cf.lpLogFont = &font;
    cf.Flags = static_cast<DWORD>(dialog.Flags);
    if (!name.empty()) cf.Flags |= CF_INITTOLOGFONTSTRUCT;
    if (answer) {
        cf.Flags |= CF_ENABLEHOOK;
        cf.lpfnHook = answerFontDialog;
    }
    scripted = answer;
    const BOOL chosen = ChooseFontW(&cf);
    scripted = nullptr;
    if (!chosen) return cancelled(dialog);
    dialog.FontName = font.lfFaceName;
    dialog.FontSize = static_cast<float>(cf.iPointSize) / 10.0f;
    dialog.FontBold = font.lfWeight >= FW_BOLD;
    dialog.FontItalic = font.lfItalic != 0;
    return 0;
}

}  // namespace tk::win32
