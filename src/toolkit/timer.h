// A timer that ticks on the window thread, between messages: for work that a
// window does a little at a time, or for waiting on another thread's answer
// without blocking the window. Under Win32 a thread timer of the message loop
// (SetTimer); headless, and behind the tests' backend, nothing ticks on its own:
// a test calls userTick().
#pragma once

#include "toolkit/controls.h"

namespace tk {

class Timer {
public:
    Timer() = default;
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Milliseconds between ticks; 0 stops the timer.
    int Interval() const { return interval_; }
    void Interval(int milliseconds);

    Handler Tick;

    // The time is up: runs Tick.
    void userTick();

private:
    int interval_ = 0;
};

}  // namespace tk
