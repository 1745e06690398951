#include "toolkit/up_down.h"

#include <optional>

#include "toolkit/typed_number.h"
#include "toolkit/events.h"
#include "toolkit/text_box.h"

namespace tk {

int UpDown::clamp(long long value) const {
    if (value > Max) value = Max;
    if (value < Min) value = Min;
    return static_cast<int>(value);
}

void UpDown::Value(int value) {
    const int next = clamp(value);
    const bool moved = next != value_;
    value_ = next;
    if (moved) changed(Property::Value);
    if (BuddyControl) BuddyControl->Text(std::to_wstring(value_));
    if (moved && Change) dispatchEvent(Change);
}

void UpDown::userSpin(int steps) {
    if (!effectivelyEnabled() || (BuddyControl && !BuddyControl->effectivelyEnabled())) return;
    long long from = value_;
    if (BuddyControl) from = typedWholeNumber(BuddyControl->Text()).value_or(value_);
    Value(clamp(from + static_cast<long long>(steps) * Increment));
}

}  // namespace tk
