#include "toolkit/list_box.h"

#include <algorithm>
#include <stdexcept>

#include "toolkit/events.h"

namespace tk {

void ListBox::ListIndex(int index) {
    if (index < -1 || index >= ListCount()) throw std::out_of_range("ListBox::ListIndex: no such item");
    if (index == listIndex_) return;
    listIndex_ = index;
    if (multiSelect == MultiSelect::None) std::fill(selected_.begin(), selected_.end(), false);
    if (index >= 0) selected_[static_cast<size_t>(index)] = true;
    changed(Property::Selection);
    if (Click) dispatchEvent(Click);
}

void ListBox::Selected(int index, bool selected) {
    if (index < 0 || index >= ListCount()) throw std::out_of_range("ListBox::Selected: no such item");
    if (multiSelect == MultiSelect::None) {
        if (selected) ListIndex(index);
        else if (listIndex_ == index) ListIndex(-1);
        return;
    }
    if (selected_[static_cast<size_t>(index)] == selected) return;
    selected_[static_cast<size_t>(index)] = selected;
    listIndex_ = index;
    changed(Property::Selection);
    if (Click) dispatchEvent(Click);
}

int ListBox::SelCount() const { return static_cast<int>(std::count(selected_.begin(), selected_.end(), true)); }

void ListBox::userSelected(int listIndex, const std::vector<bool>& selected) {
    if (!effectivelyEnabled()) return;
    if (listIndex == listIndex_ && selected == selected_) return;
    listIndex_ = listIndex;
    selected_ = selected;
    selected_.resize(static_cast<size_t>(ListCount()), false);
    if (Click) dispatchEvent(Click);
}

void ListBox::userDoubleClicked() {
    if (effectivelyEnabled() && DblClick) dispatchEvent(DblClick);
}

}  // namespace tk
