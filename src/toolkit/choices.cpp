#include "toolkit/choices.h"

#include "toolkit/events.h"

namespace tk {

void CheckBox::Value(int value) {
    if (value == value_) return;
    value_ = value;
    changed(Property::Value);
    if (Click) dispatchEvent(Click);
}

void CheckBox::userToggled() {
    if (!effectivelyEnabled()) return;
    Value(value_ == checked::Checked ? checked::Unchecked : checked::Checked);
}

void OptionButton::Value(bool on) {
    if (!on) {
        if (value_) {
            value_ = false;
            changed(Property::Value);
        }
        return;
    }
    for (Control* sibling : parent().children())
        if (auto* other = dynamic_cast<OptionButton*>(sibling); other && other != this) other->Value(false);
    const bool was = value_;
    value_ = true;
    if (!was) changed(Property::Value);
    if (Click) dispatchEvent(Click);
}

void OptionButton::userChose() {
    if (effectivelyEnabled()) Value(true);
}

}  // namespace tk
