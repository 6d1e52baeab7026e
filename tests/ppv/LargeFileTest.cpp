// Files of many batches: payloads are compressed and decompressed on helper threads while
// the file is written and read, and the result is still the file order, and the first
// failure in file order is the one reported.

#include "tests/ppv/PpvSamples.h"
#include "tests/support/BinaryFiles.h"
#include "tests/support/OutputCapture.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

using namespace qz::test;

class PpvLargeFile : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        // Nearly incompressible bricks: about 25 MiB of payloads, several read batches.
        bricks_ = new std::vector<PpvBrick>;
        for (std::uint32_t i = 0; i < 720; ++i) {
            const PpvKind kind = i % 3 == 0 ? PpvKind::VMag : PpvKind::None;
            bricks_->push_back(MakeBrick(64, 5, i % 32, i / 32, 7, kind, i, 0.95));
        }
        CoutCapture console;
        WritePpvFile("large.ppv", 64, *bricks_);
        bytes_ = new std::string(ReadFile("large.ppv"));
    }
    static void TearDownTestSuite()
    {
        delete bricks_;
        delete bytes_;
    }

    // Offsets of the records, in file order.
    static std::vector<std::size_t> RecordOffsets(const std::string& bytes)
    {
        std::vector<std::size_t> offsets;
        for (std::size_t offset = 56; offset + 40 <= bytes.size();) {
            offsets.push_back(offset);
            std::uint32_t compressed = 0;
            std::memcpy(&compressed, bytes.data() + offset + 24, 4);
            offset += 40 + compressed;
        }
        return offsets;
    }

    std::string LoadError(const std::string& bytes)
    {
        std::remove("damaged.ppv");
        WriteBinaryFile("damaged.ppv", bytes);
        PpvReader reader;
        reader.applicationOverlap = 4;
        const std::string error = ErrorText([&] { reader.LoadFromFile("damaged.ppv"); });
        EXPECT_TRUE(reader.loadedBricks.empty());
        return error;
    }

    // Makes the payload of record `index` a stream of the right length that does not
    // decompress.
    static void BreakPayload(std::string& bytes, std::size_t recordOffset)
    {
        std::uint32_t compressed = 0;
        std::memcpy(&compressed, bytes.data() + recordOffset + 24, 4);
        // Past the length prefix, copies from before the start.
        for (std::size_t i = recordOffset + 40 + 4; i < recordOffset + 40 + compressed; ++i) bytes[i] = '\xFF';
    }

    static std::vector<PpvBrick>* bricks_;
    static std::string* bytes_;
    CoutCapture console_;
};

std::vector<PpvBrick>* PpvLargeFile::bricks_ = nullptr;
std::string* PpvLargeFile::bytes_ = nullptr;

TEST_F(PpvLargeFile, BricksComeBackInFileOrder)
{
    ASSERT_GT(bytes_->size(), 20u << 20);
    PpvReader reader;
    reader.applicationOverlap = 4;
    reader.LoadFromFile("large.ppv");
    ASSERT_EQ(bricks_->size(), reader.loadedBricks.size());
    for (std::size_t i = 0; i < bricks_->size(); ++i) {
        ASSERT_TRUE(SameBrick((*bricks_)[i], reader.loadedBricks[i])) << i;
    }
    // Brick by brick gives the same bytes.
    {
        const float box[6] = {0, 0, 0, 2, 1, 1};
        PpvWriter writer("single.ppv", 6, 64, 4, box);
        for (const PpvBrick& brick : *bricks_) writer.WriteBrick(ProcessedBrickView<PpvWord>::Of(brick));
        writer.Close();
    }
    EXPECT_TRUE(ReadFile("single.ppv") == *bytes_);
}

TEST_F(PpvLargeFile, FirstFailureInFileOrderIsReported)
{
    const std::vector<std::size_t> records = RecordOffsets(*bytes_);
    ASSERT_EQ(bricks_->size(), records.size());
    const std::string truncated = bytes_->substr(0, records.back() + 20);
    EXPECT_TRUE(LoadError(truncated).ends_with("\nInvalid number of bytes during header read"));

    // A broken payload early, in the first batch, or late, in the last one: either comes
    // before the cut record at the end.
    for (const std::size_t broken : {std::size_t {3}, records.size() / 2, records.size() - 2}) {
        std::string bytes = truncated;
        BreakPayload(bytes, records[broken]);
        EXPECT_TRUE(LoadError(bytes).ends_with("\nError during snappy::RawUncompress")) << broken;
    }
    // Two broken payloads in different batches, and a duplicate after them: the first
    // payload is named (every report has the same text; the log shows one report).
    std::string bytes = *bytes_;
    BreakPayload(bytes, records[600]);
    BreakPayload(bytes, records[10]);
    bytes += bytes_->substr(records[0], records[1] - records[0]);
    EXPECT_TRUE(LoadError(bytes).ends_with("\nError during snappy::RawUncompress"));
}

TEST_F(PpvLargeFile, WrongBrickInALaterBatchWritesNothing)
{
    std::vector<ProcessedBrickView<PpvWord>> views;
    for (const PpvBrick& brick : *bricks_) views.push_back(ProcessedBrickView<PpvWord>::Of(brick));
    const PpvBrick small = MakeBrick(32, 5, 0, 0, 0, PpvKind::None, 1);
    views.push_back(ProcessedBrickView<PpvWord>::Of(small));
    const float box[6] = {0, 0, 0, 2, 1, 1};
    PpvWriter writer("wrong.ppv", 6, 64, 4, box);
    EXPECT_TRUE(ErrorText([&] { writer.WriteBricks(views); }).ends_with("\nInvalid element count"));
    writer.Close();
    EXPECT_EQ(56u, ReadFile("wrong.ppv").size());
}

}  // namespace
