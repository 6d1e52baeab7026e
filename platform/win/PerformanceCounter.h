#pragma once
// The high-resolution performance counter: the steady clock in nanoseconds. Tests may
// replace the source of readings.

#include "platform/win/Types.h"

#include <functional>

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    std::int64_t QuadPart;
};

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);

namespace platform::win {

// Readings come from this source until it is reset with an empty function.
void SetPerformanceCounterSource(std::function<std::int64_t()> source);

}  // namespace platform::win
