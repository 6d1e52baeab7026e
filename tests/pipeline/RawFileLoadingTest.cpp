#include "src/ParticleSplatter.h"
#include "src/ParticleVolume.h"
#include "tests/pipeline/MemoryReader.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <map>
#include <tuple>

namespace {

using namespace ParticleTypes;
using qz::test::MemoryReader;

template <class Function>
std::string ErrorOf(Function&& function)
{
    try {
        function();
    } catch (const qz::core::Exception& e) {
        return e.what();
    }
    return "";
}

// What a splatted brick holds, for comparing whole timesteps.
struct BrickResult {
    std::uint64_t totalParticleCount;
    std::vector<OccupancyWord> level0;
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint16_t> values;
    bool operator==(const BrickResult&) const = default;
};
using Key = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>;
using TimestepResult = std::map<Key, BrickResult>;

template <class Attr>
TimestepResult Collect(ParticleVolume<Attr>& volume, int t)
{
    TimestepResult result;
    ParticleVolumeInterface::ForEachBrick(volume.GetTimestep(t).get(), [&](Brick& brick) {
        if (brick.totalParticleCount == 0) return;
        result[{brick.level, brick.position[0], brick.position[1], brick.position[2]}] = {
            brick.totalParticleCount, brick.levels.empty() ? std::vector<OccupancyWord> {} : brick.levels[0],
            brick.attributeOffsets, brick.attributeValues};
    }, nullptr);
    return result;
}

template <class Attr>
void Prepare(ParticleVolume<Attr>& volume)
{
    volume.Prepare(32, 2, 4);
}

// The timestep built without any thread of the pipeline: one chunk converted in order,
// one insertion, every brick splatted in turn.
template <class T>
TimestepResult SerialReference(const std::vector<T>& records, const float box[6])
{
    using Attr = typename RecordAttributes<T>::Type;
    ParticleVolume<Attr> volume;
    Prepare(volume);
    const int t = static_cast<int>(volume.CreateTimestep(true));
    volume.PrepareTemporaryData();
    volume.chunks.resize(1);
    for (const T& r : records) volume.chunks[0].push_back(ConvertRecord(r));
    volume.records.resize(records.size());
    std::copy(box, box + 6, volume.boundingBox);
    volume.InsertParticles(0, 0);
    volume.Create(t);
    SplatScratch<Attr> scratch;
    ParticleVolumeInterface::ForEachBrick(volume.GetTimestep(t).get(), [&](Brick& brick) {
        if (brick.particleCount > 0) SplatBrickRecords<Attr>(scratch, volume.GetBrickSize(), brick, VelocityMaximum.load());
    }, nullptr);
    return Collect(volume, t);
}

// Loads through the pipeline and splats with the worker pool, as the application does.
template <class T, class Splatter>
TimestepResult PipelineResult(const std::vector<T>& records, const float (&box)[6], std::uint64_t chunkLength,
                              float (*usedBox)[6] = nullptr)
{
    using Attr = typename RecordAttributes<T>::Type;
    ParticleVolume<Attr> volume;
    Prepare(volume);
    volume.chunkLength = chunkLength;
    Splatter splatter(&volume, 3);
    MemoryReader<T> reader(records);
    const int t = static_cast<int>(volume.CreateTimestep(true));
    volume.AddDataFromRawParticleFile(&reader, box, t, 0);
    EXPECT_TRUE(volume.records.empty());
    EXPECT_TRUE(volume.chunks.empty());
    if (usedBox) std::copy(volume.boundingBox, volume.boundingBox + 6, *usedBox);
    ParticleVolumeInterface::ForEachBrick(volume.GetTimestep(t).get(), [&](Brick& brick) {
        splatter.PushJob(brick, false);
    }, nullptr);
    splatter.StartProcessing();
    splatter.StopProcessing();
    return Collect(volume, t);
}

template <class T>
std::vector<T> Records(std::size_t count)
{
    const auto source = qz::test::MakeParticles(count, 17);
    std::vector<T> records(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto& s = source[i];
        if constexpr (std::is_same_v<T, RawParticle_PosVel>) {
            records[i] = s;
        } else if constexpr (std::is_same_v<T, RawParticle_PosCol>) {
            records[i] = {s.x, s.y, s.z, static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(i * 13),
                          static_cast<std::uint8_t>(i * 29), 0};
        } else {
            records[i] = {s.x, s.y, s.z};
        }
    }
    return records;
}

template <class T, class Splatter>
void ExpectPipelineMatchesSerial(std::size_t count, std::initializer_list<std::uint64_t> chunkLengths)
{
    const std::vector<T> records = Records<T>(count);
    const float noBox[6] = {0, 0, 0, 0, 0, 0};
    // All at once: the box comes from the data.
    float computed[6];
    const TimestepResult allAtOnce = PipelineResult<T, Splatter>(records, noBox, 997, &computed);
    const TimestepResult reference = SerialReference(records, computed);
    ASSERT_GT(reference.size(), 20u);
    EXPECT_TRUE(reference == allAtOnce);
    // Chunk by chunk while reading: the same box given.
    for (const std::uint64_t chunk : chunkLengths) {
        float given[6];
        std::copy(computed, computed + 6, given);
        EXPECT_TRUE(reference == (PipelineResult<T, Splatter>(records, given, chunk))) << "chunks of " << chunk;
    }
}

TEST(RawFileLoading, PipelineGivesTheBricksOfASerialBuild)
{
    VelocityMaximum.store(1.5f);
    ExpectPipelineMatchesSerial<RawParticle_PosVel, ParticleSplatter<ParticleAttributes_VMag, 0>>(20'000, {333, 20'000});
    ExpectPipelineMatchesSerial<RawParticle_PosCol, ParticleSplatter<ParticleAttributes_ColorCount, 1>>(20'000, {4'096});
    ExpectPipelineMatchesSerial<RawParticle_Pos, ParticleSplatter<ParticleAttributes_None, 2>>(5'000, {777});
    // One particle per chunk.
    ExpectPipelineMatchesSerial<RawParticle_Pos, ParticleSplatter<ParticleAttributes_None, 2>>(300, {1});
}

