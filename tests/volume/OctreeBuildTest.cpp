#include "tests/volume/VolumeTestSupport.h"

#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <cfloat>

namespace {

using namespace qz::test;

// Centre of voxel (vx, vy, vz) of the unit box under 6 levels of 64 with overlap 4.
ParticleTypes::VolumeParticle<VMag> AtVoxel(float vx, float vy, float vz)
{
    return MakeParticle(vx / 1791.0f, vy / 1791.0f, vz / 1791.0f);
}

void PrepareUnitVolume(ParticleVolume<VMag>& volume)
{
    volume.Prepare(64, 4, 6);
    SetBox(volume, {0, 0, 0, 1, 1, 1});
}

std::vector<Brick*> AllBricks(ParticleVolume<VMag>& volume, int t)
{
    std::vector<Brick*> bricks;
    ParticleVolumeInterface::ForEachBrick(volume.GetTimestep(t).get(), [&](Brick& b) { bricks.push_back(&b); },
                                          nullptr);
    return bricks;
}

TEST(OctreeBuild, ParticlesOfOneLeafMakeOnePathOfBricks)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    // Voxels 84 ... 86 lie in brick 1 (56 ... 111), far from its faces.
    const int t = BuildTimestep(volume, {AtVoxel(84, 84, 28), AtVoxel(85, 86, 30), AtVoxel(86, 85, 27)});
    const auto data = volume.GetTimestep(t);
    EXPECT_TRUE(data->created);
    ASSERT_EQ(1u, data->leafBricks.size());
    Brick* leaf = data->leafBricks[0];
    EXPECT_EQ(5u, leaf->level);
    EXPECT_EQ(1u, leaf->position[0]);
    EXPECT_EQ(1u, leaf->position[1]);
    EXPECT_EQ(0u, leaf->position[2]);
    EXPECT_EQ(3u, leaf->particleCount);
    EXPECT_EQ(3u, leaf->totalParticleCount);
    EXPECT_EQ(t, leaf->timestep);

    const std::vector<Brick*> bricks = AllBricks(volume, t);
    ASSERT_EQ(6u, bricks.size());
    for (std::uint32_t level = 0; level < 5; ++level) {
        EXPECT_EQ(level, bricks[level]->level);
        EXPECT_EQ(0u, bricks[level]->position[0]);
        EXPECT_EQ(0u, bricks[level]->position[1]);
        EXPECT_EQ(0u, bricks[level]->particleCount);
    }
    // Brick index 33 = 1 + 1 * 32.
    const auto* records = leaf->particles.Get<VMag>();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(33u, records[i].brickIndex);
    EXPECT_EQ(volume.statistics.particleCount, 3);
    EXPECT_EQ(volume.statistics.overlapParticleCount, 0);
}

TEST(OctreeBuild, TemporaryDataIsGoneAfterTheBuild)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    BuildTimestep(volume, {AtVoxel(1, 1, 1), AtVoxel(56, 56, 56)});
    EXPECT_TRUE(volume.records.empty());
    EXPECT_EQ(0u, volume.records.capacity());
    EXPECT_TRUE(volume.chunks.empty());
    EXPECT_TRUE(volume.threadRecords.empty());
    EXPECT_EQ(nullptr, volume.leafCounters);
    // The next timestep can start.
    EXPECT_EQ(1u, volume.CreateTimestep(false));
}

TEST(OctreeBuild, SetsTheWorldToVolumeTransform)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    SetBox(volume, {2, -1, 4, 6, 1, 6});
    BuildTimestep(volume, {MakeParticle(3, 0, 5)});
    const auto& m = volume.worldToVolume.m;
    // Extent 4, origin (2, -1, 3): the minimum corner maps to (-1, -1, -0.5).
    EXPECT_FLOAT_EQ(0.5f, m[0][0]);
    EXPECT_FLOAT_EQ(0.5f, m[1][1]);
    EXPECT_FLOAT_EQ(0.5f, m[2][2]);
    EXPECT_FLOAT_EQ(-1.0f, 2 * m[0][0] + m[3][0]);
    EXPECT_FLOAT_EQ(-1.0f, -1 * m[1][1] + m[3][1]);
    EXPECT_FLOAT_EQ(-0.5f, 4 * m[2][2] + m[3][2]);
    EXPECT_EQ(1.0f, m[3][3]);
}

