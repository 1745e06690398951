// Controls the user turns on and off: check boxes and option buttons.
#pragma once

#include "toolkit/controls.h"

namespace tk {

namespace checked {
constexpr int Unchecked = 0;
constexpr int Checked = 1;
}  // namespace checked

class CheckBox : public CaptionedControl {
public:
    explicit CheckBox(Container& parent) : CaptionedControl(parent, ControlKind::CheckBox) {}

    int Value() const { return value_; }
    // Setting a different value runs the click handler, as a click would.
    void Value(int value);
    Handler Click;

    // For the backends: the user clicked the box.
    void userToggled();

private:
    int value_ = checked::Unchecked;
};

// One of a group of option buttons: the buttons that share a container. Turning
// one on turns the others of its group off. The group is one stop of the
// keyboard's tab cycle; the arrow keys move within it, as in a dialog box.
class OptionButton : public CaptionedControl {
public:
    explicit OptionButton(Container& parent) : CaptionedControl(parent, ControlKind::OptionButton) {}

    bool Value() const { return value_; }
    // Turning it on runs the click handler; turning it off runs nothing.
    void Value(bool on);
    Handler Click;

    // For the backends: the user chose this button.
    void userChose();
    // The button that an arrow key on this one moves to: the next (or previous)
    // usable button of the group, wrapping at either end; itself when it is alone.
    OptionButton& arrowTarget(bool forward);
    // The button of its group that Tab stops at: the chosen one, else the first.
    bool isTabStop() const;

private:
    bool value_ = false;
};

}  // namespace tk
