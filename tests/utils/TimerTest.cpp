#include "tarnwick/utils/Timer.h"

#include "tarnwick/core/Logging.h"
#include "platform/win/PerformanceCounter.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using qz::utils::FormatDuration;
using qz::utils::Timer;

// Drives the performance counter by hand, in milliseconds.
class ManualClock {
public:
    ManualClock()
    {
        platform::win::SetPerformanceCounterSource([this] { return nanoseconds_; });
    }
    ~ManualClock() { platform::win::SetPerformanceCounterSource({}); }
    void Advance(double milliseconds) { nanoseconds_ += static_cast<std::int64_t>(milliseconds * 1e6); }

private:
    std::int64_t nanoseconds_ = 5'000'000'000;
};

TEST(Timer, StartsStoppedAtZero)
{
    ManualClock clock;
    Timer timer;
    EXPECT_EQ(Timer::Stopped, timer.GetState());
    EXPECT_EQ(0.0, timer.Total());
    EXPECT_EQ(0.0, timer.Elapsed());
    EXPECT_EQ(1.0, timer.Scale());
    clock.Advance(10);
    timer.Update();
    EXPECT_EQ(0.0, timer.Total()) << "a stopped timer does not count";
}

TEST(Timer, MeasuresScaledIntervalsAtUpdates)
{
    ManualClock clock;
    Timer timer;
    timer.Start();
    clock.Advance(10);
    timer.Update();
    EXPECT_DOUBLE_EQ(10.0, timer.Total());
    EXPECT_DOUBLE_EQ(10.0, timer.Elapsed());
    timer.SetScale(0.5);
    clock.Advance(10);
    timer.Update();
    EXPECT_DOUBLE_EQ(5.0, timer.Elapsed());
    EXPECT_DOUBLE_EQ(15.0, timer.Total());
}

TEST(Timer, StartKeepsTotalWhileRunningAndRestartsWhenStopped)
{
    ManualClock clock;
    Timer timer;
    timer.Start();
    clock.Advance(20);
    timer.Update();
    clock.Advance(7);
    timer.Start();  // running: total stays, the 7 ms since the update are dropped
    EXPECT_DOUBLE_EQ(20.0, timer.Total());
    EXPECT_EQ(0.0, timer.Elapsed());
    clock.Advance(5);
    timer.Stop();
    EXPECT_DOUBLE_EQ(25.0, timer.Total());
    EXPECT_DOUBLE_EQ(5.0, timer.Elapsed());
    clock.Advance(100);
    timer.Update();
    EXPECT_DOUBLE_EQ(25.0, timer.Total());
    timer.Start();  // stopped: starts again from 0
    EXPECT_EQ(0.0, timer.Total());
    clock.Advance(3);
    timer.Reset();
    EXPECT_EQ(0.0, timer.Total());
    EXPECT_EQ(Timer::Running, timer.GetState());
}

TEST(Timer, PauseSumsSeveralRuns)
{
    ManualClock clock;
    Timer timer;
    timer.Start();
    clock.Advance(30);
    timer.Pause();
    clock.Advance(1000);
    timer.Update();
    EXPECT_DOUBLE_EQ(30.0, timer.Total());
    timer.Start();
    clock.Advance(12);
    timer.Pause();
    EXPECT_DOUBLE_EQ(42.0, timer.Total());
}

TEST(Timer, LogsItsDurationText)
{
    ManualClock clock;
    Timer timer;
    timer.Start();
    clock.Advance(1234);
    timer.Stop();
    qz::test::CoutCapture console;
    std::string text;
    {
        auto message = qz::core::Logger::BeginMessageWith("Processing of timestep ");
        message << 3 << " took " << timer;
        text = message.Text();
    }
    EXPECT_EQ("Processing of timestep 3 took 01 s 234 ms", text);
}

TEST(FormatDuration, Table)
{
    const std::pair<double, const char*> cases[] = {
        {5, "005 ms"},          {1234.9, "01 s 234 ms"}, {61000, "01 m 01 s"},
        {3723000, "01 h 02 m"}, {999.9, "999 ms"},       {1000, "01 s 000 ms"},
        {59999, "59 s 999 ms"}, {60000, "01 m 00 s"},    {3600000, "01 h 00 m"},
        {-5, "-05 ms"},         {0, "000 ms"},           {90061000, "25 h 01 m"},
    };
    for (const auto& [milliseconds, text] : cases) {
        EXPECT_EQ(text, FormatDuration(milliseconds)) << milliseconds;
    }
}

TEST(FormatDuration, NonFiniteAndHugeValuesAreSafe)
{
    EXPECT_EQ("000 ms", FormatDuration(std::nan("")));
    EXPECT_EQ("-9223372036854775808 ms", FormatDuration(-std::numeric_limits<double>::infinity()));
    EXPECT_EQ("-9223372036854775808 ms", FormatDuration(-1e300));
    EXPECT_EQ("2562047788015 h 12 m", FormatDuration(std::numeric_limits<double>::infinity()));
    EXPECT_EQ("2562047788015 h 12 m", FormatDuration(1e300));
}

}  // namespace
