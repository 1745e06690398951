// The list box and the combo box keep their items alike: the chosen item stays
// chosen while items come and go around it, and is chosen no more once it goes.
#include <functional>
#include <initializer_list>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "form_test_support.h"
#include "toolkit/combo_box.h"
#include "toolkit/list_box.h"

namespace lorvane::test {
namespace {

class ListsForm final : public tk::Form {
public:
    ListsForm() {
        Caption(L"Lorvane - lists");
        clientSize(6000, 3000);
        lstDays.Move(120, 120, 1800, 1500);
        lstTicked.Move(2040, 120, 1800, 1500);
        lstTicked.multiSelect = tk::MultiSelect::Simple;
        cboDays.Move(3960, 120, 1800, 315);
        for (const wchar_t* day : {L"日", L"月", L"火", L"水"}) {
            lstDays.AddItem(day);
            lstTicked.AddItem(day);
            cboDays.AddItem(day);
        }
    }
    tk::ListBox lstDays{*this};
    tk::ListBox lstTicked{*this};
    tk::ComboBox cboDays{*this};
};

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
    ListsForm form;
    form.Show();
    form.lstDays.ListIndex(2);
    form.lstTicked.Selected(2, true);
    form.cboDays.ListIndex(2);
    {
        SCOPED_TRACE("list box");
        c.change(form.lstDays);
        EXPECT_EQ(itemsOf(form.lstDays), c.items);
        EXPECT_EQ(chosenOf(form.lstDays), c.chosen);
    }
    {
        SCOPED_TRACE("combo box");
        c.change(form.cboDays);
        EXPECT_EQ(itemsOf(form.cboDays), c.items);
        EXPECT_EQ(chosenOf(form.cboDays), c.chosen);
    }
    {
        SCOPED_TRACE("multi-select list box: the tick stays on its item");
        c.change(form.lstTicked);
        std::vector<std::wstring> ticked;
        for (int i = 0; i < form.lstTicked.ListCount(); ++i)
            if (form.lstTicked.Selected(i)) ticked.push_back(form.lstTicked.List(i));
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
