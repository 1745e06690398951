#include "toolkit/list_box.h"

#include <algorithm>
#include <stdexcept>

#include "toolkit/events.h"

namespace tk {

void ListBox::AddItem(const std::wstring& text, int index) {
    if (index < 0 || index > ListCount()) index = ListCount();
    items_.insert(items_.begin() + index, text);
    selected_.insert(selected_.begin() + index, false);
    if (listIndex_ >= index) ++listIndex_;
    changed(Property::Items);
}

void ListBox::RemoveItem(int index) {
    if (index < 0 || index >= ListCount()) throw std::out_of_range("ListBox::RemoveItem: no such item");
    items_.erase(items_.begin() + index);
    selected_.erase(selected_.begin() + index);
    if (listIndex_ == index)
        listIndex_ = -1;
    else if (listIndex_ > index)
        --listIndex_;
    changed(Property::Items);
}

void ListBox::Clear() {
    items_.clear();
    selected_.clear();
    listIndex_ = -1;
    changed(Property::Items);
}

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
    selected_.resize(items_.size(), false);
    if (Click) dispatchEvent(Click);
}

void ListBox::userDoubleClicked() {
    if (effectivelyEnabled() && DblClick) dispatchEvent(DblClick);
}

}  // namespace tk