TEST(OctreeBuild, AnEmptyTimestepKeepsNoEmptyBox)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    SetBox(volume, {FLT_MAX, FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX});
    const int t = BuildTimestep(volume, {});
    EXPECT_TRUE(volume.GetTimestep(t)->created);
    EXPECT_TRUE(volume.GetTimestep(t)->leafBricks.empty());
    for (float value : volume.boundingBox) EXPECT_EQ(0.0f, value);
    EXPECT_EQ(1.0f, volume.worldToVolume.m[0][0]);
    EXPECT_EQ(0.0f, volume.worldToVolume.m[3][0]);
    EXPECT_EQ(1u, AllBricks(volume, t).size());
}

TEST(OctreeBuild, ASecondBuildBeforeSplattingFails)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    const int t = BuildTimestep(volume, {AtVoxel(84, 84, 28)});
    LoadChunk(volume, {AtVoxel(85, 85, 28)});
    volume.InsertParticles(0, 0);
    const std::string error = ErrorText([&] { volume.Create(t); });
    EXPECT_NE(std::string::npos, error.find("Brick already contains particles"));
    EXPECT_NE(std::string::npos, error.find("ParticleVolume<struct ParticleTypes::ParticleAttributes_VMag>::Create"));
    // The temporary data stays for the caller to clear.
    EXPECT_FALSE(volume.records.empty());
    volume.ClearTemporaryData();
}

TEST(OctreeBuild, RebuildingAfterForgettingTheParticlesReleasesTheOldRecords)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    const int t = BuildTimestep(volume, {AtVoxel(84, 84, 28), AtVoxel(84, 85, 28)});
    volume.ClearParticleData(t);
    Brick* leaf = volume.GetTimestep(t)->leafBricks[0];
    EXPECT_EQ(0u, leaf->particleCount);
    EXPECT_TRUE(leaf->particles);  // kept, as splatting would free it

    LoadChunk(volume, {AtVoxel(85, 85, 28)});
    volume.InsertParticles(0, 0);
    volume.Create(t);
    EXPECT_EQ(1u, leaf->particleCount);
    EXPECT_EQ(3u, leaf->totalParticleCount);
    // AddressSanitizer reports the first array if it leaked.
}

TEST(OctreeBuild, AFailedBuildLeavesNoUnfilledArrays)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    const int t = BuildTimestep(volume, {AtVoxel(84, 84, 28)});
    // Leaf 0 comes first and gets its array; leaf 33 still holds its particle.
    LoadChunk(volume, {AtVoxel(1, 1, 1), AtVoxel(85, 85, 28)});
    volume.InsertParticles(0, 0);
    EXPECT_NE(std::string::npos, ErrorText([&] { volume.Create(t); }).find("Brick already contains particles"));
    const auto data = volume.GetTimestep(t);
    ASSERT_EQ(1u, data->leafBricks.size());
    EXPECT_EQ(1u, data->leafBricks[0]->position[0]);
    const std::uint32_t origin[3] = {0, 0, 0};
    Brick* first = volume.GetBrick(t, origin, 5, false);
    ASSERT_NE(nullptr, first);
    EXPECT_FALSE(first->particles);
    EXPECT_EQ(0u, first->particleCount);
    EXPECT_EQ(0u, first->totalParticleCount);
    volume.ClearTemporaryData();

    // Counters that promise fewer records than there are.
    LoadChunk(volume, Particles<VMag>(5));
    volume.leafCounters[0] = 3;
    EXPECT_NE(std::string::npos,
              ErrorText([&] { volume.Create(t); }).find("The inserted records do not match the leaf counters"));
    EXPECT_FALSE(first->particles);
    EXPECT_EQ(0u, first->particleCount);
    EXPECT_EQ(1u, data->leafBricks.size());
    volume.ClearTemporaryData();
}

TEST(OctreeBuild, RecordsThatDoNotMatchTheCountersAreAnError)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    const int t = static_cast<int>(volume.CreateTimestep(true));
    LoadChunk(volume, Particles<VMag>(5));
    // Not inserted: the records name brick 0, whose counter says 0.
    const std::string error = ErrorText([&] { volume.Create(t); });
    EXPECT_NE(std::string::npos, error.find("The inserted records do not match the leaf counters"));
    volume.ClearTemporaryData();

    EXPECT_NE(std::string::npos, ErrorText([&] { volume.Create(t); }).find("PrepareTemporaryData() call missing"));
    EXPECT_NE(std::string::npos, ErrorText([&] { volume.Create(4); }).find("Invalid timestep 4"));
}

