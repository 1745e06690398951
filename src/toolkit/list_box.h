// A list of text items, with one selected item or several.
#pragma once

#include <string>
#include <vector>

#include "toolkit/controls.h"
#include "toolkit/item_list.h"

namespace tk {

enum class MultiSelect { None, Simple, Extended };

class ListBox : public ItemList {
public:
    explicit ListBox(Container& parent, ControlKind kind = ControlKind::ListBox) : ItemList(parent, kind) {}

    MultiSelect multiSelect = MultiSelect::None;  // set before the window loads

    // The selected item (in a multi-select list: the item with the focus), -1 for none.
    int ListIndex() const { return listIndex_; }
    // Selecting a different item runs the click handler.
    void ListIndex(int index);

    bool Selected(int index) const { return selected_.at(static_cast<size_t>(index)); }
    // Changes the selection of one item; a change runs the click handler.
    void Selected(int index, bool selected);
    int SelCount() const;

    Handler Click;
    Handler DblClick;

    // For the backends: the user changed the selection to this state.
    void userSelected(int listIndex, const std::vector<bool>& selected);
    void userDoubleClicked();

private:
    void itemInserted(int index) override { selected_.insert(selected_.begin() + index, false); }
    void itemRemoved(int index) override { selected_.erase(selected_.begin() + index); }
    void itemsCleared() override { selected_.clear(); }

    std::vector<bool> selected_;
};

}  // namespace tk
