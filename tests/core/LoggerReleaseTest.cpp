#include "tarnwick/core/ErrorReport.h"

#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

namespace {

using qz::core::Logger;

TEST(LoggerRelease, LateMessagesAndReportsAfterReleaseDoNotCrash)
{
    qz::test::CoutCapture console;
    Logger::BeginMessageWith("before release");
    Logger::Release();
    EXPECT_EQ(nullptr, Logger::Instance());
    EXPECT_NE(std::string::npos, qz::test::ReadFile("./Log.txt").find("before release\n"));

    Logger::BeginMessageWith("after release") << 1;
    Logger::Flush();
    try {
        QZ_THROW("Late::Report", "still ", 2);
    } catch (const qz::core::Exception& error) {
        EXPECT_NE(std::string::npos, std::string(error.what()).find("\nMethod: Late::Report\nFile: \""));
        EXPECT_NE(std::string::npos, std::string(error.what()).find("\nstill 2"));
    }
    EXPECT_EQ("before release\n", console.Text());
    Logger::Release();  // twice is harmless
}

}  // namespace
