#include "tarnwick/utils/ConsoleSpinner.h"
#include "tarnwick/utils/Timer.h"

#include "tarnwick/core/Logging.h"
#include "tests/support/ManualClock.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

namespace {

using qz::test::ManualClock;
using qz::utils::FormatDuration;
using qz::utils::Timer;

TEST(Timer, StatesScaleAndTotals)
{
    ManualClock clock;
    Timer timer;
    EXPECT_TRUE(timer.GetState() == Timer::Stopped && timer.Total() == 0 && timer.Elapsed() == 0 && timer.Scale() == 1);
    clock.Advance(10);
    timer.Update();
    EXPECT_EQ(0.0, timer.Total()) << "a stopped timer does not count";

    timer.Start();
    clock.Advance(10);
    timer.Update();
    EXPECT_DOUBLE_EQ(10.0, timer.Total());
    timer.SetScale(0.5);
    clock.Advance(10);
    timer.Update();
    EXPECT_DOUBLE_EQ(5.0, timer.Elapsed());
    EXPECT_DOUBLE_EQ(15.0, timer.Total());
    timer.SetScale(1);
    clock.Advance(7);
    timer.Start();  // running: the total stays, the 7 ms since the update are dropped
    EXPECT_DOUBLE_EQ(15.0, timer.Total());
    EXPECT_EQ(0.0, timer.Elapsed());
    clock.Advance(5);
    timer.Stop();
    EXPECT_DOUBLE_EQ(20.0, timer.Total());
    EXPECT_DOUBLE_EQ(5.0, timer.Elapsed());
    clock.Advance(100);
    timer.Update();
    EXPECT_DOUBLE_EQ(20.0, timer.Total());
    timer.Start();  // stopped: starts again from 0
    EXPECT_EQ(0.0, timer.Total());

    clock.Advance(30);
    timer.Pause();
    clock.Advance(1000);
    timer.Update();
    EXPECT_DOUBLE_EQ(30.0, timer.Total());
    EXPECT_EQ(Timer::Paused, timer.GetState());
    timer.Start();
    clock.Advance(12);
    timer.Pause();
    EXPECT_DOUBLE_EQ(42.0, timer.Total()) << "pauses sum the runs";
    timer.Reset();
    EXPECT_EQ(0.0, timer.Total());
    EXPECT_EQ(Timer::Running, timer.GetState());

    clock.Advance(1234);
    timer.Stop();
    qz::test::CoutCapture console;
    qz::core::Logger::BeginMessageWith("took ") << timer;
    EXPECT_EQ("took 01 s 234 ms\n", console.Text());
}

TEST(FormatDuration, Table)
{
    const double huge = std::numeric_limits<double>::infinity();
    const std::pair<double, const char*> cases[] = {
        {5, "005 ms"}, {1234.9, "01 s 234 ms"}, {61000, "01 m 01 s"}, {3723000, "01 h 02 m"}, {999.9, "999 ms"},
        {1000, "01 s 000 ms"}, {59999, "59 s 999 ms"}, {60000, "01 m 00 s"}, {3600000, "01 h 00 m"}, {-5, "-05 ms"},
        {0, "000 ms"}, {90061000, "25 h 01 m"}, {std::nan(""), "000 ms"}, {-huge, "-9223372036854775808 ms"},
        {-1e300, "-9223372036854775808 ms"}, {huge, "2562047788015 h 12 m"}, {1e300, "2562047788015 h 12 m"}};
    for (const auto& [milliseconds, text] : cases) EXPECT_EQ(text, FormatDuration(milliseconds)) << milliseconds;
}

TEST(ConsoleSpinner, MarkerRunsForthAndBack)
{
    using qz::utils::ConsoleSpinner;
    for (int frame = 1; frame <= 60; ++frame) {
        const std::size_t expected = frame < 30 ? frame + 1 : frame < 60 ? 60 - frame : 1;
        EXPECT_EQ(expected, ConsoleSpinner::Frame("", frame).substr(3).find_first_of("|/-\\")) << frame;
    }
    EXPECT_EQ("\rReading PARTIO data: [ /                            ]", ConsoleSpinner::Frame("Reading PARTIO data", 1));
    EXPECT_EQ("\r: [  -   ", ConsoleSpinner::Frame("", 2).substr(0, 10));
    EXPECT_EQ('\\', ConsoleSpinner::Frame("", 3)[7]);
    EXPECT_EQ('|', ConsoleSpinner::Frame("", 4)[8]);
}

TEST(ConsoleSpinner, StopsCleanlyOnEveryPath)
{
    qz::utils::ConsoleSpinner spinner;
    spinner.Finish();  // never started
    spinner.Start("Reading PARTIO data");
    EXPECT_TRUE(spinner.IsRunning());
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    spinner.Finish();
    EXPECT_FALSE(spinner.IsRunning());
    spinner.Finish();
    spinner.Start();
    spinner.Start("restarted while running");
    EXPECT_TRUE(spinner.IsRunning());
    for (int i = 0; i < 20; ++i) {
        qz::utils::ConsoleSpinner quick;
        quick.Start("destroyed while running");
        if (i % 2) quick.Finish();
    }
}

}  // namespace
