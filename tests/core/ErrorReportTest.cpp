#include "tarnwick/core/ErrorReport.h"

#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

namespace {

using qz::core::Exception;
using qz::test::CoutCapture;
using qz::test::ReadFile;

class DerivedError : public Exception {
public:
    using Exception::Exception;
};

TEST(ErrorReport, TextHasMethodFileLineAndMessage)
{
    CoutCapture console;
    const int line = __LINE__ + 2;
    try {
        QZ_THROW("qz::utils::SystemMemoryUsage::GetAvailableMemory", "GlobalMemoryStatusEx failed");
    } catch (const Exception& error) {
        const std::string expected = "\nMethod: qz::utils::SystemMemoryUsage::GetAvailableMemory\nFile: \"tests\\core\\ErrorReportTest\": " +
                                     std::to_string(line) + "\nGlobalMemoryStatusEx failed";
        EXPECT_EQ(expected, error.what());
        // The console got the prefix, the report and the line end; the text has no prefix.
        EXPECT_EQ(std::string("\n*** ERROR ***\n") + expected + "\n", console.Text());
        return;
    }
    FAIL() << "no exception";
}

TEST(ErrorReport, IsFlushedToTheLogFileBeforeTheCatch)
{
    CoutCapture console;
    try {
        QZ_THROW("Reader::Open", "Could not open ", std::string("x.raw"), " (", 42, ")");
    } catch (const Exception& error) {
        const std::string log = ReadFile("./Log.txt");
        EXPECT_NE(std::string::npos, log.find(std::string("\n*** ERROR ***\n") + error.what() + "\n"));
        EXPECT_NE(std::string::npos, log.find("Could not open x.raw (42)"));
        return;
    }
    FAIL() << "no exception";
}

TEST(ErrorReport, EmptyMessageEndsAfterTheLineNumber)
{
    CoutCapture console;
    try {
        QZ_THROW("A::B", "");
    } catch (const Exception& error) {
        const std::string text = error.what();
        ASSERT_FALSE(text.empty());
        EXPECT_EQ('\n', text.back());
        EXPECT_EQ(0u, text.find("\nMethod: A::B\nFile: \""));
    }
}

TEST(ErrorReport, ComReportEndsWithTheSystemText)
{
    CoutCapture console;
    try {
        QZ_THROW_COM("qz::dx11::Texture2D::Create", E_INVALIDARG, "Could not create texture");
    } catch (const Exception& error) {
        const std::string text = error.what();
        const std::string tail = "Could not create texture\nCOM error message: The parameter is incorrect.";
        ASSERT_GE(text.size(), tail.size());
        EXPECT_EQ(tail, text.substr(text.size() - tail.size()));
    }
    EXPECT_EQ("Unknown error 0x80001234", qz::core::ComErrorText(static_cast<HRESULT>(0x80001234u)));
}

TEST(ErrorReport, SubclassesAndCopiesKeepTheText)
{
    CoutCapture console;
    try {
        QZ_THROW_AS(DerivedError, "qz::utils::FixedSlotMemoryManager::AllocateSlot", "No slot");
    } catch (const DerivedError& error) {
        const DerivedError copy(error);
        EXPECT_STREQ(error.what(), copy.what());
        const Exception& base = copy;
        EXPECT_STREQ(error.what(), base.what());
        return;
    }
    FAIL() << "no exception of the subclass";
}

TEST(ErrorReport, FileNamesFollowTheLibraryLayout)
{
    using qz::core::ReportFileName;
    EXPECT_EQ("utils\\MemUtils", ReportFileName("tarnwick/utils/MemUtils.cpp"));
    EXPECT_EQ("core\\Logging", ReportFileName("tarnwick/core/Logging.cpp"));
    EXPECT_EQ("tarnwick/utils/PagingMemoryManager", ReportFileName("tarnwick/utils/PagingMemoryManager.h"));
    EXPECT_EQ("src\\RawParticleReader", ReportFileName("src/RawParticleReader.h"));
    EXPECT_EQ("src\\ParticleVolume", ReportFileName("src/ParticleVolume.cpp"));
    EXPECT_EQ("src\\x.y\\Name", ReportFileName("src/x.y/Name"));
}

}  // namespace
