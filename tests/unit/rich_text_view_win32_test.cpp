// The plain text view's keyboard, mouse wheel, scroll bar and copying, through
// the window messages a user's actions send.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "toolkit/form.h"
#include "toolkit/rich_text.h"
#include "toolkit/testing.h"

namespace tk {
namespace {

class ViewForm final : public Form {
public:
    ViewForm() {
        Caption(L"Lorvane - view");
        clientSize(6000, 3000);
        view.Move(60, 60, 5880, 2880);
        view.TabIndex(0);
    }
    RichText view{*this, L"view"};
};

class RichTextView : public ::testing::Test {
protected:
    void SetUp() override {
        testing::begin();
        std::string bytes = "\xFF\xFE";
        for (int i = 0; i < 1000; ++i) {
            std::wstring line = L"行 " + std::to_wstring(i) + L"\tﾛｸﾞ\r\n";
            text_ += line;
            for (wchar_t c : line) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        }
        path_ = std::filesystem::temp_directory_path() /
                ("lorvane-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                 "-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".log");
        std::ofstream(path_, std::ios::binary) << bytes;
        form_.Show();
        form_.view.FileName(path_.wstring());
        hwnd_ = FindWindowExW(FindWindowW(nullptr, L"Lorvane - view"), nullptr, L"LorvaneTextView", nullptr);
        ASSERT_NE(hwnd_, nullptr);
        SetFocus(hwnd_);
    }
    void TearDown() override {
        unloadAllForms();
        std::filesystem::remove(path_);
    }

    void key(WPARAM vk, bool ctrl = false, bool shift = false) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageW(hwnd_, WM_KEYDOWN, vk, 1);
        keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    }
    long long top() const { return SendMessageW(hwnd_, EM_GETFIRSTVISIBLELINE, 0, 0); }
    std::wstring copied() {
        key('C', true);
        std::wstring text;
        if (!OpenClipboard(hwnd_)) return text;
        if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
            text = static_cast<const wchar_t*>(GlobalLock(data));
            GlobalUnlock(data);
        }
        CloseClipboard();
        return text;
    }

    ViewForm form_;
    std::filesystem::path path_;
    std::wstring text_;
    HWND hwnd_ = nullptr;
};

TEST_F(RichTextView, KeysWheelAndScrollBarMoveThroughTheFile) {
    EXPECT_EQ(SendMessageW(hwnd_, EM_GETLINECOUNT, 0, 0), 1001);
    key(VK_END, true);
    const long long last = top();
    EXPECT_GT(last, 900);
    key(VK_DOWN);
    EXPECT_EQ(top(), last) << "nothing beyond the last line";
    key(VK_HOME, true);
    EXPECT_EQ(top(), 0);
    key(VK_NEXT);
    const long long page = top();
    EXPECT_GT(page, 0);
    key(VK_PRIOR);
    EXPECT_EQ(top(), 0);
    for (long long i = 0; i <= page; ++i) key(VK_DOWN);
    EXPECT_EQ(top(), 1) << "the view follows the caret one line at a time";

    SendMessageW(hwnd_, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    EXPECT_EQ(top(), 4);
    SendMessageW(hwnd_, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA * 2), 0);
    EXPECT_EQ(top(), 0);
    SendMessageW(hwnd_, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(top(), last);
    SendMessageW(hwnd_, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(top(), last - 1);
}

TEST_F(RichTextView, SelectionIsCopied) {
    key(VK_DOWN, false, true);
    key(VK_RIGHT, false, true);
    EXPECT_EQ(copied(), L"行 0\tﾛｸﾞ\r\n行");
    key(VK_END, true, true);
    EXPECT_EQ(copied(), text_);
    key(VK_HOME, true);  // a move without Shift ends the selection
    key(VK_END, true);
    key(VK_LEFT, false, true);
    EXPECT_EQ(copied(), L"\r\n");
    key('A', true);
    EXPECT_EQ(copied(), text_);
}

}  // namespace
}  // namespace tk