TEST(RawFileLoading, TheBoxOfTimestepZeroStays)
{
    ParticleVolume<ParticleAttributes_None> volume;
    Prepare(volume);
    MemoryReader<RawParticle_Pos> first(Records<RawParticle_Pos>(1000));
    const float given[6] = {-1, -2, -3, 4, 5, 6};
    volume.AddDataFromRawParticleFile(&first, given, static_cast<int>(volume.CreateTimestep(true)), 0);
    EXPECT_TRUE(std::equal(given, given + 6, volume.boundingBox));

    MemoryReader<RawParticle_Pos> second(Records<RawParticle_Pos>(1000));
    const float other[6] = {0, 0, 0, 1, 1, 1};
    volume.AddDataFromRawParticleFile(&second, other, static_cast<int>(volume.CreateTimestep(true)), 0);
    EXPECT_TRUE(std::equal(given, given + 6, volume.boundingBox));
    EXPECT_EQ(2u, volume.GetTimestepCount());
}

TEST(RawFileLoading, ComputedBoxIsTheSmallestAroundThePositionsAndLogged)
{
    ParticleVolume<ParticleAttributes_None> volume;
    Prepare(volume);
    std::vector<RawParticle_Pos> records = {{-3, -2, -5}, {-1, -4, -2}, {-2, -3, -1}};
    MemoryReader<RawParticle_Pos> reader(records);
    const float point[6] = {7, 7, 7, 7, 7, 7};  // a point is no box either
    qz::test::CoutCapture console;
    volume.AddDataFromRawParticleFile(&reader, point, static_cast<int>(volume.CreateTimestep(true)), 0);
    const float expected[6] = {-3, -4, -5, -1, -2, -1};
    EXPECT_TRUE(std::equal(expected, expected + 6, volume.boundingBox));
    EXPECT_NE(std::string::npos, console.Text().find("Bounding box: [-3, -4, -5] - [-1, -2, -1]")) << console.Text();
    EXPECT_NE(std::string::npos, console.Text().find("Conversion & reading: 3 particles, "));
}

TEST(RawFileLoading, AnEmptyFileStillBuildsItsTimestep)
{
    ParticleVolume<ParticleAttributes_VMag> volume;
    Prepare(volume);
    MemoryReader<RawParticle_PosVel> reader({});
    const float noBox[6] = {};
    qz::test::CoutCapture console;
    const int t = static_cast<int>(volume.CreateTimestep(true));
    volume.AddDataFromRawParticleFile(&reader, noBox, t, 0);
    EXPECT_EQ(std::string::npos, console.Text().find("Read "));
    EXPECT_TRUE(volume.GetTimestep(t)->created);
    EXPECT_FALSE(volume.boundingBox[0] == FLT_MAX);
}

