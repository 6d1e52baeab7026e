#include "tests/volume/VolumeTestSupport.h"

#include "src/LeafScatter.h"
#include "src/ParallelFailure.h"
#include "tarnwick/dev/Statistics.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <tuple>

namespace {

using namespace qz::test;

const char* const CsvPath = "./Media/particleVolumeStatistics.csv";

void PrepareUnitVolume(ParticleVolume<None>& volume)
{
    volume.Prepare(64, 4, 6);
    SetBox(volume, {0, 0, 0, 1, 1, 1});
}

Particles<None> InteriorParticles(std::size_t count)
{
    // Voxel 30 of brick 0 on every axis: no overlap copies.
    return Particles<None>(count, ParticleTypes::VolumeParticle<None> {30.0f / 1791, 30.0f / 1791, 30.0f / 1791, {}});
}

// Every quoted number with six decimals ("12.345678") replaced by "*".
std::string TimesMasked(const std::string& csv)
{
    std::string out;
    for (std::size_t at = 0; at < csv.size();) {
        const std::size_t close = csv.find('"', at + 1);
        const std::size_t point = csv.find('.', at);
        const bool quotedTime = csv[at] == '"' && close != std::string::npos && point < close &&
                                close - point == 7 && point > at + 1 &&
                                csv.find_first_not_of("0123456789.", at + 1) == close;
        if (quotedTime) {
            out += '*';
            at = close + 1;
        } else {
            out += csv[at++];
        }
    }
    return out;
}

TEST(VolumeStatistics, EveryBuildAddsOneLineBelowTheHeader)
{
    std::filesystem::remove_all("Media");
    {
        ParticleVolume<None> volume;
        PrepareUnitVolume(volume);
        BuildTimestep(volume, InteriorParticles(3));
        EXPECT_TRUE(volume.statisticsRecorder.IsRecording());
        volume.statistics.readingTime = 1.5;
        BuildTimestep(volume, InteriorParticles(2));
    }
    // Columns in key order, headed by the descriptions; measured times vary ("*").
    const std::string measured = TimesMasked(qz::test::ReadFile(CsvPath));
    EXPECT_EQ("\"Insertion time (ms)\";\"# overlap particles\";\"# particles in\";\"Octree time (ms)\";\"Overlap copy time "
              "(ms)\";\"Reading time (ms)\";\"Sorting time (ms)\";\r\n*;\"0\";\"3\";*;*;*;*;\r\n*;\"0\";\"2\";*;*;*;*;\r\n",
              measured);
    EXPECT_NE(std::string::npos, qz::test::ReadFile(CsvPath).find("\"0.000000\";\"1.500000\";"));
}

TEST(VolumeStatistics, AFolderThatCannotBeMadeCostsOnlyTheRecord)
{
    std::filesystem::remove_all("Media");
    std::ofstream("Media") << "a file where the folder belongs";
    ParticleVolume<None> volume;
    PrepareUnitVolume(volume);
    qz::test::CoutCapture capture;
    const int t = BuildTimestep(volume, InteriorParticles(4));
    EXPECT_NE(std::string::npos, capture.Text().find("WARNING: Volume statistics are not recorded"));
    EXPECT_TRUE(volume.GetTimestep(t)->created);
    EXPECT_EQ(4u, volume.GetTimestep(t)->leafBricks[0]->particleCount);
    EXPECT_TRUE(volume.records.empty());
    EXPECT_EQ(nullptr, volume.leafCounters);
    EXPECT_FALSE(volume.statisticsRecorder.IsRecording());
    std::filesystem::remove("Media");
}

const qz::core::VariantCollectionItem* PublishedTimestep()
{
    return qz::dev::Statistics::GetCollection("particlevolume").FindItem("timestep");
}

TEST(VolumeStatistics, TheCurrentTimestepIsPublishedWhileTheVolumeLives)
{
    {
        ParticleVolume<None> volume;
        volume.Prepare(16, 2, 2);
        EXPECT_EQ("Particle Volume", qz::dev::Statistics::GetCollection("particlevolume").label);
        const auto* item = PublishedTimestep();
        ASSERT_TRUE(item && item->description == "Current timestep" && item->value.Type() == qz::core::DataTypeInt32);
        EXPECT_EQ(-1, *static_cast<const std::int32_t*>(item->value.Pointer()));
        volume.CreateTimestep(false);
        volume.CreateTimestep(true);
        EXPECT_EQ(1, *static_cast<const std::int32_t*>(item->value.Pointer()));
    }
    EXPECT_EQ(nullptr, PublishedTimestep());
    auto older = std::make_unique<ParticleVolume<None>>();
    auto newer = std::make_unique<ParticleVolume<VMag>>();
    newer->Prepare(16, 2, 2);
    newer->CreateTimestep(false);
    older.reset();  // leaves the newer one's item
    ASSERT_NE(nullptr, PublishedTimestep());
    EXPECT_EQ(0, *static_cast<const std::int32_t*>(PublishedTimestep()->value.Pointer()));
    newer.reset();
    EXPECT_EQ(nullptr, PublishedTimestep());
}

using Record = BrickParticle<ParticleTypes::ParticleAttributes_None>;

// A leaf grid of 8 cells; cells 2 and 5 have arrays of the given sizes.
struct TwoLeaves {
    TwoLeaves(std::uint64_t size2, std::uint64_t size5) : first(size2, Record {0xDEAD, {}, 0}), second(size5, Record {0xDEAD, {}, 0})
    {
        leaves.denseIndex.assign(8, LeafArrays<Record>::NoLeaf);
        leaves.denseIndex[2] = 0;
        leaves.denseIndex[5] = 1;
        leaves.arrays = {first.data(), second.data()};
        leaves.sizes = {size2, size5};
    }
    std::string Positions() const
    {
        std::vector<std::uint32_t> a, b;
        for (const Record& r : first) a.push_back(r.position);
        for (const Record& r : second) b.push_back(r.position);
        std::sort(a.begin(), a.end());
        std::sort(b.begin(), b.end());
        std::string text;
        for (const auto& list : {a, b}) {
            for (const std::uint32_t p : list) text += std::to_string(p) + " ";
            text += "|";
        }
        return text;
    }
    std::vector<Record> first, second;
    LeafArrays<Record> leaves;
};

TEST(LeafScatter, FillsEveryArrayExactlyOrWritesNothing)
{
    TwoLeaves t(4, 4);
    std::vector<Record> records;
    for (std::uint32_t i = 0; i < 5; ++i) records.push_back({i, {}, i % 2 ? 5u : 2u});
    const std::vector<std::vector<Record>> copies = {{{10, {}, 5}}, {}, {{11, {}, 5}, {12, {}, 2}}}, none;
    ASSERT_TRUE(ScatterIntoLeaves(t.leaves, records.data(), records.size(), copies));
    EXPECT_EQ("0 2 4 12 |1 3 10 11 |", t.Positions());
    records = {{1, {}, 2}, {2, {}, 5}, {3, {}, 5}};
    for (const auto& [size2, size5, stranger] : {std::tuple {1u, 3u, 0u}, {1u, 1u, 0u}, {1u, 2u, 3u}, {1u, 2u, 8u}, {1u, 2u, 0xFFFFFFFFu}}) {
        TwoLeaves wrong(size2, size5);
        std::vector<Record> withStranger = records;
        if (stranger) withStranger.push_back({4, {}, stranger});
        EXPECT_FALSE(ScatterIntoLeaves(wrong.leaves, withStranger.data(), withStranger.size(), none)) << size5 << " " << stranger;
        EXPECT_EQ(wrong.Positions(), TwoLeaves(size2, size5).Positions()) << "nothing written";
    }
    LeafArrays<Record> empty;
    empty.denseIndex.assign(8, LeafArrays<Record>::NoLeaf);
    EXPECT_TRUE(ScatterIntoLeaves(empty, static_cast<const Record*>(nullptr), 0, none));
}

TEST(ParallelFailure, AFailureInsideTheRegionReachesTheForkingThread)
{
    ParallelFailure failure;
    int completed = 0;
#pragma omp parallel for schedule(static) reduction(+ : completed)
    for (int i = 0; i < 64; ++i) {
        failure.Guard([&] {
            if (i % 16 == 5) throw std::runtime_error("block " + std::to_string(i));
            ++completed;
        });
    }
    EXPECT_TRUE(failure.Failed());
    EXPECT_EQ(60, completed);
    EXPECT_THROW(failure.RethrowIfFailed(), std::runtime_error);
    ParallelFailure none;
#pragma omp parallel
    none.Guard([] {});
    EXPECT_FALSE(none.Failed());
    EXPECT_NO_THROW(none.RethrowIfFailed());
}

}  // namespace
