// Labels take the system's colours, so that a high-contrast theme reaches them,
// unless the window gives a colour of its own; a window moved to a screen of
// another resolution takes the size the system suggests and keeps its labels.
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
        plain.AutoSize = true;
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

TEST(DpiChange, TheWindowTakesTheSuggestedRectangleAndKeepsItsLabel) {
    testing::begin();
    LabelForm form;
    form.Show();
    HWND window = FindWindowW(L"TkForm", L"Lorvane - labels");
    ASSERT_NE(window, nullptr);
    HWND label = staticWithText(window, L"説明");
    ASSERT_NE(label, nullptr);
    RECT before{};
    GetWindowRect(label, &before);

    RECT suggested{40, 50, 40 + 420, 50 + 260};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT now{};
    GetWindowRect(window, &now);
    EXPECT_EQ(now.left, suggested.left);
    EXPECT_EQ(now.top, suggested.top);
    EXPECT_EQ(now.right - now.left, suggested.right - suggested.left);
    EXPECT_EQ(now.bottom - now.top, suggested.bottom - suggested.top);
    // The system's resolution is unchanged here (one screen), so the label keeps its size.
    RECT after{};
    GetWindowRect(label, &after);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_GT(after.right - after.left, 0);
    unloadAllForms();
}

}  // namespace
}  // namespace tk
