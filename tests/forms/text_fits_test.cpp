// Every text of every window fits its control at the resolution the system
// runs at (96, 144 or 192 dots per inch in the test prefixes): no caption is
// cut off and no label runs onto a second line it has no room for. Only the
// real controls can tell, so this runs in the Windows build.
#ifdef _WIN32
#include <windows.h>

#include <string>
#include <vector>

#include "app/forms.h"
#include "app/menu_form.h"
#include "app/title_form.h"
#include "backupinfo/select_path_form.h"
#include "backupinfo/set_bk_info_form.h"
#include "form_test_support.h"
#include "logview/show_log_form.h"
#include "restore/restore_form.h"
#include "schedule/schedule_form.h"

namespace lorvane::test {
namespace {

std::wstring windowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring className(HWND hwnd) {
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    return name;
}

// The room the text needs in the control's font: width and height in pixels.
SIZE textSize(HWND control, const std::wstring& text, UINT format, int width) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT r{0, 0, width, 0};
    DrawTextW(dc, text.c_str(), -1, &r, format | DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {r.right, r.bottom};
}

// What does not fit in the control, or nothing.
std::string clipped(HWND control, int dpi) {
    const std::wstring cls = className(control), text = windowText(control);
    if (text.empty()) return {};
    RECT client;
    GetClientRect(control, &client);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    int room = client.right;
    UINT format = DT_SINGLELINE;
    if (lstrcmpiW(cls.c_str(), L"Static") == 0) {
        format = DT_WORDBREAK;  // a label may wrap, as long as its height holds the lines
    } else if (lstrcmpiW(cls.c_str(), L"Button") == 0) {
        const LONG type = style & BS_TYPEMASK;
        const bool mark = type == BS_CHECKBOX || type == BS_RADIOBUTTON || type == BS_AUTOCHECKBOX ||
                          type == BS_AUTORADIOBUTTON;
        room -= mark ? MulDiv(13 + 6, dpi, 96) : 2 * MulDiv(3, dpi, 96);
    } else if (cls == L"TkFrame") {
        room -= MulDiv(8, dpi, 96) * 2;  // the caption starts 120 twips in, with a blank either side
    } else {
        return {};
    }
    const SIZE need = textSize(control, text, format, room);
    if (need.cx <= room && need.cy <= client.bottom) return {};
    char line[160];
    std::snprintf(line, sizeof line, " needs %ldx%ld, has %dx%ld", need.cx, need.cy, room, client.bottom);
    std::string name;
    for (wchar_t c : text) name += c < 0x80 ? static_cast<char>(c) : '?';
    return cls.size() ? std::string(cls.begin(), cls.end()) + " \"" + name + "\"" + line : line;
}

// Two texts of one container that overlap, other than the heading that is
// drawn as one (its transparent labels); nothing when none do.
std::string overlapping(const std::vector<HWND>& controls) {
    auto isText = [](HWND h) {
        const std::wstring cls = className(h);
        const bool text = lstrcmpiW(cls.c_str(), L"Static") == 0 || lstrcmpiW(cls.c_str(), L"Button") == 0;
        return text && (GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) != SS_OWNERDRAW && !windowText(h).empty();
    };
    for (HWND a : controls) {
        for (HWND b : controls) {
            if (a >= b || GetParent(a) != GetParent(b) || !isText(a) || !isText(b)) continue;
            RECT ra, rb, both;
            GetWindowRect(a, &ra);
            GetWindowRect(b, &rb);
            if (IntersectRect(&both, &ra, &rb)) return "two texts overlap";
        }
    }
    return {};
}

BOOL CALLBACK collect(HWND child, LPARAM found) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(child);
    return TRUE;
}

using TextFits = WindowTest;

TEST_F(TextFits, EveryCaptionAndLabelFitsItsControl) {
    // Loaded and hidden: each window as it first appears, without its start-up steps.
    frmTitle->Hide();
    frmMenu->Hide();
    frmSetBkInfo->Hide();
    frmSetDate->Hide();
    frmShowLog->Hide();
    frmRestore->Hide();
    SelectPathForm& picker = frmSelectPath.get();
    picker.Hide();
    picker.Caption(L"Lorvane - ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽの指定");
    picker.lblPath.Caption(L"ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽ");
    picker.cmdOk.Caption(L"追加");

    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    std::printf("[ resolution ] %d dots per inch\n", dpi);
    for (const wchar_t* title : {L"", L"Lorvane", L"Lorvane - ﾊﾞｯｸｱｯﾌﾟ情報の設定", L"Lorvane - 日付の設定",
                                 L"Lorvane - ﾛｸﾞﾌｧｲﾙの確認", L"Lorvane - ﾊﾞｯｸｱｯﾌﾟ対象ﾊﾟｽの指定", L"Lorvane - 復元"}) {
        SCOPED_TRACE(std::to_string(dpi) + " dpi, window " + std::to_string(std::wstring(title).size()));
        HWND window = FindWindowW(L"TkForm", title);
        ASSERT_NE(window, nullptr);
        std::vector<HWND> children;
        EnumChildWindows(window, collect, reinterpret_cast<LPARAM>(&children));
        for (HWND child : children) EXPECT_EQ(clipped(child, dpi), "");
        EXPECT_EQ(overlapping(children), "");
    }
    picker.Unload();
}

}  // namespace
}  // namespace lorvane::test
#endif
