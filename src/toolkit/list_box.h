// A list of text items, with one selected item or several.
#pragma once

#include <string>
#include <vector>

#include "toolkit/controls.h"

namespace tk {

enum class MultiSelect { None, Simple, Extended };

class ListBox : public Control {
public:
    ListBox(Container& parent, std::wstring name, ControlKind kind = ControlKind::ListBox)
        : Control(parent, kind, std::move(name)) {}

    MultiSelect multiSelect = MultiSelect::None;  // set before the window loads

    // Appends the item, or inserts it before index.
    void AddItem(const std::wstring& text, int index = -1);
    void RemoveItem(int index);
    void Clear();
    int ListCount() const { return static_cast<int>(items_.size()); }
    const std::wstring& List(int index) const { return items_.at(static_cast<size_t>(index)); }

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
    std::vector<std::wstring> items_;
    std::vector<bool> selected_;
    int listIndex_ = -1;
};

}  // namespace tk
