#include "tarnwick/utils/ConsoleSpinner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using qz::utils::ConsoleSpinner;

std::string::size_type MarkerIndex(int frame)
{
    const std::string bar = ConsoleSpinner::Frame("", frame).substr(3);  // "\r" ": "
    return bar.find_first_of("|/-\\");
}

TEST(ConsoleSpinner, MarkerRunsForthAndBack)
{
    EXPECT_EQ(2u, MarkerIndex(1));
    EXPECT_EQ(30u, MarkerIndex(29));
    EXPECT_EQ(30u, MarkerIndex(30));
    EXPECT_EQ(1u, MarkerIndex(60));
    for (int frame = 1; frame < 30; ++frame) EXPECT_EQ(static_cast<std::size_t>(frame + 1), MarkerIndex(frame));
    EXPECT_EQ("\rReading PARTIO data: [ /                            ]", ConsoleSpinner::Frame("Reading PARTIO data", 1));
    EXPECT_EQ("\r: [  -                           ]", ConsoleSpinner::Frame("", 2));
    EXPECT_EQ('\\', ConsoleSpinner::Frame("", 3)[3 + 4]);
    EXPECT_EQ('|', ConsoleSpinner::Frame("", 4)[3 + 5]);
}

TEST(ConsoleSpinner, StopsCleanlyOnEveryPath)
{
    ConsoleSpinner spinner;
    spinner.Finish();  // never started
    spinner.Start("Reading PARTIO data");
    EXPECT_TRUE(spinner.IsRunning());
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    spinner.Finish();
    EXPECT_FALSE(spinner.IsRunning());
    spinner.Finish();  // twice

    spinner.Start();
    spinner.Start("restarted while running");
    EXPECT_TRUE(spinner.IsRunning());
    spinner.Finish();

    {
        ConsoleSpinner unfinished;
        unfinished.Start("destroyed while running");
    }
}

TEST(ConsoleSpinner, FinishRightAfterStart)
{
    for (int i = 0; i < 20; ++i) {
        ConsoleSpinner spinner;
        spinner.Start("quick");
        spinner.Finish();
    }
}

}  // namespace
