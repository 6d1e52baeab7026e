// File names of saved timesteps: the user's base name is taken as it stands.

#include "src/ProcessedFileName.h"

#include <gtest/gtest.h>

namespace {

TEST(TimestepFileName, PatternTakesTheTimestep)
{
    EXPECT_EQ("run_0000.ppv", FormatTimestepFileName("run_%04d.ppv", 0));
    EXPECT_EQ("run_0002.ppv", FormatTimestepFileName("run_%04d.ppv", 2));
    EXPECT_EQ("run_12345.ppv", FormatTimestepFileName("run_%04d.ppv", 12345));
    EXPECT_EQ("  7", FormatTimestepFileName("%3u", 7));
    EXPECT_EQ("%3u|007", FormatTimestepFileName("%3u|%.3i", 7));
    EXPECT_EQ("a_5", FormatTimestepFileName("a_%ld", 5));
    EXPECT_EQ("plain.ppv", FormatTimestepFileName("plain.ppv", 3));
}

TEST(TimestepFileName, PercentInTheBaseNameIsACharacter)
{
    EXPECT_EQ("100%_0001.ppv", FormatTimestepFileName("100%_%04d.ppv", 1));
    EXPECT_EQ("%s%n%x_0003.ppv", FormatTimestepFileName("%s%n%x_%04d.ppv", 3));
    EXPECT_EQ("take%d_0004.ppv", FormatTimestepFileName("take%d_%04d.ppv", 4));
    EXPECT_EQ("a%%b_0001.ppv", FormatTimestepFileName("a%%b_%04d.ppv", 1));
    EXPECT_EQ("end%", FormatTimestepFileName("end%", 1));
    // A width no file name needs is not a conversion.
    EXPECT_EQ("w%99999999d_0001.ppv", FormatTimestepFileName("w%99999999d_%04d.ppv", 1));
}

TEST(TimestepFileName, LongBaseNamesAreKeptWhole)
{
    const std::string base(5000, 'n');
    EXPECT_EQ(base + "_0009.ppv", FormatTimestepFileName(base + "_%04d.ppv", 9));
    EXPECT_EQ(std::string(999 - 1, ' ') + "1", FormatTimestepFileName("%999d", 1));
}

}  // namespace
