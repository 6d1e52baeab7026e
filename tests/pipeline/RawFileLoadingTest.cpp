#include "src/ParticleSplatter.h"
#include "src/ParticleVolume.h"
#include "tests/pipeline/MemoryReader.h"
#include "tests/support/ErrorReports.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <map>
#include <tuple>

namespace {

using namespace ParticleTypes;
using qz::test::ErrorText;
using qz::test::MemoryReader;

// What the splatted bricks of a timestep hold, by level and position.
struct BrickResult {
    std::uint64_t totalParticleCount;
    std::vector<OccupancyWord> level0;
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint16_t> values;
    bool operator==(const BrickResult&) const = default;
};
using TimestepResult = std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>, BrickResult>;

template <class Attr, int Kind>
TimestepResult Splatted(ParticleVolume<Attr>& volume, int t)
{
    ParticleSplatter<Attr, Kind> splatter(&volume, 3);
    ParticleVolumeInterface::ForEachBrick(volume.GetTimestep(t).get(), [&](Brick& brick) { splatter.PushJob(brick, false); }, nullptr);
    splatter.StartProcessing();
    splatter.StopProcessing();
    TimestepResult result;
    ParticleVolumeInterface::ForEachBrick(volume.GetTimestep(t).get(), [&](Brick& brick) {
        if (brick.totalParticleCount == 0) return;
        result[{brick.level, brick.position[0], brick.position[1], brick.position[2]}] = {
            brick.totalParticleCount, brick.levels.empty() ? std::vector<OccupancyWord> {} : brick.levels[0],
            brick.attributeOffsets, brick.attributeValues};
    }, nullptr);
    return result;
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

// Loads the records into a new timestep of the volume; returns its index.
template <class Attr, class T>
int Load(ParticleVolume<Attr>& volume, const std::vector<T>& records, const float (&box)[6])
{
    MemoryReader<T> reader(records);
    const int t = static_cast<int>(volume.CreateTimestep(true));
    volume.AddDataFromRawParticleFile(&reader, box, t, 0);
    EXPECT_TRUE(volume.records.empty() && volume.chunks.empty());
    return t;
}

// The pipeline (chunks inserted at once with a computed box, or while reading with the
// same box given) gives the bricks of a serial build: one chunk converted in order, one
// insertion, every brick splatted.
template <class T, int Kind>
void ExpectPipelineMatchesSerial(std::size_t count, std::initializer_list<std::uint64_t> chunkLengths)
{
    using Attr = typename RecordAttributes<T>::Type;
    const std::vector<T> records = Records<T>(count);
    const float noBox[6] = {};
    ParticleVolume<Attr> computed;
    computed.Prepare(32, 2, 4);
    computed.chunkLength = 997;
    const TimestepResult allAtOnce = Splatted<Attr, Kind>(computed, Load(computed, records, noBox));
    float box[6];
    std::copy(computed.boundingBox, computed.boundingBox + 6, box);

    ParticleVolume<Attr> serial;
    serial.Prepare(32, 2, 4);
    const int t = static_cast<int>(serial.CreateTimestep(true));
    serial.PrepareTemporaryData();
    serial.chunks.resize(1);
    for (const T& r : records) serial.chunks[0].push_back(ConvertRecord(r));
    serial.records.resize(records.size());
    std::copy(box, box + 6, serial.boundingBox);
    serial.InsertParticles(0, 0);
    serial.Create(t);
    const TimestepResult reference = Splatted<Attr, Kind>(serial, t);
    ASSERT_GT(reference.size(), 20u);
    EXPECT_TRUE(reference == allAtOnce);
    for (const std::uint64_t chunk : chunkLengths) {
        ParticleVolume<Attr> chunked;
        chunked.Prepare(32, 2, 4);
        chunked.chunkLength = chunk;
        EXPECT_TRUE(reference == (Splatted<Attr, Kind>(chunked, Load(chunked, records, box)))) << "chunks of " << chunk;
    }
}

TEST(RawFileLoading, PipelineGivesTheBricksOfASerialBuild)
{
    qz::test::CoutCapture console;
    VelocityMaximum.store(1.5f);
    ExpectPipelineMatchesSerial<RawParticle_PosVel, 0>(20'000, {333, 20'000});
    ExpectPipelineMatchesSerial<RawParticle_PosCol, 1>(20'000, {4'096});
    ExpectPipelineMatchesSerial<RawParticle_Pos, 2>(5'000, {777});
    ExpectPipelineMatchesSerial<RawParticle_Pos, 2>(300, {1});  // one particle per chunk
}

TEST(RawFileLoading, BoxesGivenComputedKeptAndLogged)
{
    qz::test::CoutCapture console;
    ParticleVolume<ParticleAttributes_None> volume;
    volume.Prepare(32, 2, 4);
    const float given[6] = {-1, -2, -3, 4, 5, 6}, other[6] = {0, 0, 0, 1, 1, 1};
    Load(volume, Records<RawParticle_Pos>(1000), given);
    Load(volume, Records<RawParticle_Pos>(1000), other);
    EXPECT_TRUE(std::equal(given, given + 6, volume.boundingBox)) << "the box of timestep 0 stays";

    ParticleVolume<ParticleAttributes_None> computed;
    computed.Prepare(32, 2, 4);
    const float point[6] = {7, 7, 7, 7, 7, 7};  // a point is no box either
    Load(computed, std::vector<RawParticle_Pos> {{-3, -2, -5}, {-1, -4, -2}, {-2, -3, -1}}, point);
    const float expected[6] = {-3, -4, -5, -1, -2, -1};
    EXPECT_TRUE(std::equal(expected, expected + 6, computed.boundingBox));
    EXPECT_NE(std::string::npos, console.Text().find("Bounding box: [-3, -4, -5] - [-1, -2, -1]\n"));
    EXPECT_NE(std::string::npos, console.Text().find("Conversion & reading: 3 particles, "));
}

// Particles all at one point make a box without extent: every one goes to the first
// voxel of brick 0's own region.
TEST(RawFileLoading, AllParticlesAtOnePointLoadIntoTheFirstVoxel)
{
    qz::test::CoutCapture console;
    for (const std::size_t count : {1, 50}) {
        ParticleVolume<ParticleAttributes_None> volume;
        volume.Prepare(32, 2, 4);
        const float noBox[6] = {};
        const int t = Load(volume, std::vector<RawParticle_Pos>(count, {2.5f, -1, 3}), noBox);
        const float box[6] = {2.5f, -1, 3, 2.5f, -1, 3};
        EXPECT_TRUE(std::equal(box, box + 6, volume.boundingBox));
        const auto& leaves = volume.GetTimestep(t)->leafBricks;
        ASSERT_EQ(1u, leaves.size());
        EXPECT_TRUE(leaves[0]->level == 3 && leaves[0]->position[0] == 0 && leaves[0]->position[1] == 0 && leaves[0]->position[2] == 0);
        ASSERT_EQ(count, leaves[0]->particleCount);
        EXPECT_EQ(2u | 2u << 10 | 2u << 20, leaves[0]->particles.Get<ParticleAttributes_None>()[count - 1].position);
    }
}

// An empty file keeps the empty box of no particle, and the next timestep finds its own.
TEST(RawFileLoading, AnEmptyFileBuildsItsTimestepWithTheEmptyBox)
{
    qz::test::CoutCapture console;
    ParticleVolume<ParticleAttributes_VMag> volume;
    volume.Prepare(32, 2, 4);
    const float noBox[6] = {};
    const int t = Load(volume, std::vector<RawParticle_PosVel> {}, noBox);
    EXPECT_EQ(std::string::npos, console.Text().find("Read "));
    EXPECT_TRUE(volume.GetTimestep(t)->created);
    const float empty[6] = {FLT_MAX, FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX};
    EXPECT_TRUE(std::equal(empty, empty + 6, volume.boundingBox));
    Load(volume, std::vector<RawParticle_PosVel> {{0, 0, 0, 1, 0, 0}, {2, 1, 1, 0, 0, 0}}, noBox);
    const float found[6] = {0, 0, 0, 2, 1, 1};
    EXPECT_TRUE(std::equal(found, found + 6, volume.boundingBox));
}

TEST(RawFileLoading, ChecksFailBeforeAnyTemporaryDataExists)
{
    qz::test::CoutCapture console;
    ParticleVolume<ParticleAttributes_VMag> volume;
    volume.Prepare(32, 2, 4);
    MemoryReader<RawParticle_PosVel> reader(Records<RawParticle_PosVel>(100));
    const float noBox[6] = {}, box[6] = {0, 0, 0, 1, 1, 1};
    const std::string method = "ParticleVolume<struct ParticleTypes::ParticleAttributes_VMag>::AddDataFromRawParticleFile|src\\ParticleVolume|";
    const auto add = [&](const float(&b)[6], int t, std::int64_t count) {
        return qz::test::ReportOf([&] { volume.AddDataFromRawParticleFile(&reader, b, t, count); });
    };
    EXPECT_EQ(method + "No timesteps have been added yet", add(box, -1, 0));
    volume.CreateTimestep(false);
    EXPECT_EQ(method + "Timestep 5 does not exist", add(box, 5, 0));
    EXPECT_EQ(method + "Bounding box update is enabled, but only a part of the data will be inserted. This will break the "
                       "next inserted chunk, so don't do this!",
              add(noBox, 0, 10));
    EXPECT_EQ(method + "Particles cannot be inserted in chunks when attribute storage is enabled.", add(box, 0, 10));
    EXPECT_EQ(0, reader.calls.load());
    EXPECT_EQ(1u, volume.CreateTimestep(false)) << "nothing was left behind";
    volume.AddDataFromRawParticleFile(&reader, box, 0, 0);
    EXPECT_TRUE(volume.GetTimestep(0)->created);
    volume.ClearAll();  // no timesteps, none current
    EXPECT_EQ(method + "No timesteps have been added yet", add(box, -1, 0));
}

TEST(RawFileLoading, AFailedLoadLeavesAVolumeThatLoadsTheNextFile)
{
    qz::test::CoutCapture console;
    const float box[6] = {0, 0, 0, 2, 2, 2}, noBox[6] = {}, zero[6] = {};
    for (const bool computeBox : {false, true}) {
        for (const int failAt : {0, 3}) {
            ParticleVolume<ParticleAttributes_VMag> volume;
            volume.Prepare(32, 2, 4);
            volume.chunkLength = 100;
            MemoryReader<RawParticle_PosVel> failing(Records<RawParticle_PosVel>(1000));
            failing.failAtCall = failAt;
            const int t = static_cast<int>(volume.CreateTimestep(true));
            EXPECT_TRUE(ErrorText([&] { volume.AddDataFromRawParticleFile(&failing, computeBox ? noBox : box, t, 0); })
                            .ends_with("Injected read failure at chunk " + std::to_string(failAt)));
            EXPECT_TRUE(volume.records.empty() && volume.chunks.empty() && !volume.GetTimestep(t)->created);
            EXPECT_TRUE(std::equal(zero, zero + 6, volume.boundingBox)) << "the failed load's box is not kept";
            EXPECT_EQ(1u, volume.CreateTimestep(false));
            MemoryReader<RawParticle_PosVel> good(Records<RawParticle_PosVel>(1000));
            volume.AddDataFromRawParticleFile(&good, computeBox ? noBox : box, t, 0);
            EXPECT_TRUE(volume.GetTimestep(t)->created) << "the failed timestep loads again";
        }
    }
    ParticleVolume<ParticleAttributes_None> volume;
    volume.Prepare(32, 2, 4);
    volume.chunkLength = 10;
    const float infinite[6] = {0, 0, 0, FLT_MAX, INFINITY, 1};  // refused by insertion on its thread
    MemoryReader<RawParticle_Pos> reader(Records<RawParticle_Pos>(100));
    EXPECT_NE("", ErrorText([&] { volume.AddDataFromRawParticleFile(&reader, infinite, static_cast<int>(volume.CreateTimestep(true)), 0); }));
    EXPECT_TRUE(volume.records.empty() && std::equal(zero, zero + 6, volume.boundingBox));

    // A later timestep finds the box after a failed first load, as the first would have.
    const std::vector<RawParticle_Pos> records = Records<RawParticle_Pos>(2000);
    ParticleVolume<ParticleAttributes_None> reference, later;
    reference.Prepare(32, 2, 4);
    later.Prepare(32, 2, 4);
    later.chunkLength = 500;
    MemoryReader<RawParticle_Pos> failing(records);
    failing.failAtCall = 1;
    EXPECT_NE("", ErrorText([&] { later.AddDataFromRawParticleFile(&failing, noBox, static_cast<int>(later.CreateTimestep(true)), 0); }));
    const int t = Load(later, records, noBox);
    ASSERT_EQ(1, t);
    EXPECT_TRUE((Splatted<ParticleAttributes_None, 2>(reference, Load(reference, records, noBox))) ==
                (Splatted<ParticleAttributes_None, 2>(later, t)));
    EXPECT_TRUE(std::equal(reference.boundingBox, reference.boundingBox + 6, later.boundingBox));
}

// Loads that cannot fit are refused before their memory is asked for: the particles and
// records before reading, the leaf records and occupancy data once the leaves are known.
TEST(RawFileLoading, LoadsThatCannotFitAreRefused)
{
    qz::test::CoutCapture console;
    const std::pair<std::uint64_t, std::string> cases[] = {{1 << 20, "::AddDataFromRawParticleFile|src\\ParticleVolume|"
                                                                      "Not enough memory: the timestep needs about "},
                                                           {8 << 20, "::Create|src\\ParticleVolume|Not enough memory: the timestep needs about "}};
    for (const auto& [available, error] : cases) {
        ParticleVolume<ParticleAttributes_None> volume;
        volume.Prepare(32, 2, 6);  // 32768 leaves of 4 KiB occupancy each
        volume.availableMemory = [available] { return available; };
        std::vector<RawParticle_Pos> records(100000);
        for (std::size_t i = 0; i < records.size(); ++i) records[i] = {float(i % 47), float(i % 53), float(i % 59)};
        MemoryReader<RawParticle_Pos> reader(records);
        const float noBox[6] = {};
        const int t = static_cast<int>(volume.CreateTimestep(true));
        const std::string report = qz::test::ReportOf([&] { volume.AddDataFromRawParticleFile(&reader, noBox, t, 0); });
        EXPECT_NE(std::string::npos, report.find(error)) << report;
        EXPECT_NE(std::string::npos, report.find(" MiB are available")) << report;
        EXPECT_NE(std::string::npos, report.find(available == 1 << 20 ? "MiB (particles " : "occupancy and attribute data ")) << report;
        EXPECT_TRUE(volume.records.empty() && !volume.GetTimestep(t)->created);
        for (const auto& child : volume.GetTimestep(t)->root.children) EXPECT_EQ(nullptr, child);
        volume.availableMemory = [] { return std::uint64_t {1} << 40; };
        MemoryReader<RawParticle_Pos> again(records);
        volume.AddDataFromRawParticleFile(&again, noBox, t, 0);
        EXPECT_TRUE(volume.GetTimestep(t)->created) << "with the memory there, the same timestep loads";
    }
}

}  // namespace
