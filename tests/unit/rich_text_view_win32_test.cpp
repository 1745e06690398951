// The plain text view's keyboard, mouse wheel, scroll bar and copying, through
// the window messages a user's actions send.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "toolkit/app.h"
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
    RichText view{*this};
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
        hwnd_ = FindWindowExW(FindWindowW(nullptr, L"Lorvane - view"), nullptr, L"TkTextView", nullptr);
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

// A log larger than what is indexed before the first page: Ctrl+End goes to the
// end known so far and follows it as more becomes known; select-all then copy
// while it is still indexed copies the whole log, not only what was known.
TEST_F(RichTextView, CtrlEndAndSelectAllFollowTheEndWhileTheLogIsIndexed) {
    std::string bytes;
    const auto lines = static_cast<long long>(3 * TextBytes::kPiece / 25);
    for (long long i = 0; i < lines; ++i) bytes += "line " + std::to_string(1000000000 + i) + "...\r\n";
    bytes += "LAST";
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;

    ASSERT_TRUE(form_.view.FileName(path_.wstring()));
    ASSERT_TRUE(form_.view.Indexing());
    key(VK_END, true);
    while (form_.view.Indexing()) DoEvents();
    EXPECT_EQ(SendMessageW(hwnd_, EM_GETLINECOUNT, 0, 0), lines + 1);
    EXPECT_GT(top(), lines - 50) << "the view followed the end";

    ASSERT_TRUE(form_.view.FileName(path_.wstring()));
    key('A', true);
    const std::wstring all = copied();
    EXPECT_EQ(all.size(), bytes.size());
    EXPECT_EQ(all.substr(all.size() - 6), L"\r\nLAST");
}

// A line of ten megabytes without a break, in the three ways a log is written:
// End shows its end with the scroll bar there, Shift+Home selects all of it.
TEST_F(RichTextView, TenMegabyteLineEndsInSightAndIsSelectedWhole) {
    struct Case {
        const char* name;
        std::string bom;
        bool wide;
        std::string unit;  // one character of the line
    };
    const Case cases[] = {
        {"Shift-JIS", "", false, "\x83\x8D"},  // ロ
        {"UTF-8", "\xEF\xBB\xBF", false, "x"},
        {"UTF-16LE", "\xFF\xFE", true, std::string("\xED\x30", 2)},  // ロ
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t characters = (10u << 20) / c.unit.size();
        std::string bytes = c.bom;
        bytes.reserve(bytes.size() + (10u << 20) + 64);
        for (std::size_t i = 0; i < characters; ++i) bytes += c.unit;
        const std::string end = c.wide ? std::string("E\0N\0D\0\r\0\n\0n\0", 12) : "END\r\nn";
        bytes += end;
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
        ASSERT_TRUE(form_.view.FileName(path_.wstring()));
        while (form_.view.Indexing()) DoEvents();
        SetFocus(hwnd_);

        key(VK_END);
        UpdateWindow(hwnd_);
        SCROLLINFO bar{sizeof bar, SIF_ALL, 0, 0, 0, 0, 0};
        GetScrollInfo(hwnd_, SB_HORZ, &bar);
        EXPECT_GT(bar.nPos, 0);
        EXPECT_GE((static_cast<long long>(bar.nPos) + bar.nPage) * 100, static_cast<long long>(bar.nMax) * 99)
            << bar.nPos << " + " << bar.nPage << " of " << bar.nMax;
        POINT caret{};
        GetCaretPos(&caret);
        RECT client;
        GetClientRect(hwnd_, &client);
        EXPECT_GT(caret.x, 0);
        EXPECT_LT(caret.x, client.right);
        EXPECT_EQ(caret.y, 0);

        key(VK_HOME, false, true);
        const std::wstring line = copied();
        ASSERT_EQ(line.size(), characters + 3);
        EXPECT_EQ(line.substr(line.size() - 4), std::wstring(1, line[0]) + L"END");
        GetScrollInfo(hwnd_, SB_HORZ, &bar);
        EXPECT_EQ(bar.nPos, 0);
    }
}

}  // namespace
}  // namespace tk
