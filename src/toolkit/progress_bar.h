// A bar that fills as a long task goes on. Only code changes it.
#pragma once

#include "toolkit/controls.h"

namespace tk {

class ProgressBar : public Control {
public:
    explicit ProgressBar(Container& parent) : Control(parent, ControlKind::ProgressBar) {}

    // The range is fixed at 0..kSteps; Value(done, total) scales 64-bit counts (bytes) into it.
    static constexpr int kSteps = 1000;
    int Value() const { return value_; }
    void Value(int value);
    // The part done of the whole; a total of 0 shows nothing done.
    void Value(unsigned long long done, unsigned long long total);

private:
    int value_ = 0;
};

}  // namespace tk
