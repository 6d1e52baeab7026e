#pragma once
// Averages of the last few samples, for frame times.

#include <algorithm>
#include <array>
#include <cstdint>

namespace qz::dev {

template <class T>
class Average {
public:
    virtual ~Average() = default;

    virtual void AddValue(T value) = 0;
    virtual void Reset() = 0;

    T GetAverage() const { return average_; }

protected:
    T average_{};
};

// The average of the last N samples added (of all of them while fewer were added).
template <class T, int N>
class MovingAverage : public Average<T> {
    static_assert(N > 0);

public:
    void AddValue(T value) override
    {
        ring_[static_cast<std::size_t>(count_ % N)] = value;
        ++count_;
        // Summed afresh from the window rather than kept running: a running sum of
        // floating-point samples drifts, and one non-finite sample would spoil it for good
        // instead of for N samples.
        sum_ = T{};
        for (const T& sample : ring_) {
            sum_ += sample;
        }
        this->average_ = sum_ / static_cast<T>(std::min<std::int64_t>(count_, N));
    }

    void Reset() override
    {
        this->average_ = T{};
        sum_ = T{};
        count_ = 0;
        ring_.fill(T{});
    }

    std::int64_t GetCount() const { return count_; }

private:
    T sum_{};
    std::int64_t count_ = 0;
    std::array<T, N> ring_{};
};

}  // namespace qz::dev