TEST(RawFileLoading, ChecksFailBeforeAnyTemporaryDataExists)
{
    ParticleVolume<ParticleAttributes_VMag> volume;
    Prepare(volume);
    MemoryReader<RawParticle_PosVel> reader(Records<RawParticle_PosVel>(100));
    const float noBox[6] = {};
    const float box[6] = {0, 0, 0, 1, 1, 1};
    EXPECT_NE(std::string::npos, ErrorOf([&] { volume.AddDataFromRawParticleFile(&reader, box, -1, 0); })
                                     .find("\nNo timesteps have been added yet"));
    volume.CreateTimestep(false);
    EXPECT_NE(std::string::npos, ErrorOf([&] { volume.AddDataFromRawParticleFile(&reader, box, 5, 0); })
                                     .find("Timestep 5 does not exist"));
    const std::string partialBox = ErrorOf([&] { volume.AddDataFromRawParticleFile(&reader, noBox, 0, 10); });
    EXPECT_NE(std::string::npos, partialBox.find("ParticleVolume<struct ParticleTypes::ParticleAttributes_VMag>::"
                                                 "AddDataFromRawParticleFile"));
    EXPECT_NE(std::string::npos, partialBox.find("\"src\\ParticleVolume\""));
    EXPECT_NE(std::string::npos, partialBox.find("\nBounding box update is enabled, but only a part of the data will be "
                                                 "inserted. This will break the next inserted chunk, so don't do this!"));
    EXPECT_NE(std::string::npos, ErrorOf([&] { volume.AddDataFromRawParticleFile(&reader, box, 0, 10); })
                                     .find("\nParticles cannot be inserted in chunks when attribute storage is enabled."));
    EXPECT_EQ(0, reader.calls.load());
    // Nothing was left behind: another timestep can be made, and the first one filled.
    EXPECT_EQ(1u, volume.CreateTimestep(false));
    volume.AddDataFromRawParticleFile(&reader, box, 0, 0);
    EXPECT_TRUE(volume.GetTimestep(0)->created);
}

TEST(RawFileLoading, NoTimestepSelected)
{
    ParticleVolume<ParticleAttributes_None> volume;
    Prepare(volume);
    volume.CreateTimestep(false);
    volume.ClearAll();  // no timesteps, none current
    MemoryReader<RawParticle_Pos> reader(Records<RawParticle_Pos>(10));
    const float box[6] = {0, 0, 0, 1, 1, 1};
    EXPECT_NE(std::string::npos, ErrorOf([&] { volume.AddDataFromRawParticleFile(&reader, box, -1, 0); })
                                     .find("\nNo timesteps have been added yet"));
}

TEST(RawFileLoading, AFailingReaderLeavesAVolumeThatLoadsTheNextFile)
{
    for (const bool computeBox : {false, true}) {
        for (const int failAt : {0, 3}) {
            ParticleVolume<ParticleAttributes_VMag> volume;
            Prepare(volume);
            volume.chunkLength = 100;
            const float box[6] = {0, 0, 0, 2, 2, 2};
            const float noBox[6] = {};
            MemoryReader<RawParticle_PosVel> failing(Records<RawParticle_PosVel>(1000));
            failing.failAtCall = failAt;
            const int t = static_cast<int>(volume.CreateTimestep(true));
            const std::string error =
                ErrorOf([&] { volume.AddDataFromRawParticleFile(&failing, computeBox ? noBox : box, t, 0); });
            EXPECT_NE(std::string::npos, error.find("Injected read failure at chunk " + std::to_string(failAt)));
            EXPECT_TRUE(volume.records.empty());
            EXPECT_TRUE(volume.chunks.empty());
            EXPECT_FALSE(volume.GetTimestep(t)->created);
            const float zero[6] = {};
            EXPECT_TRUE(std::equal(zero, zero + 6, volume.boundingBox));  // the failed load's box is not kept

            // Another timestep can be made, and the failed one loaded again.
            EXPECT_EQ(1u, volume.CreateTimestep(false));
            MemoryReader<RawParticle_PosVel> good(Records<RawParticle_PosVel>(1000));
            volume.AddDataFromRawParticleFile(&good, computeBox ? noBox : box, t, 0);
            EXPECT_TRUE(volume.GetTimestep(t)->created);
        }
    }
}

TEST(RawFileLoading, AFailingInsertionReachesTheCaller)
{
    ParticleVolume<ParticleAttributes_None> volume;
    Prepare(volume);
    volume.chunkLength = 10;
    const float infinite[6] = {0, 0, 0, FLT_MAX, INFINITY, 1};  // rejected by insertion
    MemoryReader<RawParticle_Pos> reader(Records<RawParticle_Pos>(100));
    const int t = static_cast<int>(volume.CreateTimestep(true));
    EXPECT_FALSE(ErrorOf([&] { volume.AddDataFromRawParticleFile(&reader, infinite, t, 0); }).empty());
    EXPECT_TRUE(volume.records.empty());
    const float zero[6] = {};
    EXPECT_TRUE(std::equal(zero, zero + 6, volume.boundingBox));
}

}  // namespace