TEST(GetBrick, FindsOrCreatesAlongThePath)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    const int t = static_cast<int>(volume.CreateTimestep(true));
    const std::uint32_t origin[3] = {0, 0, 0};
    const std::uint32_t leaf[3] = {1, 1, 0};
    EXPECT_EQ(&volume.GetTimestep(t)->root, volume.GetBrick(t, origin, 0, false));
    EXPECT_EQ(nullptr, volume.GetBrick(t, leaf, 5, false));
    EXPECT_EQ(nullptr, volume.GetBrick(t, origin, 1, false));

    Brick* created = volume.GetBrick(t, leaf, 5, true);
    ASSERT_NE(nullptr, created);
    EXPECT_EQ(5u, created->level);
    EXPECT_EQ(1u, created->position[1]);
    EXPECT_EQ(created, volume.GetBrick(t, leaf, 5, false));
    const std::uint32_t parent[3] = {0, 0, 0};
    EXPECT_NE(nullptr, volume.GetBrick(t, parent, 4, false));
    EXPECT_EQ(6u, AllBricks(volume, t).size());
}

TEST(GetBrick, PositionsOutsideTheGridAreIndexErrors)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    const int t = static_cast<int>(volume.CreateTimestep(true));
    const std::uint32_t outside[3] = {32, 0, 0};
    const std::string error = ErrorText([&] { volume.GetBrick(t, outside, 5, true); });
    EXPECT_NE(std::string::npos, error.find("Index error: [32, 0, 0]"));
    // The path down to (31, 0, 0) was made before the failure.
    const std::uint32_t last[3] = {31, 0, 0};
    EXPECT_NE(nullptr, volume.GetBrick(t, last, 5, false));

    const std::uint32_t one[3] = {1, 0, 0};
    EXPECT_NE(std::string::npos, ErrorText([&] { volume.GetBrick(t, one, 0, true); }).find("Index error: [1, 0, 0]"));
    const std::uint32_t huge[3] = {0x80000000u, 0, 0xFFFFFFFFu};
    EXPECT_NE(std::string::npos, ErrorText([&] { volume.GetBrick(t, huge, 5, true); }).find("Index error"));
    EXPECT_NE(std::string::npos, ErrorText([&] { volume.GetBrick(t, one, -1, true); }).find("Invalid brick level -1"));
    EXPECT_NE(std::string::npos, ErrorText([&] { volume.GetBrick(t, one, 6, true); }).find("Invalid brick level 6"));
    EXPECT_NE(std::string::npos, ErrorText([&] { volume.GetBrick(t + 1, one, 1, true); }).find("Invalid timestep"));
    EXPECT_NE(std::string::npos, ErrorText([&] { volume.GetBrick(-1, one, 1, true); }).find("No timestep selected"));
}

TEST(ClearOperations, CheckTheTimestepIndex)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    EXPECT_NE(std::string::npos, ErrorText([&] { volume.ClearParticleData(-1); }).find("No timestep selected"));
    {
        qz::test::CoutCapture capture;
        EXPECT_NE(std::string::npos, ErrorText([&] { volume.ClearVolumeData(-1); }).find("No timestep selected"));
        const std::string text = capture.Text();
        EXPECT_LT(text.find("Clearing volume data"), text.find("No timestep selected"));
    }
    volume.CreateTimestep(false);
    EXPECT_NE(std::string::npos, ErrorText([&] { volume.ClearParticleData(1); }).find("Invalid timestep 1"));
    EXPECT_NE(std::string::npos, ErrorText([&] { volume.ClearVolumeData(7); }).find("Invalid timestep 7"));
    EXPECT_NE(std::string::npos,
              ErrorText([&] { volume.ClearVolumeData(7); }).find("ParticleAttributes_VMag>::ClearVolumeData"));
    EXPECT_EQ("", ErrorText([&] { volume.ClearParticleData(0); }));
    EXPECT_EQ("", ErrorText([&] { volume.ClearVolumeData(0); }));
}

