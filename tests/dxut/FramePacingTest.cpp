// Presents paced to the refresh rate, and the frame clock with its frames per second.

#include "platform/dxut/FramePacer.h"
#include "platform/dxut/FrameStatistics.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using platform::dxut::FramePacer;
using Clock = FramePacer::Clock;
using std::chrono::milliseconds;

struct FakeTime {
    Clock::time_point now{};
    std::vector<Clock::time_point> sleeps;

    FramePacer Pacer(double rate)
    {
        return FramePacer(rate, [this] { return now; }, [this](Clock::time_point until) {
            sleeps.push_back(until);
            if (until > now) now = until;
        });
    }
};

TEST(FramePacer, WaitsForTheNextRefreshOrTheOneAfterALateFrame)
{
    FakeTime time;
    FramePacer pacer = time.Pacer(100.0);  // 10 ms
    EXPECT_EQ(milliseconds(10), pacer.Period());
    const Clock::time_point start = time.now;
    pacer.Wait(1);  // the first present sets the phase
    EXPECT_TRUE(time.sleeps.empty());
    time.now += milliseconds(3);
    pacer.Wait(1);
    ASSERT_EQ(1u, time.sleeps.size());
    EXPECT_EQ(start + milliseconds(10), time.sleeps.back());
    time.now += milliseconds(25);  // a slow frame: the refresh at 40 ms is the next one
    pacer.Wait(1);
    EXPECT_EQ(start + milliseconds(40), time.sleeps.back());
    time.now += milliseconds(1);
    pacer.Wait(2);
    EXPECT_EQ(start + milliseconds(60), time.sleeps.back());
    const std::size_t sleeps = time.sleeps.size();
    pacer.Wait(0);
    EXPECT_EQ(sleeps, time.sleeps.size()) << "interval 0 never waits";
}

TEST(FramePacer, UnknownRefreshRateCountsAsSixtyHertz)
{
    FakeTime time;
    EXPECT_EQ(std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / 60.0)),
              time.Pacer(0.0).Period());
}

TEST(FramePacer, RealWaitsTakeAtLeastTheirPeriods)
{
    FramePacer pacer(200.0);  // 5 ms
    const auto start = Clock::now();
    for (int frame = 0; frame < 6; ++frame) pacer.Wait(1);
    EXPECT_GE(Clock::now() - start, milliseconds(25)) << "five refreshes after the first present";
}

TEST(FrameStatistics, TimesAndFramesPerSecond)
{
    platform::dxut::FrameStatistics statistics;
    Clock::time_point now{};
    statistics.BeginFrame(now);
    EXPECT_EQ(0.0, statistics.Time());
    EXPECT_EQ(0.0f, statistics.ElapsedTime());
    for (int frame = 0; frame < 50; ++frame) {
        statistics.EndFrame(now + milliseconds(5));
        now += milliseconds(20);
        statistics.BeginFrame(now);
    }
    EXPECT_FLOAT_EQ(0.02f, statistics.ElapsedTime());
    EXPECT_DOUBLE_EQ(1.0, statistics.Time());
    EXPECT_EQ(0.0f, statistics.Fps()) << "no second completed before the last frame's end";
    statistics.EndFrame(now + milliseconds(5));
    EXPECT_NEAR(51.0f / 1.005f, statistics.Fps(), 1e-3f);

    // Time spent minimised is no frame's length.
    statistics.Pause();
    now += std::chrono::seconds(30);
    statistics.BeginFrame(now);
    EXPECT_EQ(0.0f, statistics.ElapsedTime());
    EXPECT_NEAR(1.0, statistics.Time(), 1e-9) << "the clock goes on from the last frame";
}

}  // namespace
