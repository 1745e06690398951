#include "toolkit/combo_box.h"

#include <stdexcept>

#include "toolkit/events.h"

namespace tk {

void ComboBox::ListIndex(int index) {
    if (index < -1 || index >= ListCount()) throw std::out_of_range("ComboBox::ListIndex: no such item");
    if (index == listIndex_) return;
    listIndex_ = index;
    const std::wstring text = index >= 0 ? List(index) : std::wstring();
    const bool textChanged = text != text_;
    text_ = text;
    changed(Property::Selection);
    if (textChanged && Change) dispatchEvent(Change);
    if (Click) dispatchEvent(Click);
}

void ComboBox::Text(const std::wstring& text) {
    if (text == text_) return;
    text_ = text;
    listIndex_ = -1;
    for (int i = 0; i < ListCount() && listIndex_ < 0; ++i)
        if (List(i) == text) listIndex_ = i;
    changed(Property::Text);
    if (Change) dispatchEvent(Change);
}

int ComboBox::userKeyPress(int keyAscii) {
    if (!effectivelyEnabled()) return 0;
    if (KeyPress) dispatchEvent([&] { KeyPress(keyAscii); });
    return keyAscii;
}

void ComboBox::userSelected(int index) {
    if (!effectivelyEnabled() || index < -1 || index >= ListCount() || index == listIndex_) return;
    listIndex_ = index;
    const std::wstring text = index >= 0 ? List(index) : std::wstring();
    const bool textChanged = text != text_;
    text_ = text;
    if (textChanged && Change) dispatchEvent(Change);
    if (Click) dispatchEvent(Click);
}

void ComboBox::userEdited(const std::wstring& text) {
    if (!effectivelyEnabled() || listOnly || text == text_) return;
    text_ = text;
    listIndex_ = -1;
    if (Change) dispatchEvent(Change);
}

}  // namespace tk
