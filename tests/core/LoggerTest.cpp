#include "tarnwick/core/ErrorReport.h"

#include "platform/win/Console.h"
#include "tests/support/OutputCapture.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace qz::core;
using qz::test::CoutCapture;
using qz::test::ErrorText;

std::string LogFileText()
{
    Logger::Instance();  // the file is made with the logger, also when this test runs first
    Logger::Flush();
    return qz::test::ReadFile("./Log.txt");
}

WORD ConsoleAttribute()
{
    CONSOLE_SCREEN_BUFFER_INFO info {};
    GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info);
    return info.wAttributes;
}

TEST(Logger, LogFileHeaderAndStreams)
{
    const std::string log = LogFileText();
    ASSERT_EQ(0u, log.find("tarnwick Logfile\nCreated "));
    EXPECT_EQ("\n\n", log.substr(log.find('\n', log.find('\n') + 1), 2)) << "the third line is empty";
    EXPECT_EQ("cout", Logger::Instance()->Streams().at(0)->Name());
    EXPECT_EQ("logfile", Logger::Instance()->Streams().at(1)->Name());
    auto again = Logger::Instance()->Streams().front();
    {
        std::lock_guard lock(LogMutex);
        Logger::Instance()->AddStream(again);
    }
    EXPECT_EQ(2u, Logger::Instance()->Streams().size());
}

TEST(Logger, LevelsTypesPrefixesAndColours)
{
    CoutCapture console;
    Logger::BeginMessageWith("plain ") << 7 << " " << 2.5f << " " << std::int64_t {-3} << " " << std::size_t {4};
    EXPECT_EQ(7, ConsoleAttribute());
    Logger::BeginMessage(LogLevelDetail) << "detail hidden";
    {
        auto message = Logger::BeginMessage(1);
        message.SetType(LogTypeDebug);
        message << "debug " << 3;
        EXPECT_EQ("debug 3", message.Text()) << "kept for reports, shown nowhere";
    }
    {
        auto message = Logger::BeginMessage(LogLevelErrorReport);
        message.SetType(LogTypeError | LogTypeWarning);
        message << "first";
        EXPECT_EQ(78, ConsoleAttribute());
        message << " second";
    }
    EXPECT_EQ(7, ConsoleAttribute());
    {
        auto message = Logger::BeginMessage(2);
        message.SetType(LogTypeWarning);
        message << "Some slots were not released";
        EXPECT_EQ(14, ConsoleAttribute());
    }
    EXPECT_NE(std::string::npos, qz::test::ReadFile("./Log.txt").find("WARNING: Some slots were not released\n"))
        << "level 2 is flushed at its end";
    {
        auto message = Logger::BeginMessage(2);
        message << "important";
        EXPECT_EQ(10, ConsoleAttribute());
    }
    {
        auto message = Logger::BeginMessageWith("a");
        message.SetType(LogTypeWarning);
        message << "b";
    }
    const std::string shown = "plain 7 2.5 -3 4\n\n*** ERROR ***\nfirst second\nWARNING: Some slots were not released\n"
                              "important\naWARNING: b\n";
    EXPECT_EQ(shown, console.Text());
    EXPECT_NE(std::string::npos, LogFileText().find("\n" + shown));

    Logger::Instance()->Streams().at(1)->SetMinLevel(0);  // what "verbose" does
    Logger::BeginMessage(LogLevelDetail) << "detail for the file";
    Logger::Instance()->Streams().at(1)->SetMinLevel(1);
    EXPECT_EQ(shown, console.Text());
    EXPECT_NE(std::string::npos, LogFileText().find(shown + "detail for the file\n"));
}

TEST(Logger, ThreeComponentVectors)
{
    CoutCapture console;
    const float box[6] = {-1.5f, 0, 2, 1e7f, 0.1f, 3};
    const unsigned int position[3] = {31, 0, 4294967295u};
    Logger::BeginMessageWith(LogVector3(box)) << " - " << LogVector3(box + 3) << " " << LogVector3(position) << " "
                                              << LogVector3(-1, 2, -3);
    EXPECT_EQ("[-1.5, 0, 2] - [1e+07, 0.1, 3] [31, 0, 4294967295] [-1, 2, -3]\n", console.Text());
}

TEST(Logger, ConcurrentMessagesNeverInterleave)
{
    CoutCapture console;
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < 200; ++i) Logger::BeginMessageWith("thread ") << t << " message " << i << " end";
        });
    }
    for (auto& writer : writers) writer.join();
    std::istringstream lines(console.Text());
    int count = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_TRUE(line.starts_with("thread ") && line.ends_with(" end")) << line;
    }
    EXPECT_EQ(800, count);
}

class DerivedError : public Exception {
public:
    using Exception::Exception;
};

TEST(ErrorReport, TextIsLoggedFlushedAndThrown)
{
    CoutCapture console;
    const int line = __LINE__ + 1;
    const std::string text = ErrorText([] { QZ_THROW("Reader::Open", "Could not open ", std::string("x.raw"), " (", 42, ")"); });
    const std::string expected =
        "\nMethod: Reader::Open\nFile: \"tests\\core\\LoggerTest\": " + std::to_string(line) + "\nCould not open x.raw (42)";
    EXPECT_EQ(expected, text);
    EXPECT_EQ("\n*** ERROR ***\n" + expected + "\n", console.Text());
    EXPECT_NE(std::string::npos, qz::test::ReadFile("./Log.txt").find("\n*** ERROR ***\n" + expected + "\n"))
        << "flushed before the catch";
    EXPECT_TRUE(ErrorText([] { QZ_THROW("A::B", ""); }).ends_with("\n"));

    const std::string com = ErrorText([] { QZ_THROW_COM("qz::dx11::Texture2D::Create", E_INVALIDARG, "No texture"); });
    EXPECT_TRUE(com.ends_with("\nNo texture\nCOM error message: The parameter is incorrect.")) << com;
    EXPECT_EQ("Unknown error 0x80001234", ComErrorText(static_cast<HRESULT>(0x80001234u)));
    try {
        QZ_THROW_AS(DerivedError, "qz::utils::FixedSlotMemoryManager::AllocateSlot", "No slot");
    } catch (const DerivedError& error) {
        const DerivedError copy(error);
        EXPECT_STREQ(error.what(), static_cast<const Exception&>(copy).what());
        EXPECT_TRUE(std::string(copy.what()).ends_with("\nNo slot"));
    }
}

TEST(ErrorReport, FileNamesFollowTheLibraryLayout)
{
    const std::pair<const char*, const char*> cases[] = {
        {"tarnwick/utils/MemUtils.cpp", "utils\\MemUtils"}, {"tarnwick/utils/PagingMemoryManager.h", "tarnwick/utils/PagingMemoryManager"},
        {"src/RawParticleReader.h", "src\\RawParticleReader"}, {"src/x.y/Name", "src\\x.y\\Name"},
        {"tarnwick\\core\\Logging.cpp", "core\\Logging"}, {"Plain", "Plain"}};
    for (const auto& [path, file] : cases) EXPECT_EQ(file, ReportFileName(path)) << path;
}

}  // namespace
