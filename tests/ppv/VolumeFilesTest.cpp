// A volume's timesteps saved to .ppv files and loaded back into a volume.

#include "src/ParticleVolume.h"
#include "tests/ppv/PpvSamples.h"
#include "tests/support/OutputCapture.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace qz::test;
namespace fs = std::filesystem;
using None = ParticleTypes::ParticleAttributes_None;
using VMag = ParticleTypes::ParticleAttributes_VMag;
using ColorCount = ParticleTypes::ParticleAttributes_ColorCount;

// Gives timestep t the bricks as a splat would have left them.
template <class Attr>
void PlaceBricks(ParticleVolume<Attr>& volume, int t, const std::vector<PpvBrick>& bricks)
{
    for (const PpvBrick& stored : bricks) {
        Brick* brick = volume.GetBrick(t, stored.position, static_cast<int>(stored.level), true);
        brick->levels = {stored.words, std::vector<PpvWord>(256), std::vector<PpvWord>(32), std::vector<PpvWord>(4)};
        brick->attributeOffsets = stored.attributeOffsets;
        brick->attributeValues = stored.attributeValues;
        brick->totalParticleCount = stored.totalParticleCount;
        volume.GetTimestep(t)->leafBricks.push_back(brick);
    }
}

template <class Attr>
void Prepare(ParticleVolume<Attr>& volume)
{
    volume.Prepare(64, 4, 6);
}

PpvReader LoadFile(const std::string& path)
{
    PpvReader reader;
    reader.applicationOverlap = 4;
    reader.applicationBrickSize = 64;
    reader.applicationLevelCount = 6;
    reader.LoadFromFile(path);
    return reader;
}

template <class Attr>
class VolumeFiles : public ::testing::Test {
protected:
    static PpvKind Kind()
    {
        if (std::is_same_v<Attr, VMag>) return PpvKind::VMag;
        if (std::is_same_v<Attr, ColorCount>) return PpvKind::ColorCount;
        return PpvKind::None;
    }
    CoutCapture console_;
};

using Kinds = ::testing::Types<None, VMag, ColorCount>;
TYPED_TEST_SUITE(VolumeFiles, Kinds);

TYPED_TEST(VolumeFiles, TimestepComesBackBrickForBrick)
{
    std::vector<PpvBrick> bricks;
    for (std::uint32_t i = 0; i < 5; ++i) bricks.push_back(MakeBrick(64, 5, 3 * i, 31 - i, i, this->Kind(), i));
    bricks.push_back(MakeBrick(64, 5, 30, 30, 30, this->Kind(), 9, 0.0));
    ParticleVolume<TypeParam> saved;
    Prepare(saved);
    std::copy_n(std::begin({0.0f, 0.0f, 0.0f, 2.0f, 1.0f, 1.0f}), 6, saved.boundingBox);
    const int t = static_cast<int>(saved.CreateTimestep(true));
    PlaceBricks(saved, t, bricks);
    // A brick that was never splatted is not stored.
    const std::uint32_t unsplatted[3] = {1, 1, 1};
    saved.GetBrick(t, unsplatted, 5, true);
    saved.SaveProcessedFile("kind_%04d.ppv", t);

    PpvReader reader = LoadFile("kind_0000.ppv");
    ASSERT_EQ(bricks.size(), reader.loadedBricks.size());
    ParticleVolume<TypeParam> loaded;
    Prepare(loaded);
    const int u = static_cast<int>(loaded.CreateTimestep(true));
    loaded.AddDataFromProcessedParticleFile(reader.header, reader.loadedBricks, u);
    EXPECT_TRUE(reader.loadedBricks.empty());

    const auto data = loaded.GetTimestep(u);
    EXPECT_TRUE(data->created);
    ASSERT_EQ(bricks.size(), data->leafBricks.size());
    // The saved tree is walked breadth first, by child number: find each brick by place.
    for (const PpvBrick& expected : bricks) {
        const Brick* brick = loaded.GetBrick(u, expected.position, static_cast<int>(expected.level), false);
        ASSERT_NE(nullptr, brick);
        EXPECT_NE(data->leafBricks.end(), std::find(data->leafBricks.begin(), data->leafBricks.end(), brick));
        ASSERT_EQ(4u, brick->levels.size());
        EXPECT_EQ(expected.words, brick->levels[0]);
        EXPECT_EQ(256u, brick->levels[1].size());
        EXPECT_EQ(32u, brick->levels[2].size());
        EXPECT_EQ(4u, brick->levels[3].size());
        EXPECT_EQ(std::vector<PpvWord>(4), brick->levels[3]);
        EXPECT_EQ(expected.attributeOffsets, brick->attributeOffsets);
        EXPECT_EQ(expected.attributeValues, brick->attributeValues);
        EXPECT_EQ(expected.totalParticleCount, brick->totalParticleCount);
        EXPECT_EQ(0u, brick->particleCount);
        EXPECT_TRUE(brick->splatted);
        EXPECT_FALSE(brick->postProcessed);
    }
    // Saving the loaded timestep gives the same file.
    loaded.SaveProcessedFile("again_%04d.ppv", u);
    EXPECT_TRUE(ReadFile("again_0000.ppv") == ReadFile("kind_0000.ppv"));
}

