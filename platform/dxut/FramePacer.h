#pragma once
// Paces presents as a display's vertical blank would: with a sync interval of n, a
// present waits until the n-th refresh after the previous one, or until the next refresh
// when it comes later than that. Interval 0 never waits.

#include <chrono>
#include <functional>

namespace platform::dxut {

class FramePacer {
public:
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;
    using SleepUntil = std::function<void(Clock::time_point)>;

    // Refresh rates of 0 or less count as 60 Hz.
    explicit FramePacer(double refreshRate, Now now = Clock::now, SleepUntil sleepUntil = DefaultSleep);

    void Wait(unsigned syncInterval);
    Clock::duration Period() const { return period_; }

private:
    static void DefaultSleep(Clock::time_point until);

    Clock::duration period_;
    Now now_;
    SleepUntil sleepUntil_;
    bool started_ = false;
    Clock::time_point lastRefresh_;
};

}  // namespace platform::dxut
