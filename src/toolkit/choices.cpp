#include "toolkit/choices.h"

#include <algorithm>
#include <vector>

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

namespace {

std::vector<OptionButton*> groupOf(const OptionButton& option) {
    std::vector<OptionButton*> group;
    for (Control* control : windowOrder(option.parent()))
        if (auto* member = dynamic_cast<OptionButton*>(control)) group.push_back(member);
    return group;
}

}  // namespace

OptionButton& OptionButton::arrowTarget(bool forward) {
    const std::vector<OptionButton*> group = groupOf(*this);
    const auto count = static_cast<std::ptrdiff_t>(group.size());
    const std::ptrdiff_t at = std::find(group.begin(), group.end(), this) - group.begin();
    for (std::ptrdiff_t step = 1; step < count; ++step) {
        OptionButton* next = group[static_cast<size_t>(((at + (forward ? step : -step)) % count + count) % count)];
        if (next->effectivelyEnabled() && next->Visible()) return *next;
    }
    return *this;
}

bool OptionButton::isTabStop() const {
    const std::vector<OptionButton*> group = groupOf(*this);
    const bool anyChosen = std::any_of(group.begin(), group.end(), [](OptionButton* b) { return b->Value(); });
    return anyChosen ? value_ : group.front() == this;
}

}  // namespace tk
