#include "toolkit/timer.h"

#include "toolkit/backend.h"

namespace tk {

Timer::~Timer() {
    if (interval_ != 0) backend().setTimer(*this, 0);
}

void Timer::Interval(int milliseconds) {
    if (milliseconds < 0) milliseconds = 0;
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    backend().setTimer(*this, interval_);
}

void Timer::userTick() {
    if (interval_ != 0 && Tick) Tick();
}

}  // namespace tk
