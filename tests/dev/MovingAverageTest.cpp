#include "tarnwick/dev/MovingAverage.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace {

struct Case {
    const char* what;
    std::vector<double> samples;  // a NaN stands for a Reset
    double average;
};

TEST(MovingAverage, AveragesTheLastTenSamples)
{
    const double reset = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const std::vector<Case> cases = {
        {"nothing added", {}, 0.0},
        {"fewer than ten", {1, 2, 3}, 2.0},
        {"ten", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 5.5},
        {"the last ten of twelve", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 7.5},
        {"after a reset", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, reset, 4}, 4.0},
        {"reset alone", {5, reset}, 0.0},
        {"an infinite sample leaves after ten more", {infinity, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}, 2.0},
    };
    for (const Case& test : cases) {
        qz::dev::MovingAverage<double, 10> average;
        qz::dev::MovingAverage<float, 10> single;
        for (double sample : test.samples) {
            if (sample != sample) {
                average.Reset();
                single.Reset();
            } else {
                average.AddValue(sample);
                single.AddValue(static_cast<float>(sample));
            }
        }
        EXPECT_DOUBLE_EQ(test.average, average.GetAverage()) << test.what;
        EXPECT_FLOAT_EQ(static_cast<float>(test.average), single.GetAverage()) << test.what;
    }
}

}  // namespace
