// A combo box: an edit field with a drop-down list of items under it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "toolkit/controls.h"
#include "toolkit/item_list.h"

namespace tk {

class ComboBox : public ItemList {
public:
    explicit ComboBox(Container& parent) : ItemList(parent, ControlKind::ComboBox) {}

    // The selected item, -1 for none (also once the user has typed a text of his own).
    int ListIndex() const { return listIndex_; }
    // Selecting an item puts its text into the edit field and runs the click handler.
    void ListIndex(int index);
    Handler Click;

    // The edit field shows only the chosen item: no key, cut, paste or undo of
    // the user changes it, so the choice changes only through the list. Set by
    // the window's constructor.
    bool listOnly = false;

    // The text of the edit field.
    const std::wstring& Text() const { return text_; }
    void Text(const std::wstring& text);
    Handler Change;

    // A character key pressed in the box: the handler sees the character code
    // and may replace it; 0 discards the key. Keys that type nothing (arrows,
    // Delete, function keys) do not come here.
    std::function<void(int& keyAscii)> KeyPress;

    // For the backends. The user pressed a character key: returns the code
    // that the key goes on with, 0 when the handler discarded it.
    int userKeyPress(int keyAscii);
    // The user chose an item from the list (or with the arrow keys).
    void userSelected(int index);
    // The user's typing left this text in the edit field. Not taken by a box
    // that is disabled or listOnly: its peer then shows Text() again.
    void userEdited(const std::wstring& text);

private:
    std::wstring text_;
};

}  // namespace tk
