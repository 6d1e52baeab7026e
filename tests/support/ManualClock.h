#pragma once
// Drives the performance counter by hand, in milliseconds, while it lives.

#include "platform/win/PerformanceCounter.h"

#include <cstdint>

namespace qz::test {

class ManualClock {
public:
    ManualClock() { platform::win::SetPerformanceCounterSource([this] { return nanoseconds_; }); }
    ~ManualClock() { platform::win::SetPerformanceCounterSource({}); }
    ManualClock(const ManualClock&) = delete;
    ManualClock& operator=(const ManualClock&) = delete;
    void Advance(double milliseconds) { nanoseconds_ += static_cast<std::int64_t>(milliseconds * 1e6); }

private:
    std::int64_t nanoseconds_ = 5'000'000'000;
};

}  // namespace qz::test
