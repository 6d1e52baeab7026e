// A full file system during a save: the save fails and leaves no file behind. The file
// size limit of the process stands in for the full disk: writes beyond it fail with EFBIG
// just as writes to a full disk fail with ENOSPC.

#include "tests/ppv/PpvSamples.h"
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

}  // namespace
