// Labels take the system's colours, so that a high-contrast theme reaches them,
// unless the window gives a colour of its own.
#include <gtest/gtest.h>
#include <windows.h>

#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/testing.h"

namespace tk {
namespace {

class LabelForm final : public Form {
public:
    LabelForm() {
        Caption(L"Lorvane - labels");
        clientSize(3000, 1500);
        plain.Move(60, 60, 1500, 300);
        plain.Caption(L"説明");
        white.Move(60, 600, 1500, 300);
        white.Caption(L"Lorvane");
        white.ForeColor = 0xFFFFFF;
        disabled.Move(60, 1000, 1500, 300);
        disabled.Caption(L"時");
        disabled.Enabled(false);
    }
    Label plain{*this};
    Label white{*this};
    Label disabled{*this};
};

HWND staticWithText(HWND window, const wchar_t* text) {
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t caption[32] = {};
        GetWindowTextW(child, caption, 32);
        if (lstrcmpW(caption, text) == 0) return child;
    }
    return nullptr;
}

TEST(LabelColours, SystemColoursUnlessTheWindowGivesOne) {
    testing::begin();
    LabelForm form;
    form.Show();
    HWND window = FindWindowW(L"TkForm", L"Lorvane - labels");
    ASSERT_NE(window, nullptr);

    struct Case {
        const wchar_t* text;
        COLORREF expected;
    };
    const Case cases[] = {{L"説明", GetSysColor(COLOR_BTNTEXT)},
                          {L"Lorvane", RGB(255, 255, 255)},
                          {L"時", GetSysColor(COLOR_GRAYTEXT)}};
    HDC dc = CreateCompatibleDC(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        HWND label = staticWithText(window, c.text);
        ASSERT_NE(label, nullptr);
        const auto brush = reinterpret_cast<HBRUSH>(
            SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(label)));
        EXPECT_EQ(GetTextColor(dc), c.expected);
        EXPECT_EQ(brush, GetSysColorBrush(COLOR_BTNFACE)) << "the window's own background";
    }
    DeleteDC(dc);
    unloadAllForms();
}

}  // namespace
}  // namespace tk
