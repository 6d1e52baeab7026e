#include "tarnwick/utils/Timer.h"

#include "platform/win/PerformanceCounter.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace qz::utils {

namespace {

std::int64_t ReadFrequency()
{
    LARGE_INTEGER frequency {};
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart > 0 ? frequency.QuadPart : 1;
}

const std::int64_t performanceFrequency = ReadFrequency();

}  // namespace

std::int64_t PerformanceFrequency()
{
    return performanceFrequency;
}

double PerformanceCounterMilliseconds()
{
    LARGE_INTEGER now {};
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(performanceFrequency) * 1000.0;
}

void Timer::Update()
{
    if (state_ != Running) return;
    const double now = PerformanceCounterMilliseconds();
    elapsed_ = (now - last_) * scale_;
    last_ = now;
    total_ += elapsed_;
}

void Timer::Stop()
{
    Update();
    state_ = Stopped;
}

void Timer::Reset()
{
    Update();
    total_ = 0.0;
    elapsed_ = 0.0;
    state_ = Running;
    last_ = PerformanceCounterMilliseconds();
}

void Timer::Start()
{
    if (state_ == Stopped) {
        Reset();
        return;
    }
    elapsed_ = 0.0;
    state_ = Running;
    last_ = PerformanceCounterMilliseconds();
}

void Timer::Pause()
{
    Update();
    state_ = Paused;
}

std::string FormatDuration(double milliseconds)
{
    // NaN and values beyond 64 bits would make the conversion undefined; show them as 0
    // and as the largest count.
    std::int64_t t = 0;
    if (std::isnan(milliseconds)) {
        t = 0;
    } else if (milliseconds >= 9.2e18) {
        t = std::numeric_limits<std::int64_t>::max();
    } else if (milliseconds <= -9.2e18) {
        t = std::numeric_limits<std::int64_t>::min();
    } else {
        t = static_cast<std::int64_t>(milliseconds);
    }
    const long long ms = t;
    const long long s = ms / 1000;
    char text[1024];
    if (!(milliseconds >= 1000.0)) {  // also NaN and every negative value
        std::snprintf(text, sizeof(text), "%03lld ms", ms);
    } else if (milliseconds < 60000.0) {
        std::snprintf(text, sizeof(text), "%02lld s %03lld ms", s, ms % 1000);
    } else if (milliseconds < 3600000.0) {
        std::snprintf(text, sizeof(text), "%02lld m %02lld s", s / 60, s % 60);
    } else {
        const long long h = s / 3600;
        std::snprintf(text, sizeof(text), "%02lld h %02lld m", h, s / 60 - h * 60);
    }
    return text;
}

std::ostream& operator<<(std::ostream& out, const Timer& timer)
{
    return out << FormatDuration(timer.Total());
}

}  // namespace qz::utils
