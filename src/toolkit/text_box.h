// A one-line text box.
#pragma once

#include <functional>

#include "toolkit/controls.h"

namespace tk {

class TextBox : public Control {
public:
    explicit TextBox(Container& parent) : Control(parent, ControlKind::TextBox) {}

    const std::wstring& Text() const { return text_; }
    // A different text runs the change handler.
    void Text(const std::wstring& text);
    Handler Change;

    bool Locked = false;  // read-only: the user can select and copy, not type
    int MaxLength = 0;    // 0: no limit
    Alignment alignment = Alignment::Left;

    // For the backends: the user's typing left this text in the box.
    void userTyped(const std::wstring& text);

private:
    std::wstring text_;
};

}  // namespace tk
