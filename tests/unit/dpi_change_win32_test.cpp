// A window moved to a screen of another resolution takes the size the system
// suggests and places and letters its controls again.
#include <gtest/gtest.h>
#include <windows.h>

#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/testing.h"

namespace tk {
namespace {

class DpiForm final : public Form {
public:
    DpiForm() {
        Caption(L"Lorvane - dpi");
        clientSize(3000, 1500);
        label.Move(60, 60, 1500, 300);
        label.Caption(L"説明");
        label.AutoSize = true;
    }
    Label label{*this};
};

TEST(DpiChange, TheWindowTakesTheSuggestedRectangleAndKeepsItsLabel) {
    testing::begin();
    DpiForm form;
    form.Show();
    HWND window = FindWindowW(L"TkForm", L"Lorvane - dpi");
    ASSERT_NE(window, nullptr);
    HWND label = GetWindow(window, GW_CHILD);
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
