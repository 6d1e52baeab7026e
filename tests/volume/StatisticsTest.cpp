#include "tests/volume/VolumeTestSupport.h"

#include "tarnwick/dev/Statistics.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>

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
    return Particles<None>(count, ParticleTypes::VolumeParticle<None> {30.0f / 1791, 30.0f / 1791, 30.0f / 1791});
}

std::vector<std::string> CsvLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(text.size(), start) << "text after the last line end";
    return lines;
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
    const std::vector<std::string> lines = CsvLines(qz::test::ReadFile(CsvPath));
    ASSERT_EQ(3u, lines.size());
    // Columns in key order, headed by the descriptions.
    EXPECT_EQ("\"Insertion time (ms)\";\"# overlap particles\";\"# particles in\";\"Octree time (ms)\";"
              "\"Overlap copy time (ms)\";\"Reading time (ms)\";\"Sorting time (ms)\";",
              lines[0]);
    const std::string time = "\"[0-9]+\\.[0-9]{6}\";";
    EXPECT_TRUE(std::regex_match(lines[1], std::regex(time + "\"0\";\"3\";" + time + "\"0.000000\";\"0.000000\";" + time)))
        << lines[1];
    EXPECT_TRUE(std::regex_match(lines[2], std::regex(time + "\"0\";\"2\";" + time + "\"0.000000\";\"1.500000\";" + time)))
        << lines[2];
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
        ASSERT_NE(nullptr, item);
        EXPECT_EQ("Current timestep", item->description);
        EXPECT_EQ(qz::core::DataTypeInt32, item->value.Type());
        EXPECT_EQ(-1, *static_cast<const std::int32_t*>(item->value.Pointer()));
        volume.CreateTimestep(false);
        volume.CreateTimestep(true);
        EXPECT_EQ(1, *static_cast<const std::int32_t*>(item->value.Pointer()));
    }
    EXPECT_EQ(nullptr, PublishedTimestep());
}

TEST(VolumeStatistics, AnOlderVolumeLeavesTheNewerOnesItem)
{
    auto older = std::make_unique<ParticleVolume<None>>();
    auto newer = std::make_unique<ParticleVolume<VMag>>();
    newer->Prepare(16, 2, 2);
    newer->CreateTimestep(false);
    older.reset();
    const auto* item = PublishedTimestep();
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(0, *static_cast<const std::int32_t*>(item->value.Pointer()));
    newer.reset();
    EXPECT_EQ(nullptr, PublishedTimestep());
}

}  // namespace
