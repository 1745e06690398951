#include "toolkit/progress_bar.h"

namespace tk {

void ProgressBar::Value(int value) {
    const int next = value < 0 ? 0 : value > kSteps ? kSteps : value;
    if (next == value_) return;
    value_ = next;
    changed(Property::Value);
}

void ProgressBar::Value(unsigned long long done, unsigned long long total) {
    Value(total == 0 ? 0 : done >= total ? kSteps : static_cast<int>(static_cast<double>(done) / total * kSteps));
}

}  // namespace tk
