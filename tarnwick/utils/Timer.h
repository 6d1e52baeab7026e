#pragma once
// A millisecond stopwatch on the performance counter. Intervals are scaled as they are
// measured; a stopped timer starts again from zero.

#include <cstdint>
#include <ostream>
#include <string>

namespace qz::utils {

// Counter readings per second, read once at start-up; ms = reading / frequency * 1000.
std::int64_t PerformanceFrequency();
// The performance counter now, in milliseconds.
double PerformanceCounterMilliseconds();

class Timer {
public:
    enum State : int { Stopped = 0, Paused = 1, Running = 2 };

    Timer() { Stop(); }

    void Update();
    void Stop();
    void Reset();
    void Start();
    void Pause();

    // Scaled milliseconds since the last reset.
    double Total() const { return total_; }
    // Scaled milliseconds between the last two updates.
    double Elapsed() const { return elapsed_; }
    double Scale() const { return scale_; }
    void SetScale(double scale) { scale_ = scale; }
    State GetState() const { return state_; }

private:
    double total_ = 0.0;
    double last_ = 0.0;
    double elapsed_ = 0.0;
    double scale_ = 1.0;
    State state_ = Stopped;
};

// "005 ms", "01 s 234 ms", "01 m 01 s", "01 h 02 m".
std::string FormatDuration(double milliseconds);

// Writes the duration text of the timer's total.
std::ostream& operator<<(std::ostream& out, const Timer& timer);

}  // namespace qz::utils
