// The plain text view finds a match, selects it and scrolls it into sight, and
// reads its file again without losing the reader's place.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "toolkit/form.h"
#include "toolkit/rich_text.h"
#include "toolkit/testing.h"

namespace tk {
namespace {

class FindForm final : public Form {
public:
    FindForm() {
        Caption(L"Lorvane - find");
        clientSize(6000, 3000);
        view.Move(60, 60, 5880, 2880);
        view.TabIndex(0);
    }
    RichText view{*this};
};

std::string lines(int from, int to) {
    std::string bytes;
    for (int i = from; i < to; ++i) {
        const std::string number = std::to_string(i);
        bytes += "line " + std::string(4 - std::min<std::size_t>(4, number.size()), '0') + number + "\r\n";
    }
    return bytes;
}

class RichTextFind : public ::testing::Test {
protected:
    void SetUp() override {
        testing::begin();
        path_ = std::filesystem::temp_directory_path() /
                ("lorvane-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                 "-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + ".log");
        std::ofstream(path_, std::ios::binary) << lines(0, 1000);
        form_.Show();
        form_.view.FileName(path_.wstring());
        hwnd_ = FindWindowExW(FindWindowW(nullptr, L"Lorvane - find"), nullptr, L"TkTextView", nullptr);
        ASSERT_NE(hwnd_, nullptr);
        SetFocus(hwnd_);
        key(VK_END, true);
        visible_ = 1001 - top();
        key(VK_HOME, true);
    }
    void TearDown() override {
        unloadAllForms();
        std::filesystem::remove(path_);
    }

    void key(WPARAM vk, bool ctrl = false) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageW(hwnd_, WM_KEYDOWN, vk, 1);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    }
    long long top() const { return SendMessageW(hwnd_, EM_GETFIRSTVISIBLELINE, 0, 0); }
    long long lineCount() const { return SendMessageW(hwnd_, EM_GETLINECOUNT, 0, 0); }

    FindForm form_;
    std::filesystem::path path_;
    HWND hwnd_ = nullptr;
    long long visible_ = 0;
};

// A match out of sight comes into sight with three lines around it, whichever
// way the search went.
TEST_F(RichTextFind, AMatchIsShownWithLinesAroundIt) {
    struct Case {
        const char* text;
        bool down;
        long long line;
    };
    const Case cases[] = {{"line 0500", true, 500},
                          {"line 0900", true, 900},
                          {"line 0020", false, 20},
                          {"line 0999", true, 999},
                          {"line 0000", false, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::wstring text(c.text, c.text + std::char_traits<char>::length(c.text));
        ASSERT_EQ(form_.view.Find(text, true, c.down), SearchOutcome::Found);
        EXPECT_EQ(form_.view.SelText(), text);
        EXPECT_LE(top(), std::max(0LL, c.line - 3));
        EXPECT_GE(top() + visible_, std::min(1001LL, c.line + 4));
    }
}

TEST_F(RichTextFind, ReloadFollowsTheEndOnlyWhenTheEndWasInSight) {
    struct Case {
        const char* name;
        bool atEnd;
    };
    for (const Case& c : {Case{"at the end", true}, Case{"in the middle", false}}) {
        SCOPED_TRACE(c.name);
        const long long before = lineCount();
        if (c.atEnd) {
            key(VK_END, true);
        } else {
            key(VK_HOME, true);
            ASSERT_EQ(form_.view.Find(L"line 0300", true, true), SearchOutcome::Found);
        }
        const long long topBefore = top();
        std::ofstream(path_, std::ios::binary | std::ios::app) << lines(5000, 5050);
        ASSERT_TRUE(form_.view.Reload());
        EXPECT_EQ(lineCount(), before + 50);
        if (c.atEnd) {
            EXPECT_EQ(top(), lineCount() - visible_) << "the new last line is in sight";
        } else {
            EXPECT_EQ(top(), topBefore);
            EXPECT_EQ(form_.view.SelText(), L"line 0300");
        }
    }
}

// A log that another program now holds without sharing is said to be unreadable,
// and the view keeps its lines, its place and its selection.
TEST_F(RichTextFind, ReloadOfAnUnreadableLogKeepsTheView) {
    ASSERT_EQ(form_.view.Find(L"line 0600", true, true), SearchOutcome::Found);
    const long long topBefore = top(), before = lineCount();
    std::ofstream(path_, std::ios::binary | std::ios::app) << lines(5000, 5050);
    HANDLE held = CreateFileW(path_.wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(form_.view.Reload());
    CloseHandle(held);
    EXPECT_FALSE(form_.view.LoadError().empty());
    EXPECT_EQ(lineCount(), before);
    EXPECT_EQ(top(), topBefore);
    EXPECT_EQ(form_.view.SelText(), L"line 0600");
    EXPECT_TRUE(form_.view.Reload()) << "readable again";
    EXPECT_EQ(lineCount(), before + 50);
}

// Esc pressed while a search goes through a large log stops it: nothing is
// selected, and the window's title is its own again.
TEST_F(RichTextFind, EscStopsASearch) {
    std::ofstream(path_, std::ios::binary) << std::string(24 << 20, 'x') << "\r\nfound\r\n";
    form_.view.FileName(path_.wstring());
    PostMessageW(hwnd_, WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_EQ(form_.view.Find(L"found", true, true), SearchOutcome::Cancelled);
    EXPECT_EQ(form_.view.SelText(), L"");
    wchar_t title[64] = {};
    GetWindowTextW(GetAncestor(hwnd_, GA_ROOT), title, 64);
    EXPECT_STREQ(title, L"Lorvane - find");
    EXPECT_EQ(form_.view.Find(L"found", true, true), SearchOutcome::Found) << "no Esc this time";
}

}  // namespace
}  // namespace tk
