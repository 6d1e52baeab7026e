// Writer then reader: bricks come back bit for bit, also from files of many batches whose
// payloads are compressed and decompressed on helper threads, and the first failure in
// file order is the one reported.

#include "src/BatchWorkers.h"
#include "tests/support/PpvSamples.h"
#include "tests/support/BinaryFiles.h"
#include "tests/support/ErrorReports.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

using namespace qz::test;

std::string LoadError(const std::string& bytes)
{
    std::remove("damaged.ppv");
    WriteBinaryFile("damaged.ppv", bytes);
    PpvReader reader;
    reader.applicationOverlap = 4;
    const std::string error = ReportOf([&] { reader.LoadFromFile("damaged.ppv"); });
    EXPECT_TRUE(reader.loadedBricks.empty());
    return error;
}

TEST(PpvRoundTrip, EveryKindAndManyBatchesComeBackInFileOrder)
{
    CoutCapture console;
    std::vector<PpvBrick> bricks;
    for (const PpvKind kind : {PpvKind::None, PpvKind::VMag, PpvKind::ColorCount}) {
        // Leaves, an inner brick, an empty brick and a full one.
        for (std::uint32_t i = 0; i < 6; ++i) bricks.push_back(MakeBrick(64, 5, i, 31 - i, 2 * i + int(kind), kind, i));
        bricks.push_back(MakeBrick(64, 3, 7, int(kind), 7, kind, 99, 0.0));
        bricks.push_back(MakeBrick(64, 1, int(kind) & 1, int(kind) >> 1, 0, kind, 100, 1.0));
    }
    // Nearly incompressible bricks: about 25 MiB of payloads, several batches.
    for (std::uint32_t i = 0; i < 720; ++i) {
        bricks.push_back(MakeBrick(64, 5, i % 32, i / 32, 7, i % 3 == 0 ? PpvKind::VMag : PpvKind::None, i, 0.95));
    }
    WritePpvFile("large.ppv", 64, bricks);
    const std::string bytes = ReadFile("large.ppv");
    ASSERT_GT(bytes.size(), 20u << 20);
    PpvReader reader;
    reader.applicationOverlap = 4;
    reader.applicationBrickSize = 64;
    reader.applicationLevelCount = 6;
    for (int load = 0; load < 2; ++load) {  // a reader can be filled again
        reader.LoadFromFile("large.ppv");
        ASSERT_EQ(bricks.size(), reader.loadedBricks.size());
        for (std::size_t i = 0; i < bricks.size(); ++i) ASSERT_TRUE(SameBrick(bricks[i], reader.loadedBricks[i])) << i;
    }
    EXPECT_TRUE(reader.header.levels == 6 && reader.header.boxMax[0] == 2.0f);
    {
        const float box[6] = {0, 0, 0, 2, 1, 1};
        PpvWriter writer("single.ppv", 6, 64, 4, box);
        for (const PpvBrick& brick : bricks) writer.WriteBrick(ProcessedBrickView<PpvWord>::Of(brick));
    }
    EXPECT_TRUE(ReadFile("single.ppv") == bytes) << "brick by brick gives the same bytes";

    std::vector<std::size_t> records;
    for (std::size_t offset = 56; offset + 40 <= bytes.size();) {
        records.push_back(offset);
        std::uint32_t compressed = 0;
        std::memcpy(&compressed, bytes.data() + offset + 24, 4);
        offset += 40 + compressed;
    }
    ASSERT_EQ(bricks.size(), records.size());
    const auto broken = [&](std::string damaged, std::size_t index) {  // a payload of its length that does not decompress
        std::uint32_t compressed = 0;
        std::memcpy(&compressed, damaged.data() + records[index] + 24, 4);
        for (std::size_t i = records[index] + 44; i < records[index] + 40 + compressed; ++i) damaged[i] = '\xFF';
        return damaged;
    };
    const std::string readV4 = "ProcessedParticleVolumeReader<class qz::core::SimpleVec4<unsigned int> >::ReadV4|src\\ProcessedParticleVolume|";
    const std::string truncated = bytes.substr(0, records.back() + 20);
    EXPECT_EQ(readV4 + "Invalid number of bytes during header read", LoadError(truncated));
    for (const std::size_t index : {std::size_t {3}, records.size() / 2, records.size() - 2}) {
        EXPECT_EQ(readV4 + "Error during snappy::RawUncompress", LoadError(broken(truncated, index))) << index;
    }
    // Two broken payloads in different batches and a duplicate after them: the first counts.
    EXPECT_EQ(readV4 + "Error during snappy::RawUncompress",
              LoadError(broken(broken(bytes, 600), 10) + bytes.substr(records[0], records[1] - records[0])));

    std::vector<ProcessedBrickView<PpvWord>> views;
    for (const PpvBrick& brick : bricks) views.push_back(ProcessedBrickView<PpvWord>::Of(brick));
    const PpvBrick small = MakeBrick(32, 5, 0, 0, 0, PpvKind::None, 1);
    views.push_back(ProcessedBrickView<PpvWord>::Of(small));
    const float box[6] = {0, 0, 0, 2, 1, 1};
    PpvWriter writer("wrong.ppv", 6, 64, 4, box);
    EXPECT_TRUE(ReportOf([&] { writer.WriteBricks(views); }).ends_with("|Invalid element count"));
    writer.Close();
    EXPECT_EQ(56u, ReadFile("wrong.ppv").size()) << "a wrong brick in a later batch: nothing written";
}

TEST(BatchWorkers, EveryItemOncePerBatchAndTheOwnerFreeMeanwhile)
{
    BatchWorkers workers(4);
    for (int batch = 0; batch < 50; ++batch) {
        const std::int64_t count = batch % 7 == 0 ? 0 : batch * 13 % 97 + 1;
        std::vector<std::atomic<int>> runs(static_cast<std::size_t>(count));
        const auto item = [&](std::int64_t i) { ++runs[static_cast<std::size_t>(i)]; };
        if (batch % 2) {
            workers.Run(count, item);
        } else {
            workers.Start(count, item);
            workers.Wait();
        }
        for (std::int64_t i = 0; i < count; ++i) ASSERT_EQ(1, runs[static_cast<std::size_t>(i)].load()) << batch << " " << i;
    }
    std::atomic<bool> ownerDone {false};
    std::atomic<int> sawOwnerDone {0};
    workers.Start(4, [&](std::int64_t) {
        while (!ownerDone) std::this_thread::yield();
        ++sawOwnerDone;
    });
    ownerDone = true;  // the items wait for the owner: Start did not wait for them
    workers.Wait();
    EXPECT_EQ(4, sawOwnerDone.load());
    { BatchWorkers unused; }
    BatchWorkers waited(3);
    waited.Wait();  // nothing started
}

}  // namespace
