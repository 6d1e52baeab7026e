#include "platform/dxut/FramePacer.h"

#include <thread>

namespace platform::dxut {

FramePacer::FramePacer(double refreshRate, Now now, SleepUntil sleepUntil)
    : period_(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / (refreshRate > 0.0 ? refreshRate : 60.0)))),
      now_(std::move(now)),
      sleepUntil_(std::move(sleepUntil))
{
}

void FramePacer::Wait(unsigned syncInterval)
{
    const Clock::time_point now = now_();
    if (!started_) {
        // The first present sets the phase of the refreshes.
        started_ = true;
        lastRefresh_ = now;
        return;
    }
    if (syncInterval == 0) {
        return;
    }
    Clock::time_point target = lastRefresh_ + period_ * syncInterval;
    if (target < now) {
        const auto missed = (now - lastRefresh_ + period_ - Clock::duration(1)) / period_;
        target = lastRefresh_ + period_ * missed;
    }
    sleepUntil_(target);
    lastRefresh_ = target;
}

void FramePacer::DefaultSleep(Clock::time_point until) { std::this_thread::sleep_until(until); }

}  // namespace platform::dxut
