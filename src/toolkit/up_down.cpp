#include "toolkit/up_down.h"

#include <optional>

#include "toolkit/events.h"
#include "toolkit/text_box.h"

namespace tk {
namespace {

bool blank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\x3000'; }

// The whole number a text box shows, blanks around it allowed; nothing for other text.
std::optional<long long> shownNumber(const std::wstring& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    bool negative = false;
    if (begin < end && (text[begin] == L'-' || text[begin] == L'+')) negative = text[begin++] == L'-';
    if (begin == end || end - begin > 12) return std::nullopt;
    long long number = 0;
    for (size_t i = begin; i < end; ++i) {
        if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
        number = number * 10 + (text[i] - L'0');
    }
    return negative ? -number : number;
}

}  // namespace

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
    if (BuddyControl) from = shownNumber(BuddyControl->Text()).value_or(value_);
    Value(clamp(from + static_cast<long long>(steps) * Increment));
}

}  // namespace tk
