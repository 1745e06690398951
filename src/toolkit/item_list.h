// The items shared by the list box and the combo box: texts in order, and the
// index of the chosen one (-1 for none), which follows its item when others
// come and go before it.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "toolkit/control.h"

namespace tk {

class ItemList : public Control {
public:
    using Control::Control;

    // Appends the item, or inserts it before index.
    void AddItem(const std::wstring& text, int index = -1) {
        if (index < 0 || index > ListCount()) index = ListCount();
        items_.insert(items_.begin() + index, text);
        itemInserted(index);
        if (listIndex_ >= index) ++listIndex_;
        changed(Property::Items);
    }
    void RemoveItem(int index) {
        if (index < 0 || index >= ListCount()) throw std::out_of_range("RemoveItem: no such item");
        items_.erase(items_.begin() + index);
        itemRemoved(index);
        if (listIndex_ == index)
            listIndex_ = -1;
        else if (listIndex_ > index)
            --listIndex_;
        changed(Property::Items);
    }
    void Clear() {
        items_.clear();
        itemsCleared();
        listIndex_ = -1;
        changed(Property::Items);
    }
    int ListCount() const { return static_cast<int>(items_.size()); }
    const std::wstring& List(int index) const { return items_.at(static_cast<size_t>(index)); }

protected:
    ~ItemList() override = default;
    // For what a kind keeps beside each item: called once the item list has changed.
    virtual void itemInserted(int) {}
    virtual void itemRemoved(int) {}
    virtual void itemsCleared() {}

    int listIndex_ = -1;

private:
    std::vector<std::wstring> items_;
};

}  // namespace tk
