// A full file system during a save: the save fails and leaves no file behind. The file
// size limit of the process stands in for the full disk: writes beyond it fail with EFBIG
// just as writes to a full disk fail with ENOSPC.

#include "tests/ppv/PpvSamples.h"
#include "tests/support/FullDisk.h"
#include "tests/support/LogCapture.h"
#include "tests/support/OutputCapture.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

namespace {

using namespace qz::test;
namespace fs = std::filesystem;

// Limits the size of every file this process writes, for its lifetime.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    bool Active() const { return active_; }

private:
    rlimit previous_ {};
    void (*previousHandler_)(int) = nullptr;
    bool active_ = false;
};

TEST(PpvWriteFailure, FullDiskFailsTheSaveAndLeavesNoFile)
{
    CoutCapture console;
    fs::remove_all("full");
    fs::create_directory("full");
    // Dense bricks compress poorly: 20 of them are well over a mebibyte.
    std::vector<PpvBrick> bricks;
    for (std::uint32_t i = 0; i < 20; ++i) bricks.push_back(MakeBrick(64, 5, i, 0, 0, PpvKind::VMag, i, 0.9));

    // Each limit fails the save at another place: in the header, in a brick record, in a
    // payload.
    const struct {
        rlim_t limit;
        const char* tail;
    } cases[] = {
        {10, "\nFile m_fileHeader writing failed"},
        {56 + 20, "\nBrick header writing failed"},
        {100000, "\nBrick data writing failed"},
        {1000000, "\nBrick data writing failed"},
    };
    for (const auto& c : cases) {
        std::string error;
        {
            FileSizeLimit fileSize(c.limit);
            ASSERT_TRUE(fileSize.Active());
            error = ErrorText([&] { WritePpvFile("full/x.ppv", 64, bricks); });
        }
        EXPECT_TRUE(error.ends_with(c.tail)) << c.limit << error;
        EXPECT_TRUE(fs::is_empty("full")) << c.limit;
    }

    // Without the limit the same save succeeds.
    WritePpvFile("full/x.ppv", 64, bricks);
    PpvReader reader;
    reader.applicationOverlap = 4;
    reader.LoadFromFile("full/x.ppv");
    EXPECT_EQ(bricks.size(), reader.loadedBricks.size());
}

// A save over an earlier file that meets a full disk: the earlier file stays whole, and
// the report's text is followed by a line with the file and the system's reason.
TEST(PpvWriteFailure, FullDiskKeepsTheEarlierFileAndSaysWhy)
{
    CoutCapture console;
    const std::string result = RunOnFullDisk("fullppv", [](FullDisk& disk) {
        LogCapture log;
        WritePpvFile("fullppv/t.ppv", 8, {MakeBrick(8, 5, 1, 2, 3, PpvKind::VMag, 1, 0.5)});
        const std::string earlier = ReadFile("fullppv/t.ppv");
        disk.Fill();
        std::vector<PpvBrick> bricks;
        for (std::uint32_t i = 0; i < 20; ++i) bricks.push_back(MakeBrick(64, 5, i, 0, 0, PpvKind::VMag, i, 0.9));
        const std::string error = ErrorText([&] { WritePpvFile("fullppv/t.ppv", 64, bricks); });
        return std::string(ReadFile("fullppv/t.ppv") == earlier ? "kept" : "lost") + "|" +
               FilesBeside("fullppv/t.ppv") + "|" + error + "|" + log.Text();
    });
    EXPECT_EQ(0u, result.find("kept||")) << result;
    // The log: the error report, then the line with the reason.
    const std::string log = result.substr(result.rfind('|') + 1);
    const std::string::size_type report = log.find("writing failed");
    const std::string::size_type reason = log.find("Could not write \"fullppv/t.ppv\": ");
    ASSERT_NE(std::string::npos, report) << result;
    ASSERT_NE(std::string::npos, reason) << result;
    EXPECT_LT(report, reason);
    const std::string why = log.substr(reason, log.find('\n', reason) - reason);
    EXPECT_TRUE(why.ends_with(": No space left on device") || why.ends_with(": File too large")) << why;
}

}  // namespace