TYPED_TEST(VolumeFiles, EmptyVolumeTakesTheFileBox)
{
    ParticleVolume<TypeParam> saved;
    Prepare(saved);
    std::copy_n(std::begin({0.0f, 0.0f, 0.0f, 2.0f, 1.0f, 1.0f}), 6, saved.boundingBox);
    PlaceBricks(saved, static_cast<int>(saved.CreateTimestep(true)), {MakeBrick(64, 5, 1, 2, 3, this->Kind(), 1)});
    saved.SaveProcessedFile("box_%04d.ppv", 0);

    ParticleVolume<TypeParam> loaded;
    Prepare(loaded);
    loaded.CreateTimestep(true);
    PpvReader reader = LoadFile("box_0000.ppv");
    loaded.AddDataFromProcessedParticleFile(reader.header, reader.loadedBricks, -1);
    EXPECT_EQ(2.0f, loaded.boundingBox[3]);
    // (0, 0, 0) -> (-1, -1, -0.5) and (2, 1, 1) -> (1, 0, 0.5).
    const auto& m = loaded.worldToVolume.m;
    EXPECT_FLOAT_EQ(-1.0f, m[3][0]);
    EXPECT_FLOAT_EQ(-1.0f, m[3][1]);
    EXPECT_FLOAT_EQ(-0.5f, m[3][2]);
    EXPECT_FLOAT_EQ(1.0f, 2 * m[0][0] + m[3][0]);
    EXPECT_FLOAT_EQ(0.0f, 1 * m[1][1] + m[3][1]);
    EXPECT_FLOAT_EQ(0.5f, 1 * m[2][2] + m[3][2]);
    EXPECT_NE(std::string::npos, this->console_.Text().find("Lowing done, new bounding box: [0, 0, 0] - [2, 1, 1]"));

    // A volume that has a box keeps it and its transform.
    ParticleVolume<TypeParam> boxed;
    Prepare(boxed);
    std::copy_n(std::begin({-1.0f, -1.0f, -1.0f, 1.0f, 1.0f, 1.0f}), 6, boxed.boundingBox);
    boxed.CreateTimestep(true);
    const auto before = boxed.worldToVolume;
    reader = LoadFile("box_0000.ppv");
    boxed.AddDataFromProcessedParticleFile(reader.header, reader.loadedBricks, 0);
    EXPECT_EQ(-1.0f, boxed.boundingBox[0]);
    EXPECT_EQ(0, std::memcmp(&before, &boxed.worldToVolume, sizeof before));
}

class VolumeFileFaults : public ::testing::Test {
protected:
    CoutCapture console_;
};

TEST_F(VolumeFileFaults, EveryTimestepGetsItsFile)
{
    fs::remove_all("every");
    fs::create_directory("every");
    ParticleVolume<None> volume;
    Prepare(volume);
    for (int t = 0; t < 3; ++t) {
        volume.CreateTimestep(true);
        PlaceBricks(volume, t, {MakeBrick(64, 5, 1, 2, static_cast<std::uint32_t>(t), PpvKind::None, 1)});
    }
    volume.SaveProcessedFile("every/100%_%04d.ppv", -1);
    for (const char* name : {"every/100%_0000.ppv", "every/100%_0001.ppv", "every/100%_0002.ppv"}) {
        EXPECT_EQ(1u, LoadFile(name).loadedBricks.size()) << name;
    }
    EXPECT_EQ(3, std::distance(fs::directory_iterator("every"), fs::directory_iterator()));

    // An empty timestep: the header alone.
    volume.CreateTimestep(true);
    volume.SaveProcessedFile("every/empty_%04d.ppv", 3);
    EXPECT_EQ(56u, fs::file_size("every/empty_0003.ppv"));

    for (const int bad : {4, -2}) {
        const std::string error = ErrorText([&] { volume.SaveProcessedFile("every/x_%04d.ppv", bad); });
        EXPECT_EQ(0u, error.find("\nMethod: ParticleVolume<struct ParticleTypes::ParticleAttributes_None>::"
                                 "SaveProcessedFile\nFile: \"src\\ParticleVolume\": "))
            << error;
        EXPECT_TRUE(error.ends_with("\nInvalid timestep " + std::to_string(bad) + ": the volume has 4 timesteps"))
            << error;
    }
}

