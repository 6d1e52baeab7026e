#include "tests/volume/VolumeTestSupport.h"

#include "tarnwick/dev/Statistics.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

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

bool IsFixedText(const std::string& text)
{
    const std::size_t dot = text.find('.');
    return dot != std::string::npos && dot > 0 && text.size() == dot + 7 &&
           text.find_first_not_of("0123456789.") == std::string::npos;
}

// Every field is "text"; with a semicolon after it.
bool FieldsMatch(const std::string& line, const std::vector<std::string>& expected)
{
    std::size_t at = 0;
    for (const std::string& field : expected) {
        if (line.compare(at, 1, "\"") != 0) return false;
        const std::size_t close = line.find("\";", at + 1);
        if (close == std::string::npos) return false;
        const std::string text = line.substr(at + 1, close - at - 1);
        if (field == "*" ? !IsFixedText(text) : text != field) return false;
        at = close + 2;
    }
    return at == line.size();
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
    // Measured times vary: "*" stands for any "%f" text.
    const std::vector<std::string> first = {"*", "0", "3", "*", "0.000000", "0.000000", "*"};
    const std::vector<std::string> second = {"*", "0", "2", "*", "0.000000", "1.500000", "*"};
    EXPECT_TRUE(FieldsMatch(lines[1], first)) << lines[1];
    EXPECT_TRUE(FieldsMatch(lines[2], second)) << lines[2];
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