TEST(ClearOperations, VolumeDataIsReleasedButCountsAndOffsetsStay)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    const int t = BuildTimestep(volume, {AtVoxel(84, 84, 28)});
    Brick* leaf = volume.GetTimestep(t)->leafBricks[0];
    leaf->levels.assign(4, std::vector<Brick::OccupancyWord>(8));
    leaf->attributeOffsets.assign(8, 1);
    leaf->attributeValues.assign(3, 7);
    leaf->foamVolume.assign(16, 2);
    leaf->postProcessed = true;
    leaf->gpuSlot.index = 2;
    leaf->gpuSlot.reserved = true;
    volume.ClearVolumeData(t);
    EXPECT_TRUE(leaf->levels.empty());
    EXPECT_TRUE(leaf->attributeValues.empty());
    EXPECT_TRUE(leaf->foamVolume.empty());
    EXPECT_FALSE(leaf->postProcessed);
    EXPECT_EQ(8u, leaf->attributeOffsets.size());
    EXPECT_EQ(1u, leaf->particleCount);
    EXPECT_TRUE(leaf->IsResident());
}

TEST(ClearOperations, ClearAllDropsEveryTimestepAndTheSelection)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    BuildTimestep(volume, {AtVoxel(84, 84, 28)});
    BuildTimestep(volume, {AtVoxel(84, 84, 28)});
    EXPECT_EQ(1, volume.GetCurrentTimestep());
    auto kept = volume.GetTimestep(1);
    volume.ClearAll();
    EXPECT_FALSE(volume.HasTimesteps());
    EXPECT_EQ(-1, volume.GetCurrentTimestep());
    EXPECT_EQ(nullptr, volume.GetTimestep(0));
    // A timestep still held elsewhere stays whole until released.
    EXPECT_EQ(1u, kept->leafBricks.size());
    EXPECT_EQ(0u, volume.CreateTimestep(false));
    EXPECT_EQ(0, volume.GetCurrentTimestep());
}

TEST(AnalyzeTimestep, SumsTheOccupancyOfTheBricks)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    const int t = BuildTimestep(volume, {AtVoxel(84, 84, 28), AtVoxel(1, 1, 1)});
    TimestepAnalysis empty = volume.AnalyzeTimestep(static_cast<std::uint32_t>(t));
    EXPECT_EQ(0u, empty.occupiedVoxels);
    EXPECT_EQ(0u, empty.brickCount);
    EXPECT_EQ(0u, empty.memory);

    auto& leaves = volume.GetTimestep(t)->leafBricks;
    ASSERT_EQ(2u, leaves.size());
    leaves[0]->levels.assign(1, std::vector<Brick::OccupancyWord>(10));
    leaves[0]->levels[0][0] = {0xFFFFFFFFu, 1, 0, 0x80000000u};
    leaves[0]->levels[0][9] = {3, 0, 0, 0};
    leaves[0]->gpuSlot.index = 0;
    leaves[0]->gpuSlot.reserved = true;
    leaves[1]->levels.assign(2, std::vector<Brick::OccupancyWord>(4, {1, 1, 1, 1}));

    const TimestepAnalysis a = volume.AnalyzeTimestep(~0u);
    EXPECT_EQ(34u + 2u + 16u, a.occupiedVoxels);
    EXPECT_EQ(36u, a.residentOccupiedVoxels);
    EXPECT_EQ(10u, a.residentWordCount);
    EXPECT_EQ(2u, a.brickCount);
    // trunc(160 * 1.15) + trunc(64 * 1.15)
    EXPECT_EQ(184u + 73u, a.memory);
    EXPECT_EQ(0u, a.foamVoxels);
}

TEST(AnalyzeTimestep, ChecksTheTimestepIndex)
{
    ParticleVolume<VMag> volume;
    PrepareUnitVolume(volume);
    EXPECT_NE(std::string::npos, ErrorText([&] { volume.AnalyzeTimestep(~0u); }).find("No timestep selected"));
    volume.CreateTimestep(false);
    EXPECT_NE(std::string::npos, ErrorText([&] { volume.AnalyzeTimestep(1); }).find("Invalid timestep 1"));
    EXPECT_NE(std::string::npos, ErrorText([&] { volume.AnalyzeTimestep(0x80000000u); }).find("Invalid timestep"));
    qz::test::CoutCapture capture;
    EXPECT_EQ("", ErrorText([&] { volume.AnalyzeTimestep(0); }));
    EXPECT_NE(std::string::npos, capture.Text().find("Starting analysis of timestep 0"));
}

TEST(LeafCounters, CountInSixtyFourBits)
{
    ParticleVolume<None> volume;
    static_assert(std::is_same_v<decltype(volume.leafCounters[0].load()), std::uint64_t>);
    SUCCEED();
}

}  // namespace
