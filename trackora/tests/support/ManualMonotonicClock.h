// A monotonic clock that a test steps by hand, in place of the system's while the object lives.
#pragma once

#include <chrono>

#include "platform/Clock.h"

class ManualMonotonicClock {
  public:
    ManualMonotonicClock() {
        SetMonotonicClock([this] { return now_; });
    }
    ~ManualMonotonicClock() { SetMonotonicClock(nullptr); }
    ManualMonotonicClock(const ManualMonotonicClock&) = delete;
    ManualMonotonicClock& operator=(const ManualMonotonicClock&) = delete;

    void Advance(MonoTime::duration step) { now_ += step; }

  private:
    MonoTime now_{std::chrono::hours(1)};
};
