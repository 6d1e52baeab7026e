#include "platform/win/PerformanceCounter.h"

#include <chrono>
#include <mutex>

namespace {

std::mutex sourceMutex;
std::function<std::int64_t()> counterSource;

}  // namespace

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (!frequency) return FALSE;
    frequency->QuadPart = 1000000000;
    return TRUE;
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count)
{
    if (!count) return FALSE;
    {
        std::lock_guard lock(sourceMutex);
        if (counterSource) {
            count->QuadPart = counterSource();
            return TRUE;
        }
    }
    count->QuadPart = std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count();
    return TRUE;
}

namespace platform::win {

void SetPerformanceCounterSource(std::function<std::int64_t()> source)
{
    std::lock_guard lock(sourceMutex);
    counterSource = std::move(source);
}

}  // namespace platform::win
