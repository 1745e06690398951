// A failure that escapes a handler reaches the user: the message loop shows it
// with the stop icon under the application's title, closes the window it
// happened in, and ends the program in order when no window is left.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <ostream>
#include <stdexcept>

#include "toolkit/app.h"
#include "toolkit/backend.h"
#include "toolkit/controls.h"
#include "toolkit/events.h"
#include "toolkit/form.h"
#include "toolkit/testing.h"
#include "toolkit/win32/win32_internal.h"

namespace tk {
namespace {

const std::wstring kFirstLine = L"予期しないｴﾗｰが発生しました。";

class FailingForm final : public Form {
public:
    explicit FailingForm(std::wstring caption) {
        Caption(caption);
        clientSize(3000, 1500);
        cmdGo.Move(60, 60, 1500, 400);
        cmdGo.Caption(L"実行");
    }
    Button cmdGo{*this};
    std::function<void()> onLoad;
    int unloads = 0;

protected:
    void Form_Load() override {
        if (onLoad) onLoad();
    }
    void Form_Unload() override { ++unloads; }
};

struct Case {
    const char* name;
    std::function<void()> fault;
    bool inLoad;             // the window's Form_Load fails as it is first shown
    bool otherWindowOpen;    // a second window stays on screen
    bool modal;              // the failing window runs its own modal loop over the other
    std::wstring expected;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class FailureReport : public ::testing::TestWithParam<Case> {};

TEST_P(FailureReport, ShownAndTheWindowClosed) {
    const Case& c = GetParam();
    ProgramInfo program;
    program.title = L"Lorvane";
    program.texts.unexpectedFailure = kFirstLine;
    initialize(program);
    testing::begin();
    FailingForm other(L"Lorvane - other");
    FailingForm failing(L"Lorvane - failing");
    if (c.inLoad) failing.onLoad = c.fault;
    failing.cmdGo.Click = c.fault;

    std::size_t shownByTheModalLoop = 0;
    RunMessageLoop([&] {
        PostQuitMessage(0);  // after what is queued: the loop returns once the failure is handled
        if (c.otherWindowOpen) other.Show();
        failing.Show();
        PostMessageW(win32::controlWindow(failing.cmdGo), BM_CLICK, 0, 0);
        if (!c.modal) return;
        systemBackend().runModal(failing);  // the real modal loop, not the test's script
        shownByTheModalLoop = testing::shownMessages().size();
    });

    const auto& shown = testing::shownMessages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, c.expected);
    if (c.modal) {
        EXPECT_EQ(shownByTheModalLoop, 1u);
    }
    EXPECT_EQ(shown[0].style, box::Stop);
    EXPECT_EQ(shown[0].caption, L"Lorvane");
    EXPECT_FALSE(failing.loaded());
    EXPECT_EQ(failing.unloads, c.inLoad ? 0 : 1);
    EXPECT_EQ(other.loaded(), c.otherWindowOpen);
    EXPECT_EQ(testing::overrides().allFormsUnloaded, !c.otherWindowOpen);
    unloadAllForms();
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, FailureReport,
    ::testing::Values(
        Case{"StandardException", [] { throw std::runtime_error("broken handler"); }, false, true, false,
             kFirstLine + L"\r\n\r\nbroken handler"},
        Case{"InAModalLoop", [] { throw std::runtime_error("broken handler"); }, false, true, true,
             kFirstLine + L"\r\n\r\nbroken handler"},
        Case{"UserText", [] { throw Failure(L"ﾃﾞｨｽｸに空きがありません。"); }, false, true, false,
             kFirstLine + L"\r\n\r\nﾃﾞｨｽｸに空きがありません。"},
        Case{"AnythingElse", [] { throw 42; }, false, true, false, kFirstLine},
        Case{"OnlyWindowEndsTheProgram", [] { throw std::runtime_error("broken"); }, false, false, false,
             kFirstLine + L"\r\n\r\nbroken"},
        Case{"FirstWindowsLoad", [] { throw std::runtime_error("no start"); }, true, false, false,
             kFirstLine + L"\r\n\r\nno start"}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tk
