// An up-down control: two arrows that step a whole number within a range and
// write it into the text box it is bound to (its buddy).
#pragma once

#include <string>

#include "toolkit/controls.h"

namespace tk {

class TextBox;

class UpDown : public Control {
public:
    explicit UpDown(Container& parent) : Control(parent, ControlKind::UpDown) {}

    // Set before the window loads. The value never leaves Min..Max: at either end
    // the arrow pointing further does nothing (no wrap-around).
    TextBox* BuddyControl = nullptr;
    int Min = 0;
    int Max = 10;
    int Increment = 1;

    int Value() const { return value_; }
    // Moves to the value, kept within the range, and writes it into the buddy.
    void Value(int value);
    // Runs when the value changes.
    Handler Change;

    // For the backends: the user pressed an arrow, steps times (negative: the down
    // arrow). Counts from the number the buddy shows when it holds one.
    void userSpin(int steps);

private:
    int clamp(long long value) const;
    int value_ = 0;
};

}  // namespace tk