namespace {

TEST(RawFileLoading, ALaterTimestepFindsTheBoxAfterAFailedFirstLoad)
{
    const std::vector<RawParticle_Pos> records = Records<RawParticle_Pos>(2000);
    const float noBox[6] = {};
    ParticleVolume<ParticleAttributes_None> reference;
    Prepare(reference);
    MemoryReader<RawParticle_Pos> readerOfReference(records);
    reference.AddDataFromRawParticleFile(&readerOfReference, noBox, static_cast<int>(reference.CreateTimestep(true)), 0);

    ParticleVolume<ParticleAttributes_None> volume;
    Prepare(volume);
    volume.chunkLength = 500;
    MemoryReader<RawParticle_Pos> failing(records);
    failing.failAtCall = 1;
    EXPECT_FALSE(ErrorOf([&] { volume.AddDataFromRawParticleFile(&failing, noBox, static_cast<int>(volume.CreateTimestep(true)), 0); }).empty());

    const int t = static_cast<int>(volume.CreateTimestep(true));
    ASSERT_EQ(1, t);
    MemoryReader<RawParticle_Pos> good(records);
    volume.AddDataFromRawParticleFile(&good, noBox, t, 0);
    EXPECT_TRUE(std::equal(reference.boundingBox, reference.boundingBox + 6, volume.boundingBox));
    ParticleSplatter<ParticleAttributes_None, 2> splatter(&volume, 2), referenceSplatter(&reference, 2);
    for (auto [v, s, step] : {std::tuple<ParticleVolumeInterface*, ParticleSplatterInterface*, int> {&volume, &splatter, t},
                              {&reference, &referenceSplatter, 0}}) {
        ParticleVolumeInterface::ForEachBrick(v->GetTimestep(step).get(), [&](Brick& b) { s->PushJob(b, false); }, nullptr);
        s->StartProcessing();
        s->StopProcessing();
    }
    EXPECT_TRUE(Collect(reference, 0) == Collect(volume, t));
}

// Loads that cannot fit are refused before their memory is asked for: the particles and
// records before reading, the leaf records and occupancy data once the leaves are known.
TEST(RawFileLoading, LoadsThatCannotFitAreRefused)
{
    constexpr std::uint64_t MiB = 1 << 20;
    const struct {
        std::uint64_t available;
        const char* operation;
        const char* needed;
    } cases[] = {
        {1 * MiB, "::AddDataFromRawParticleFile\n", "MiB (particles "},
        {8 * MiB, "::Create\n", "occupancy and attribute data "},
    };
    for (const auto& c : cases) {
        ParticleVolume<ParticleAttributes_None> volume;
        volume.Prepare(32, 2, 6);  // 32768 leaves of 4 KiB occupancy each
        volume.availableMemory = [&c] { return c.available; };
        std::vector<RawParticle_Pos> records(100000);
        for (std::size_t i = 0; i < records.size(); ++i) {
            records[i] = {static_cast<float>(i % 47), static_cast<float>(i % 53), static_cast<float>(i % 59)};
        }
        MemoryReader<RawParticle_Pos> reader(records);
        const float noBox[6] = {};
        const int t = static_cast<int>(volume.CreateTimestep(true));
        const std::string error = ErrorOf([&] { volume.AddDataFromRawParticleFile(&reader, noBox, t, 0); });
        EXPECT_NE(std::string::npos, error.find(c.operation)) << error;
        EXPECT_NE(std::string::npos, error.find("\nNot enough memory: the timestep needs about ")) << error;
        EXPECT_NE(std::string::npos, error.find(c.needed)) << error;
        EXPECT_NE(std::string::npos, error.find(" MiB are available")) << error;
        EXPECT_TRUE(volume.records.empty());
        EXPECT_FALSE(volume.GetTimestep(t)->created);
        const auto& children = volume.GetTimestep(t)->root.children;
        EXPECT_TRUE(std::none_of(std::begin(children), std::end(children), [](const auto& child) { return child != nullptr; }));

        // With the memory there, the same timestep loads.
        volume.availableMemory = [] { return std::uint64_t {1} << 40; };
        MemoryReader<RawParticle_Pos> again(records);
        volume.AddDataFromRawParticleFile(&again, noBox, t, 0);
        EXPECT_TRUE(volume.GetTimestep(t)->created);
    }
}

}  // namespace
