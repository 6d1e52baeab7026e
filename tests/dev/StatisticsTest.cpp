#include "tarnwick/dev/Statistics.h"
#include "tarnwick/dev/StatisticsRecorder.h"

#include "tests/support/FullDisk.h"
#include "tests/support/LogCapture.h"
#include "tests/support/OutputCapture.h"
#include "tests/support/ErrorReports.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <sstream>

namespace {

using namespace qz::dev;
using qz::core::VariantCollection;
using qz::test::ErrorText;
using qz::test::ReportOf;
using qz::test::ReadFile;

std::string Text(bool includeAll)
{
    std::ostringstream stream;
    Statistics::AppendText(stream, includeAll);
    return stream.str();
}

TEST(Statistics, RegistryAndText)
{
    Statistics::GetRegistry().clear();
    EXPECT_EQ("", Text(true));
    Statistics::StatisticsCollection& first = Statistics::GetCollection("particlevolume");
    EXPECT_EQ("particlevolume", first.name);
    EXPECT_EQ("", first.label);
    EXPECT_EQ("", Text(true)) << "a collection without items writes no title either";
    int timestep = -1, hidden = 4;
    first.AddTypedItem("timestep", &timestep, "Current timestep");
    first.AddTypedItem("hidden", &hidden, "");
    EXPECT_EQ("*** particlevolume ***\nCurrent timestep: -1\n\n", Text(false)) << "the name when there is no label";
    for (int i = 0; i < 1000; ++i) Statistics::GetCollection("c" + std::to_string(i));
    EXPECT_EQ(&first, &Statistics::GetCollection("particlevolume")) << "collections are made once and never move";
    first.label = "Particle Volume";
    timestep = 7;
    EXPECT_EQ("*** Particle Volume ***\nCurrent timestep: 7\n\n", Text(true));

    double average = 16.5;
    float last = 16.25f;
    Statistics::StatisticsCollection& rendering = Statistics::GetCollection("rendering");
    rendering.label = "Rendering";
    rendering.AddTypedItem("msperframe_avg", &average, "MS average (10 frames)", 1);
    rendering.AddTypedItem("msperframe", &last, "MS last frame", 1);
    EXPECT_EQ("*** Particle Volume ***\nCurrent timestep: 7\n\n", Text(false)) << "only flagged items: not even the title";
    const std::string both = Text(true);
    const std::string one = "*** Particle Volume ***\nCurrent timestep: 7\n\n";
    const std::string two = "*** Rendering ***\nMS average (10 frames): 16.500000\nMS last frame: 16.250000\n\n";
    EXPECT_TRUE(both == one + two || both == two + one) << both;
    Statistics::GetRegistry().clear();
}

class RecorderTest : public ::testing::Test {
protected:
    RecorderTest()
    {
        timings.AddTypedItem("b", &b, "Bee");
        timings.AddTypedItem("a", &a, "");
        names.AddTypedItem("s", &s, "Text");
        recorder.Collections() = {&timings, &names};
        // Files of an earlier run in this folder would hide a file written by mistake.
        for (const char* name : {"stats.csv", "second.csv", "grown.csv", "left.csv"}) std::remove(name);
    }

    int b = 2;
    float a = 1.5f;
    std::string s = "x;\"y";
    VariantCollection timings;
    VariantCollection names;
    qz::test::CoutCapture console;
    StatisticsRecorder recorder;
    const std::string header = "\"a\";\"Bee\";\"Text\";\r\n";
};

TEST_F(RecorderTest, WritesAByteExactCsvFileAndRefusesWhatDoesNotFit)
{
    const std::string method = "qz::dev::StatisticsRecorder::", file = "|dev\\StatisticsRecorder|";
    EXPECT_EQ(method + "AddRecord" + file + "Recording is not running", ReportOf([&] { recorder.AddRecord(); }));
    EXPECT_EQ(method + "End" + file + "Recording is not running", ReportOf([&] { recorder.End(); }));
    recorder.Start(".\\stats.csv");  // backslash paths work
    EXPECT_TRUE(recorder.IsRecording());
    EXPECT_EQ(".\\stats.csv", recorder.FileName());
    EXPECT_EQ(method + "Start" + file + "Recording is already running. Stop the old one first.",
              ReportOf([&] { recorder.Start("second.csv"); }));
    EXPECT_EQ(method + "Collections" + file + "Cannot access variant collections during a recording",
              ReportOf([&] { recorder.Collections(); }));
    recorder.AddRecord();
    b = -7;
    a = 0.01f;
    s = "";
    recorder.AddRecord();
    recorder.End();
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_EQ("", recorder.FileName());
    EXPECT_EQ(header + "\"1.500000\";\"2\";\"x;\"y\";\r\n\"0.010000\";\"-7\";\"\";\r\n", ReadFile("stats.csv"));
    EXPECT_EQ("", ReadFile("second.csv"));
    EXPECT_EQ(2u, recorder.Collections().size());

    recorder.Start("grown.csv");
    int extra = 9;
    names.AddTypedItem("t", &extra, "Extra");
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(method + "AddRecord" + file + "The number of fields has changed during the recording session; file will be invalid.",
                  ReportOf([&] { recorder.AddRecord(); }));
    }
    EXPECT_TRUE(recorder.IsRecording());
    recorder.End();
    EXPECT_EQ(header + "\"0.010000\";\"-7\";\"\";\"9\";\r\n\"0.010000\";\"-7\";\"\";\"9\";\r\n", ReadFile("grown.csv"))
        << "the line is written before the report";

    {
        StatisticsRecorder left;
        left.Collections() = {&timings};
        left.Start("left.csv");
        left.AddRecord();
    }
    EXPECT_EQ("\"a\";\"Bee\";\r\n\"0.010000\";\"-7\";\r\n", ReadFile("left.csv")) << "ended when destroyed";

    recorder.Collections().clear();
    recorder.Start("empty.csv");
    recorder.AddRecord();
    recorder.End();
    EXPECT_EQ("\r\n\r\n", ReadFile("empty.csv"));
    EXPECT_NE(std::string::npos, console.Text().find("\nStarted recording to \".\\stats.csv\"\n"));
    EXPECT_NE(std::string::npos, console.Text().find("\nEnded recording to \".\\stats.csv\"\n"));
}

TEST_F(RecorderTest, FilesThatCannotBeWritten)
{
    const std::string start = "qz::dev::StatisticsRecorder::Start|dev\\StatisticsRecorder|";
    EXPECT_EQ(start + "Could not open file \"no-such-folder/stats.csv\"", ReportOf([&] { recorder.Start("no-such-folder/stats.csv"); }));
    EXPECT_EQ(start + "Could not write to file \"/dev/full\"", ReportOf([&] { recorder.Start("/dev/full"); })) << "unbuffered";
    EXPECT_FALSE(recorder.IsRecording());

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
    EXPECT_TRUE(qz::test::LogsFullDisk(result, "full/stats.csv")) << result;

    {
        StatisticsRecorder destroyed;
        destroyed.Collections().push_back(&timings);
        destroyed.Start("destructed.csv");
        destroyed.AddRecord();
    }
    EXPECT_EQ("\"a\";\"Bee\";\r\n\"1.500000\";\"2\";\r\n", ReadFile("destructed.csv")) << "the destructor ends a recording";
}

}  // namespace
