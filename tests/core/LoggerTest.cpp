#include "tarnwick/core/Logging.h"

#include "platform/win/Console.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using qz::core::Logger;
using qz::test::CoutCapture;
using qz::test::ReadFile;

std::shared_ptr<qz::core::LoggingStream> FileStream()
{
    return Logger::Instance()->Streams().at(1);
}

std::string LogFileText()
{
    Logger::Flush();
    return ReadFile("./Log.txt");
}

WORD ConsoleAttribute()
{
    CONSOLE_SCREEN_BUFFER_INFO info {};
    GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info);
    return info.wAttributes;
}

TEST(Logger, LogFileStartsWithItsHeader)
{
    Logger::Instance();
    const std::string log = LogFileText();
    ASSERT_EQ(0u, log.find("tarnwick Logfile\nCreated "));
    const std::string::size_type secondLineEnd = log.find('\n', log.find('\n') + 1);
    ASSERT_NE(std::string::npos, secondLineEnd);
    EXPECT_EQ('\n', log.at(secondLineEnd + 1)) << "the third line is empty";
    EXPECT_EQ("cout", Logger::Instance()->Streams().at(0)->Name());
    EXPECT_EQ("logfile", FileStream()->Name());
}

TEST(Logger, InfoMessageReachesConsoleAndFileWithoutPrefix)
{
    CoutCapture console;
    Logger::BeginMessageWith("plain info ") << 7 << " " << 2.5f;
    EXPECT_EQ("plain info 7 2.5\n", console.Text());
    EXPECT_NE(std::string::npos, LogFileText().find("\nplain info 7 2.5\n"));
    EXPECT_EQ(7, ConsoleAttribute());
}

TEST(Logger, LevelsDecideWhichStreamsTakeAMessage)
{
    CoutCapture console;
    Logger::BeginMessage(qz::core::LogLevelDetail) << "detail hidden";
    EXPECT_EQ("", console.Text());
    EXPECT_EQ(std::string::npos, LogFileText().find("detail hidden"));

    FileStream()->SetMinLevel(0);  // what "verbose" does
    Logger::BeginMessage(qz::core::LogLevelDetail) << "detail for the file";
    FileStream()->SetMinLevel(1);
    EXPECT_EQ("", console.Text());
    EXPECT_NE(std::string::npos, LogFileText().find("detail for the file\n"));
}

TEST(Logger, DebugReachesNoStreamButStaysInTheBuffer)
{
    CoutCapture console;
    std::string text;
    {
        auto message = Logger::BeginMessage(1);
        message.SetType(qz::core::LogTypeDebug);
        message << "debug " << 3;
        text = message.Text();
    }
    EXPECT_EQ("", console.Text());
    EXPECT_EQ("debug 3", text);
    EXPECT_EQ(std::string::npos, LogFileText().find("debug 3"));
}

TEST(Logger, ErrorPrefixOnceAndColourWhileTheMessageIsOpen)
{
    CoutCapture console;
    {
        auto message = Logger::BeginMessage(999);
        message.SetType(qz::core::LogTypeError | qz::core::LogTypeWarning);
        message << "first";
        EXPECT_EQ(78, ConsoleAttribute());
        message << " second";
        EXPECT_EQ("first second", message.Text());
    }
    EXPECT_EQ("\n*** ERROR ***\nfirst second\n", console.Text());
    EXPECT_EQ(7, ConsoleAttribute());
}

TEST(Logger, WarningAndImportantMessages)
{
    CoutCapture console;
    {
        auto message = Logger::BeginMessage(2);
        message.SetType(qz::core::LogTypeWarning);
        message << "Some slots were not released";
        EXPECT_EQ(14, ConsoleAttribute());
    }
    // Level 2 is flushed at its end: the file has it without an explicit flush.
    EXPECT_NE(std::string::npos, ReadFile("./Log.txt").find("WARNING: Some slots were not released\n"));
    {
        auto message = Logger::BeginMessage(2);
        message << "important";
        EXPECT_EQ(10, ConsoleAttribute());
    }
    EXPECT_EQ("WARNING: Some slots were not released\nimportant\n", console.Text());
}

TEST(Logger, SetTypeMidMessageWritesThePrefixBeforeTheNextValue)
{
    CoutCapture console;
    {
        auto message = Logger::BeginMessageWith("a");
        message.SetType(qz::core::LogTypeWarning);
        message << "b";
    }
    EXPECT_EQ("aWARNING: b\n", console.Text());
}

TEST(Logger, AddingAStreamTwiceKeepsOneEntry)
{
    Logger* logger = Logger::Instance();
    const std::size_t before = logger->Streams().size();
    auto again = logger->Streams().front();
    {
        std::lock_guard lock(qz::core::LogMutex);
        logger->AddStream(again);
    }
    EXPECT_EQ(before, logger->Streams().size());
}

TEST(Logger, ConcurrentMessagesNeverInterleave)
{
    CoutCapture console;
    constexpr int threads = 4;
    constexpr int messages = 200;
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < messages; ++i) {
                Logger::BeginMessageWith("thread ") << t << " message " << i << " end";
            }
        });
    }
    for (auto& writer : writers) writer.join();
    std::istringstream lines(console.Text());
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) {
        ++count;
        EXPECT_EQ(0u, line.find("thread ")) << line;
        EXPECT_EQ(line.size() - 4, line.rfind(" end")) << line;
    }
    EXPECT_EQ(threads * messages, count);
}

}  // namespace
