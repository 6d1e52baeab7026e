#include "tarnwick/dev/StatisticsRecorder.h"

#include "tests/support/FullDisk.h"
#include "tests/support/LogCapture.h"
#include "tests/support/OutputCapture.h"
#include "tests/support/TextMatch.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using qz::core::VariantCollection;
using qz::dev::StatisticsRecorder;
using qz::test::CoutCapture;
using qz::test::EndsWith;
using qz::test::ErrorText;
using qz::test::ReadFile;

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest()
    {
        timings.AddTypedItem("b", &b, "Bee");
        timings.AddTypedItem("a", &a, "");
        names.AddTypedItem("s", &s, "Text");
        recorder.Collections() = {&timings, &names};
    }

    int b = 2;
    float a = 1.5f;
    std::string s = "x;\"y";
    VariantCollection timings;
    VariantCollection names;
    CoutCapture console;
    StatisticsRecorder recorder;
};

TEST_F(RecorderTest, WritesAByteExactCsvFile)
{
    recorder.Start("stats.csv");
    EXPECT_TRUE(recorder.IsRecording());
    recorder.AddRecord();
    b = -7;
    a = 0.01f;
    s = "";
    recorder.AddRecord();
    recorder.End();
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_EQ("", recorder.FileName());
    EXPECT_EQ("\"a\";\"Bee\";\"Text\";\r\n"
              "\"1.500000\";\"2\";\"x;\"y\";\r\n"
              "\"0.010000\";\"-7\";\"\";\r\n",
              ReadFile("stats.csv"));
    EXPECT_EQ("Started recording to \"stats.csv\"\nEnded recording to \"stats.csv\"\n", console.Text());
}

TEST_F(RecorderTest, EmptyListGivesEmptyLines)
{
    recorder.Collections().clear();
    recorder.Start("empty.csv");
    recorder.AddRecord();
    recorder.AddRecord();
    recorder.End();
    EXPECT_EQ("\r\n\r\n\r\n", ReadFile("empty.csv"));
}

TEST_F(RecorderTest, ChangedFieldCountIsReportedAfterTheLine)
{
    recorder.Start("grown.csv");
    int extra = 9;
    names.AddTypedItem("t", &extra, "Extra");
    for (int i = 0; i < 2; ++i) {
        const std::string error = ErrorText([&] { recorder.AddRecord(); });
        EXPECT_TRUE(EndsWith(error, "\nThe number of fields has changed during the recording session; file will be invalid."))
            << error;
        EXPECT_NE(std::string::npos, error.find("Method: qz::dev::StatisticsRecorder::AddRecord\nFile: \"dev\\StatisticsRecorder\": "));
    }
    EXPECT_TRUE(recorder.IsRecording());
    recorder.End();
    const std::string line = "\"1.500000\";\"2\";\"x;\"y\";\"9\";\r\n";
    EXPECT_EQ("\"a\";\"Bee\";\"Text\";\r\n" + line + line, ReadFile("grown.csv"));
}

TEST_F(RecorderTest, StatesRefuseWhatDoesNotFit)
{
    EXPECT_TRUE(EndsWith(ErrorText([&] { recorder.AddRecord(); }), "\nRecording is not running"));
    EXPECT_TRUE(EndsWith(ErrorText([&] { recorder.End(); }), "\nRecording is not running"));

    recorder.Start("first.csv");
    EXPECT_TRUE(EndsWith(ErrorText([&] { recorder.Start("second.csv"); }),
                         "\nRecording is already running. Stop the old one first."));
    EXPECT_TRUE(EndsWith(ErrorText([&] { recorder.Collections(); }),
                         "\nCannot access variant collections during a recording"));
    recorder.AddRecord();
    EXPECT_EQ("first.csv", recorder.FileName());
    recorder.End();
    EXPECT_EQ("\"a\";\"Bee\";\"Text\";\r\n\"1.500000\";\"2\";\"x;\"y\";\r\n", ReadFile("first.csv"));
    EXPECT_EQ("", ReadFile("second.csv"));
    EXPECT_TRUE(EndsWith(ErrorText([&] { recorder.End(); }), "\nRecording is not running"));
    EXPECT_EQ(2u, recorder.Collections().size());
}

TEST_F(RecorderTest, UnopenableFileLeavesTheRecorderIdle)
{
    EXPECT_TRUE(EndsWith(ErrorText([&] { recorder.Start("no-such-folder/stats.csv"); }),
                         "\nCould not open file \"no-such-folder/stats.csv\""));
    EXPECT_FALSE(recorder.IsRecording());
    recorder.Start("stats.csv");
    EXPECT_TRUE(recorder.IsRecording());
}

TEST_F(RecorderTest, FailedWritesAreErrors)
{
    // Writes are not buffered: the device fails the header already.
    const std::string error = ErrorText([&] { recorder.Start("/dev/full"); });
    EXPECT_TRUE(EndsWith(error, "\nCould not write to file \"/dev/full\"")) << error;
    EXPECT_NE(std::string::npos, error.find("Method: qz::dev::StatisticsRecorder::Start\n"));
    EXPECT_FALSE(recorder.IsRecording());
}

TEST_F(RecorderTest, BackslashPaths)
{
    recorder.Start(".\\backslash.csv");
    recorder.End();
    EXPECT_EQ("\"a\";\"Bee\";\"Text\";\r\n", ReadFile("./backslash.csv"));
}

TEST(StatisticsRecorder, DestructorEndsARunningRecording)
{
    CoutCapture console;
    int value = 5;
    VariantCollection collection;
    collection.AddTypedItem("v", &value, "Value");
    {
        StatisticsRecorder recorder;
        recorder.Collections().push_back(&collection);
        recorder.Start("destructed.csv");
        recorder.AddRecord();
    }
    EXPECT_EQ("\"Value\";\r\n\"5\";\r\n", ReadFile("destructed.csv"));
    EXPECT_NE(std::string::npos, console.Text().find("Ended recording to \"destructed.csv\""));
}

}  // namespace

namespace {

// A recording that meets a full disk fails, and the file of an earlier recording stays.
TEST_F(RecorderTest, FullDiskKeepsTheEarlierRecording)
{
    const std::string result = qz::test::RunOnFullDisk("full", [&](qz::test::FullDisk& disk) {
        qz::test::LogCapture log;
        recorder.Start("full/stats.csv");
        recorder.AddRecord();
        recorder.End();
        const std::string earlier = ReadFile("full/stats.csv");
        recorder.Start("full/stats.csv");
        disk.Fill();
        s = std::string(10000, 'v');
        std::string errors = ErrorText([&] { recorder.AddRecord(); });
        errors += ErrorText([&] { recorder.End(); });
        return std::string(ReadFile("full/stats.csv") == earlier ? "kept" : "lost") + "|" +
               qz::test::FilesBeside("full/stats.csv") + "|" + errors + "|" + log.Text();
    });
    EXPECT_EQ(0u, result.find("kept||")) << result;
    EXPECT_NE(std::string::npos, result.find("\nCould not write to file \"full/stats.csv\"|")) << result;
    EXPECT_TRUE(result.find("Could not write \"full/stats.csv\": No space left on device") != std::string::npos ||
                result.find("Could not write \"full/stats.csv\": File too large") != std::string::npos)
        << result;
}

}  // namespace
