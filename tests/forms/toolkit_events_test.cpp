#include <string>
#include <vector>

#include "form_test_support.h"
#include "toolkit/app.h"
#include "toolkit/controls.h"
#include "toolkit/events.h"
#include "toolkit/form.h"

namespace lorvane::test {
namespace {

std::vector<std::wstring> events;

class RecordingForm final : public tk::Form {
public:
    explicit RecordingForm(std::wstring name = L"A") : name_(std::move(name)) {
        Caption(L"Lorvane - " + name_);
        clientSize(3000, 2000);
        cmdClose.Move(100, 100, 1200, 400);
        cmdClose.Caption(L"閉じる");
        cmdClose.TabIndex(0);
        cmdClose.Click = [this] {
            events.push_back(name_ + L":Click");
            Unload();
            events.push_back(name_ + L":after Unload");  // code after unloading itself still runs safely
        };
    }
    tk::Button cmdClose{*this};

protected:
    void Form_Load() override { events.push_back(name_ + L":Load"); }
    void Form_Resize() override { events.push_back(name_ + L":Resize"); }
    void Form_Activate() override { events.push_back(name_ + L":Activate"); }
    void Form_Unload() override { events.push_back(name_ + L":Unload"); }

private:
    std::wstring name_;
};

tk::FormRef<RecordingForm> frmA;

class OtherForm final : public tk::Form {
public:
    OtherForm() { Caption(L"Lorvane - B"); }

protected:
    void Form_Activate() override { events.push_back(L"B:Activate"); }
};

tk::FormRef<OtherForm> frmB;

class ToolkitEvents : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        events.clear();
    }
};

TEST_F(ToolkitEvents, FirstShowRunsLoadResizeActivateInOrder) {
    frmA->Show();
    frmA->Show();  // already shown and active: nothing more
    EXPECT_EQ(events, (std::vector<std::wstring>{L"A:Load", L"A:Resize", L"A:Activate"}));
}

TEST_F(ToolkitEvents, UnloadReleasesTheReferenceSoTheNextOpeningIsFresh) {
    frmA->Show();
    tk::user::click(frmA->cmdClose);
    EXPECT_EQ(events, (std::vector<std::wstring>{L"A:Load", L"A:Resize", L"A:Activate", L"A:Click", L"A:Unload",
                                                 L"A:after Unload"}));
    EXPECT_EQ(frmA.instance(), nullptr);
    EXPECT_TRUE(tk::loadedForms().empty());

    events.clear();
    frmA->Show();
    EXPECT_EQ(events, (std::vector<std::wstring>{L"A:Load", L"A:Resize", L"A:Activate"}));
}

// The program's wiring of a window: it hears of every unload while the window is still there.
void recordUnloaded(tk::Form& form) {
    form.Unloaded = [&form] { events.push_back(form.loaded() ? L"Unloaded, still loaded" : L"Unloaded, gone"); };
}
tk::FormRef<RecordingForm> frmWired{recordUnloaded};

TEST_F(ToolkitEvents, UnloadedFollowsTheWindowsOwnUnloadHowEverItCloses) {
    struct Case {
        const char* name;
        void (*close)(RecordingForm&);
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {"a button that unloads", [](RecordingForm& f) { tk::user::click(f.cmdClose); },
         {L"A:Click", L"A:Unload", L"Unloaded, still loaded", L"A:after Unload"}},
        {"the close box", [](RecordingForm& f) { tk::user::closeBox(f); }, {L"A:Unload", L"Unloaded, still loaded"}},
        {"closed without handlers", [](RecordingForm& f) { f.discard(); }, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int opening = 1; opening <= 2; ++opening) {  // every new instance is wired
            SCOPED_TRACE(opening);
            frmWired->Show();
            events.clear();
            c.close(*frmWired);
            EXPECT_EQ(events, c.expected);
            EXPECT_EQ(frmWired.instance(), nullptr);
        }
    }
}

TEST_F(ToolkitEvents, ActivateComesAgainOnlyAfterAnotherWindowWasActive) {
    frmA->Show();
    frmB->Show();
    frmA->Hide();
    events.clear();
    frmB->Unload();
    frmA->Show();  // back from the other window: activated again, not resized again
    EXPECT_EQ(events, (std::vector<std::wstring>{L"A:Activate"}));
}

TEST_F(ToolkitEvents, DisabledButtonCannotBeClicked) {
    frmA->Show();
    frmA->cmdClose.Enabled(false);
    tk::user::click(frmA->cmdClose);
    EXPECT_TRUE(frmA->Visible());
}

TEST_F(ToolkitEvents, NoHandlerRunsAfterTheProgramEnded) {
    frmA->Show();
    frmA->cmdClose.Click = [] {
        tk::EndProgram();
        events.push_back(L"after EndProgram");
    };
    events.clear();
    tk::user::click(frmA->cmdClose);
    frmB->Show();
    EXPECT_TRUE(tk::programEnded());
    EXPECT_TRUE(events.empty());
}

TEST_F(ToolkitEvents, MessageBoxIsAnsweredAsScriptedUnderTheApplicationTitle) {
    frmA->Show();
    tk::testing::answerNextMessageBox(mb::No);
    EXPECT_EQ(MsgBox(L"よろしいですか？", mb::QuestionYesNo), mb::No);
    EXPECT_EQ(MsgBox(L"再試行", mb::ExclamationRetryCancel), mb::Cancel) << "unscripted: the safe default";
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[0].caption, L"Lorvane");
    EXPECT_EQ(messages()[0].style, 36);
}

}  // namespace
}  // namespace lorvane::test
