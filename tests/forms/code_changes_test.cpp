// A change made by the program's code runs the control's event once, as the
// model raises it, and the window that shows the change adds nothing: a
// notification that the window sends back while it is updated (an edit box's
// change, a list's selection change) must not reach the handlers as if the user
// had acted. Each case records the events in order and compares the sequence.
#include <functional>
#include <initializer_list>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "form_test_support.h"
#include "texts.h"
#include "toolkit/choices.h"
#include "toolkit/combo_box.h"
#include "toolkit/list_box.h"
#include "toolkit/text_box.h"
#include "toolkit/up_down.h"

namespace lorvane::test {
namespace {

class RecordingForm final : public tk::Form {
public:
    RecordingForm() {
        Caption(L"Lorvane - code changes");
        clientSize(6000, 4200);
        chkVerify.Move(120, 120, 2400, 300);
        chkVerify.Caption(L"検査");
        fraMode.Move(120, 480, 2600, 1000);
        optAppend.Move(120, 240, 2000, 300);
        optAppend.Caption(L"追加");
        optReplace.Move(120, 600, 2000, 300);
        optReplace.Caption(L"上書き");
        txtGuide.Move(120, 1600, 3000, 315);
        lstDays.Move(120, 2000, 2400, 1500);
        lstWeekdays.Move(3000, 2000, 2400, 1500);
        lstWeekdays.multiSelect = tk::MultiSelect::Simple;
        cboMode.Move(3000, 120, 2400, 315);
        txtHour.Move(3000, 600, 600, 315);
        udnHour.Move(3600, 600, 240, 315);
        udnHour.BuddyControl = &txtHour;
        udnHour.Max = 23;
        for (const wchar_t* item : {L"日", L"月", L"火", L"水"}) {
            lstDays.AddItem(item);
            lstWeekdays.AddItem(item);
            cboMode.AddItem(item);
        }
        chkVerify.Click = [this] { record(L"chk:" + std::to_wstring(chkVerify.Value())); };
        optAppend.Click = [this] { record(L"optAppend"); };
        optReplace.Click = [this] { record(L"optReplace"); };
        txtGuide.Change = [this] { record(L"txt:" + txtGuide.Text()); };
        lstDays.Click = [this] { record(L"lst:" + std::to_wstring(lstDays.ListIndex())); };
        lstWeekdays.Click = [this] { record(L"multi:" + std::to_wstring(lstWeekdays.SelCount())); };
        cboMode.Click = [this] { record(L"cboClick:" + cboMode.Text()); };
        cboMode.Change = [this] { record(L"cboChange:" + cboMode.Text()); };
        txtHour.Change = [this] { record(L"hour:" + txtHour.Text()); };
        udnHour.Change = [this] { record(L"udn:" + std::to_wstring(udnHour.Value())); };
    }
    tk::CheckBox chkVerify{*this};
    tk::Frame fraMode{*this};
    tk::OptionButton optAppend{fraMode};
    tk::OptionButton optReplace{fraMode};
    tk::TextBox txtGuide{*this};
    tk::ListBox lstDays{*this};
    tk::ListBox lstWeekdays{*this};
    tk::ComboBox cboMode{*this};
    tk::TextBox txtHour{*this};
    tk::UpDown udnHour{*this};
    std::vector<std::wstring> events;

private:
    void record(std::wstring event) { events.push_back(std::move(event)); }
};

struct CodeChange {
    const char* name;
    std::function<void(RecordingForm&)> before;  // done, and its events forgotten, first
    std::function<void(RecordingForm&)> change;
    std::vector<std::wstring> events;
    friend std::ostream& operator<<(std::ostream& os, const CodeChange& c) { return os << c.name; }
};
using CodeChanges = Table<WindowTest, CodeChange>;

TEST_P(CodeChanges, RunTheEventOnceAndNoEcho) {
    const CodeChange& c = GetParam();
    RecordingForm form;
    form.Show();
    if (c.before) c.before(form);
    form.events.clear();
    c.change(form);
    EXPECT_EQ(form.events, c.events);
}

using F = RecordingForm;
INSTANTIATE_TEST_SUITE_P(
    , CodeChanges,
    ::testing::Values(
        CodeChange{"CheckBoxTicked", {}, [](F& f) { f.chkVerify.Value(1); }, {L"chk:1"}},
        CodeChange{"CheckBoxCleared",
                   [](F& f) { f.chkVerify.Value(1); },
                   [](F& f) { f.chkVerify.Value(0); },
                   {L"chk:0"}},
        CodeChange{"OptionChosen",
                   [](F& f) { f.optAppend.Value(true); },
                   [](F& f) { f.optReplace.Value(true); },
                   {L"optReplace"}},
        CodeChange{"TextSet",
                   {},
                   [](F& f) { f.txtGuide.Text(texts::kWeeklyGuide); },
                   {L"txt:" + std::wstring(texts::kWeeklyGuide)}},
        CodeChange{"TextCleared",
                   [](F& f) { f.txtGuide.Text(L"x"); },
                   [](F& f) { f.txtGuide.Text(L""); },
                   {L"txt:"}},
        CodeChange{"ListSelected", {}, [](F& f) { f.lstDays.ListIndex(2); }, {L"lst:2"}},
        CodeChange{"ListDeselected",
                   [](F& f) { f.lstDays.ListIndex(2); },
                   [](F& f) { f.lstDays.ListIndex(-1); },
                   {L"lst:-1"}},
        CodeChange{"ListItemAdded",
                   [](F& f) { f.lstDays.ListIndex(1); },
                   [](F& f) { f.lstDays.AddItem(L"木", 0); },
                   {}},
        CodeChange{"SelectedItemRemoved",
                   [](F& f) { f.lstDays.ListIndex(1); },
                   [](F& f) { f.lstDays.RemoveItem(1); },
                   {}},
        CodeChange{"ListCleared", [](F& f) { f.lstDays.ListIndex(1); }, [](F& f) { f.lstDays.Clear(); }, {}},
        CodeChange{"MultiListItemTicked", {}, [](F& f) { f.lstWeekdays.Selected(3, true); }, {L"multi:1"}},
        CodeChange{
            "ComboChosen", {}, [](F& f) { f.cboMode.ListIndex(1); }, {L"cboChange:月", L"cboClick:月"}},
        CodeChange{"ComboTextSet", {}, [](F& f) { f.cboMode.Text(L"火"); }, {L"cboChange:火"}},
        CodeChange{"UpDownMoved", {}, [](F& f) { f.udnHour.Value(5); }, {L"hour:5", L"udn:5"}},
        CodeChange{
            "UpDownHeldAtItsEnd", [](F& f) { f.udnHour.Value(23); }, [](F& f) { f.udnHour.Value(99); }, {}}),
    CaseName());


// The list box and the combo box keep their items alike: the chosen item stays
// chosen while items come and go around it, and is chosen no more once it goes.
// What each kind shows: its items and the chosen one ("" for none).
template <class List>
std::vector<std::wstring> itemsOf(const List& list) {
    std::vector<std::wstring> items;
    for (int i = 0; i < list.ListCount(); ++i) items.push_back(list.List(i));
    return items;
}
template <class List>
std::wstring chosenOf(const List& list) {
    return list.ListIndex() < 0 ? L"" : list.List(list.ListIndex());
}

struct ItemChange {
    const char* name;
    std::function<void(tk::ItemList&)> change;  // made with 火 chosen
    std::vector<std::wstring> items;
    std::wstring chosen;
    friend std::ostream& operator<<(std::ostream& os, const ItemChange& c) { return os << c.name; }
};
using ItemChanges = Table<WindowTest, ItemChange>;

TEST_P(ItemChanges, TheChosenItemFollowsItsText) {
    const ItemChange& c = GetParam();
    RecordingForm form;
    form.Show();
    form.lstDays.ListIndex(2);
    form.lstWeekdays.Selected(2, true);
    form.cboMode.ListIndex(2);
    {
        SCOPED_TRACE("list box");
        c.change(form.lstDays);
        EXPECT_EQ(itemsOf(form.lstDays), c.items);
        EXPECT_EQ(chosenOf(form.lstDays), c.chosen);
    }
    {
        SCOPED_TRACE("combo box");
        c.change(form.cboMode);
        EXPECT_EQ(itemsOf(form.cboMode), c.items);
        EXPECT_EQ(chosenOf(form.cboMode), c.chosen);
    }
    {
        SCOPED_TRACE("multi-select list box: the tick stays on its item");
        c.change(form.lstWeekdays);
        std::vector<std::wstring> ticked;
        for (int i = 0; i < form.lstWeekdays.ListCount(); ++i)
            if (form.lstWeekdays.Selected(i)) ticked.push_back(form.lstWeekdays.List(i));
        EXPECT_EQ(ticked,
                  c.chosen.empty() ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.chosen});
    }
}

INSTANTIATE_TEST_SUITE_P(
    , ItemChanges,
    ::testing::Values(
        ItemChange{"AddedFirst",
                   [](tk::ItemList& l) { l.AddItem(L"木", 0); },
                   {L"木", L"日", L"月", L"火", L"水"},
                   L"火"},
        ItemChange{"AddedAtTheChosenPlace",
                   [](tk::ItemList& l) { l.AddItem(L"木", 2); },
                   {L"日", L"月", L"木", L"火", L"水"},
                   L"火"},
        ItemChange{"AddedAfterTheChosen",
                   [](tk::ItemList& l) { l.AddItem(L"木", 3); },
                   {L"日", L"月", L"火", L"木", L"水"},
                   L"火"},
        ItemChange{"AddedAtTheEnd",
                   [](tk::ItemList& l) { l.AddItem(L"木"); },
                   {L"日", L"月", L"火", L"水", L"木"},
                   L"火"},
        ItemChange{"AddedPastTheEnd",
                   [](tk::ItemList& l) { l.AddItem(L"木", 9); },
                   {L"日", L"月", L"火", L"水", L"木"},
                   L"火"},
        ItemChange{
            "RemovedBeforeTheChosen", [](tk::ItemList& l) { l.RemoveItem(0); }, {L"月", L"火", L"水"}, L"火"},
        ItemChange{"ChosenRemoved", [](tk::ItemList& l) { l.RemoveItem(2); }, {L"日", L"月", L"水"}, L""},
        ItemChange{
            "RemovedAfterTheChosen", [](tk::ItemList& l) { l.RemoveItem(3); }, {L"日", L"月", L"火"}, L"火"},
        ItemChange{"Cleared", [](tk::ItemList& l) { l.Clear(); }, {}, L""},
        ItemChange{"NoSuchItemToRemove",
                   [](tk::ItemList& l) { EXPECT_THROW(l.RemoveItem(4), std::out_of_range); },
                   {L"日", L"月", L"火", L"水"},
                   L"火"}),
    CaseName());

}  // namespace
}  // namespace lorvane::test
