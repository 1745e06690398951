// The standard open-file and font dialogs.
#include <windows.h>
// after windows.h
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "toolkit/common_dialog.h"
#include "toolkit/win32/win32_internal.h"

namespace tk::win32 {
namespace {

constexpr std::size_t kLongestPath = 32768;  // the longest path the system takes, with its NUL

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

HWND ownerWindow(const CommonDialog& dialog) {
    HWND owner = formWindow(dialog.owner());
    return owner && IsWindowVisible(owner) ? owner : nullptr;
}

int cancelled(const CommonDialog& dialog) {
    if (CommDlgExtendedError() != 0) return cdl::Failure;
    return dialog.CancelError ? cdl::Cancel : 0;
}

}  // namespace

int showOpenDialog(CommonDialog& dialog, LPOFNHOOKPROC hook) {
    std::vector<wchar_t> file(kLongestPath, L'\0');
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
    if (hook) {
        ofn.Flags |= OFN_ENABLEHOOK;
        ofn.lpfnHook = hook;
    }
    const BOOL chosen = GetOpenFileNameW(&ofn);
    if (!chosen) return cancelled(dialog);
    dialog.FileName = file.data();
    return 0;
}

int showFontDialog(CommonDialog& dialog, LPCFHOOKPROC hook) {
    HWND owner = ownerWindow(dialog);
    const int dpi = dpiOf(owner);
    LOGFONTW font{};
    const std::wstring& name = dialog.FontName;
    name.copy(font.lfFaceName, std::min<size_t>(name.size(), LF_FACESIZE - 1));
    font.lfHeight = fontHeight(dialog.FontSize, dpi);
    font.lfWeight = dialog.FontBold ? FW_BOLD : FW_NORMAL;
    font.lfItalic = dialog.FontItalic ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = owner;
    cf.lpLogFont = &font;
    cf.Flags = static_cast<DWORD>(dialog.Flags);
    if (!name.empty()) cf.Flags |= CF_INITTOLOGFONTSTRUCT;
    if (hook) {
        cf.Flags |= CF_ENABLEHOOK;
        cf.lpfnHook = hook;
    }
    const BOOL chosen = ChooseFontW(&cf);
    if (!chosen) return cancelled(dialog);
    dialog.FontName = font.lfFaceName;
    dialog.FontSize = static_cast<float>(cf.iPointSize) / 10.0f;
    dialog.FontBold = font.lfWeight >= FW_BOLD;
    dialog.FontItalic = font.lfItalic != 0;
    return 0;
}

}  // namespace tk::win32