TEST_F(VolumeFileFaults, LoadingChecksTheVolume)
{
    WritePpvFile("small.ppv", 32, {MakeBrick(32, 5, 1, 2, 3, PpvKind::VMag, 1)});
    PpvReader reader;
    reader.applicationOverlap = 4;
    reader.LoadFromFile("small.ppv");

    ParticleVolume<VMag> volume;
    Prepare(volume);
    const std::string method =
        "\nMethod: ParticleVolume<struct ParticleTypes::ParticleAttributes_VMag>::AddDataFromProcessedParticleFile"
        "\nFile: \"src\\ParticleVolume\": ";
    std::string error = ErrorText([&] { volume.AddDataFromProcessedParticleFile(reader.header, reader.loadedBricks, -1); });
    EXPECT_EQ(0u, error.find(method)) << error;
    EXPECT_TRUE(error.ends_with("\nNo timesteps have been added yet")) << error;

    const int t = static_cast<int>(volume.CreateTimestep(true));
    PlaceBricks(volume, t, {MakeBrick(64, 5, 0, 0, 0, PpvKind::VMag, 2)});
    EXPECT_TRUE(ErrorText([&] { volume.AddDataFromProcessedParticleFile(reader.header, reader.loadedBricks, -5); })
                    .ends_with("\nNo timestep is selected"));
    EXPECT_TRUE(ErrorText([&] { volume.AddDataFromProcessedParticleFile(reader.header, reader.loadedBricks, 7); })
                    .ends_with("\nInvalid timestep 7: the volume has 1 timesteps"));
    error = ErrorText([&] { volume.AddDataFromProcessedParticleFile(reader.header, reader.loadedBricks, t); });
    EXPECT_TRUE(error.ends_with("\nInvalid brick size: File contains 32, volume is set to 64")) << error;
    // The failed load leaves the timestep without leaf bricks.
    EXPECT_TRUE(volume.GetTimestep(t)->leafBricks.empty());

    ProcessedParticleVolumeFileHeader levels = reader.header;
    levels.brickSize = 64;
    levels.levels = 5;
    EXPECT_TRUE(ErrorText([&] { volume.AddDataFromProcessedParticleFile(levels, reader.loadedBricks, t); })
                    .ends_with("\nInvalid level count: File contains 5, volume is set to 6"));
    // Bricks of another size than the header's are refused before any brick is touched.
    levels.levels = 6;
    EXPECT_TRUE(ErrorText([&] { volume.AddDataFromProcessedParticleFile(levels, reader.loadedBricks, t); })
                    .ends_with("\nInvalid element count"));
}

TEST_F(VolumeFileFaults, AttributeFileInANoneVolumeKeepsTheOccupancy)
{
    const PpvBrick stored = MakeBrick(64, 5, 4, 5, 6, PpvKind::VMag, 3);
    WritePpvFile("vmag.ppv", 64, {stored});
    PpvReader reader = LoadFile("vmag.ppv");
    ParticleVolume<None> volume;
    Prepare(volume);
    volume.CreateTimestep(true);
    volume.AddDataFromProcessedParticleFile(reader.header, reader.loadedBricks, 0);
    const Brick* brick = volume.GetTimestep(0)->leafBricks.at(0);
    EXPECT_EQ(stored.words, brick->levels[0]);
    EXPECT_TRUE(brick->attributeOffsets.empty());
    EXPECT_TRUE(brick->attributeValues.empty());
}

TEST_F(VolumeFileFaults, EmptyFileGivesAnEmptyCreatedTimestep)
{
    WritePpvFile("none.ppv", 64, {});
    PpvReader reader = LoadFile("none.ppv");
    ParticleVolume<ColorCount> volume;
    Prepare(volume);
    volume.CreateTimestep(true);
    volume.AddDataFromProcessedParticleFile(reader.header, reader.loadedBricks, 0);
    EXPECT_TRUE(volume.GetTimestep(0)->leafBricks.empty());
    EXPECT_TRUE(volume.GetTimestep(0)->created);
}

}  // namespace
