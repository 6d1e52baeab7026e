#include "tarnwick/core/ErrorReport.h"

#include "tests/support/OutputCapture.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using qz::core::Logger;

// First in this executable: the logger does not exist yet.
TEST(LoggerRelease, AProgramThatNeverReleasesTheLoggerStillLeavesItsLog)
{
    EXPECT_EXIT(
        {
            Logger::BeginMessageWith("logged before exit");
            std::exit(3);
        },
        testing::ExitedWithCode(3), "");
    EXPECT_NE(std::string::npos, qz::test::ReadFile("./Log.txt").find("tarnwick Logfile\n"));
    EXPECT_NE(std::string::npos, qz::test::ReadFile("./Log.txt").find("\nlogged before exit\n"));
}

TEST(LoggerRelease, LateMessagesAndReportsAfterRelease)
{
    qz::test::CoutCapture console;
    Logger::BeginMessageWith("before release");
    Logger::Release();
    EXPECT_EQ(nullptr, Logger::Instance());
    EXPECT_NE(std::string::npos, qz::test::ReadFile("./Log.txt").find("before release\n"));

    Logger::BeginMessageWith("after release") << 1;
    Logger::Flush();
    const std::string text = qz::test::ErrorText([] { QZ_THROW("Late::Report", "still ", 2); });
    EXPECT_EQ(0u, text.find("\nMethod: Late::Report\nFile: \""));
    EXPECT_TRUE(text.ends_with("\nstill 2"));
    EXPECT_EQ("before release\n", console.Text());
    Logger::Release();  // twice is harmless
}

}  // namespace
