// Writer then reader: bricks come back bit for bit; the writer's own failures.

#include "tests/ppv/PpvSamples.h"
#include "tests/support/BinaryFiles.h"
#include "tests/support/OutputCapture.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace qz::test;
namespace fs = std::filesystem;

class PpvRoundTrip : public ::testing::TestWithParam<PpvKind> {
protected:
    CoutCapture console_;
};

TEST_P(PpvRoundTrip, BricksComeBackIdentical)
{
    // Leaves, an inner brick, an empty brick and a full one.
    std::vector<PpvBrick> bricks;
    for (std::uint32_t i = 0; i < 6; ++i) bricks.push_back(MakeBrick(64, 5, i, 31 - i, 2 * i, GetParam(), i));
    bricks.push_back(MakeBrick(64, 3, 7, 0, 7, GetParam(), 99, 0.0));
    bricks.push_back(MakeBrick(64, 0, 0, 0, 0, GetParam(), 100, 1.0));
    WritePpvFile("kinds.ppv", 64, bricks);

    PpvReader reader;
    reader.applicationOverlap = 4;
    reader.applicationBrickSize = 64;
    reader.applicationLevelCount = 6;
    reader.LoadFromFile("kinds.ppv");
    EXPECT_EQ(6u, reader.header.levels);
    EXPECT_EQ(2.0f, reader.header.boxMax[0]);
    ASSERT_EQ(bricks.size(), reader.loadedBricks.size());
    for (std::size_t i = 0; i < bricks.size(); ++i) {
        EXPECT_TRUE(SameBrick(bricks[i], reader.loadedBricks[i])) << "brick " << i;
        EXPECT_EQ(2048u, reader.loadedBricks[i].words.size());
        EXPECT_EQ(GetParam() == PpvKind::None ? 0u : 2048u, reader.loadedBricks[i].attributeOffsets.size());
    }
    // A reader can be filled again: nothing of the first load stays.
    reader.LoadFromFile("kinds.ppv");
    EXPECT_EQ(bricks.size(), reader.loadedBricks.size());
}

INSTANTIATE_TEST_SUITE_P(Kinds, PpvRoundTrip, ::testing::Values(PpvKind::None, PpvKind::VMag, PpvKind::ColorCount));

class PpvWriterFaults : public ::testing::Test {
protected:
    static std::vector<std::string> FilesHere()
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(".")) names.push_back(entry.path().filename().string());
        return names;
    }

    CoutCapture console_;
};

TEST_F(PpvWriterFaults, ThreeSetVoxelsStoreFourValues)
{
    PpvBrick brick = MakeBrick(64, 5, 1, 2, 3, PpvKind::None, 1, 0.0);
    brick.words[5] = PpvWord(0b111, 0, 0, 0);
    AddAttributes(brick, 3);
    ASSERT_EQ(4u, brick.attributeValues.size());
    WritePpvFile("three.ppv", 64, {brick});
    // Flag 1 and byte size 8.
    const std::string bytes = ReadFile("three.ppv");
    EXPECT_EQ(8, bytes[56 + 28]);
    EXPECT_EQ(1, bytes[56 + 32]);
    PpvReader reader;
    reader.applicationOverlap = 4;
    reader.LoadFromFile("three.ppv");
    ASSERT_EQ(1u, reader.loadedBricks.size());
    EXPECT_EQ(4u, reader.loadedBricks[0].attributeValues.size());
    EXPECT_EQ(0u, reader.loadedBricks[0].attributeValues[3]);
}

TEST_F(PpvWriterFaults, WrongWordCountWritesNothing)
{
    const float box[6] = {0, 0, 0, 1, 1, 1};
    PpvWriter writer("count.ppv", 6, 64, 4, box);
    const PpvBrick small = MakeBrick(32, 5, 0, 0, 0, PpvKind::None, 1);
    const std::string error = ErrorText([&] { writer.WriteBrick(ProcessedBrickView<PpvWord>::Of(small)); });
    EXPECT_EQ(0u, error.find("\nMethod: ProcessedParticleVolumeWriter<class qz::core::SimpleVec4<unsigned int> "
                             ">::WriteBrick\nFile: \"src\\ProcessedParticleVolume\": "))
        << error;
    EXPECT_TRUE(error.ends_with("\nInvalid element count")) << error;

    // Offsets must be one per word.
    PpvBrick offsets = MakeBrick(64, 5, 0, 0, 0, PpvKind::VMag, 1);
    offsets.attributeOffsets.pop_back();
    EXPECT_TRUE(ErrorText([&] { writer.WriteBrick(ProcessedBrickView<PpvWord>::Of(offsets)); })
                    .ends_with("\nInvalid element count"));
    writer.Close();
    EXPECT_EQ(56u, ReadFile("count.ppv").size());
}

TEST_F(PpvWriterFaults, UnopenableFileIsReported)
{
    const float box[6] = {0, 0, 0, 1, 1, 1};
    const std::string error = ErrorText([&] { PpvWriter("no/such/folder/x.ppv", 6, 64, 4, box); });
    EXPECT_EQ(0u, error.find("\nMethod: ProcessedParticleVolumeWriter<class qz::core::SimpleVec4<unsigned int> "
                             ">::ProcessedParticleVolumeWriter\nFile: \"src\\ProcessedParticleVolume\": "))
        << error;
    EXPECT_TRUE(error.ends_with("\nCould not open no/such/folder/x.ppv for writing")) << error;
}

TEST_F(PpvWriterFaults, FileAppearsOnlyWhenClosed)
{
    fs::remove_all("appear");
    fs::create_directory("appear");
    const float box[6] = {0, 0, 0, 1, 1, 1};
    {
        PpvWriter writer("appear/a.ppv", 6, 64, 4, box);
        writer.WriteBrick(ProcessedBrickView<PpvWord>::Of(MakeBrick(64, 5, 0, 0, 0, PpvKind::None, 1)));
        EXPECT_FALSE(fs::exists("appear/a.ppv"));
        // Abandoned: an exception left the save, say.
    }
    EXPECT_TRUE(fs::is_empty("appear"));

    // An older file of the name survives an abandoned overwrite and is replaced by a
    // completed one.
    WritePpvFile("appear/b.ppv", 64, {MakeBrick(64, 5, 0, 0, 0, PpvKind::None, 1)});
    const std::string old = ReadFile("appear/b.ppv");
    { PpvWriter("appear/b.ppv", 6, 64, 4, box); }
    EXPECT_EQ(old, ReadFile("appear/b.ppv"));
    WritePpvFile("appear/b.ppv", 64, {});
    EXPECT_EQ(56u, ReadFile("appear/b.ppv").size());
    EXPECT_EQ(1, std::distance(fs::directory_iterator("appear"), fs::directory_iterator()));

    // Closing twice is an error, not a second rename.
    PpvWriter twice("appear/c.ppv", 6, 64, 4, box);
    twice.Close();
    EXPECT_TRUE(ErrorText([&] { twice.Close(); }).ends_with("\nFile is not open"));
    EXPECT_TRUE(ErrorText([&] {
                    twice.WriteBrick(ProcessedBrickView<PpvWord>::Of(MakeBrick(64, 5, 0, 0, 0, PpvKind::None, 1)));
                }).ends_with("\nFile is not open"));
}

TEST_F(PpvWriterFaults, ReaderComparesWithTheApplication)
{
    WritePpvFile("app.ppv", 64, {MakeBrick(64, 5, 0, 0, 0, PpvKind::None, 1)}, 6, 2);
    PpvReader reader;
    reader.applicationOverlap = 4;
    std::string error = ErrorText([&] { reader.LoadFromFile("app.ppv"); });
    EXPECT_EQ(0u, error.find("\nMethod: ProcessedParticleVolumeReader<class qz::core::SimpleVec4<unsigned int> "
                             ">::LoadFromFile\nFile: \"src\\ProcessedParticleVolume\": "))
        << error;
    EXPECT_TRUE(error.ends_with("\nFile overlap is 2, but application overlap is 4")) << error;

    reader.applicationOverlap = 2;
    reader.applicationBrickSize = 32;
    EXPECT_TRUE(ErrorText([&] { reader.LoadFromFile("app.ppv"); })
                    .ends_with("\nInvalid brick size: File contains 64, volume is set to 32"));
    reader.applicationBrickSize = 64;
    reader.applicationLevelCount = 5;
    EXPECT_TRUE(ErrorText([&] { reader.LoadFromFile("app.ppv"); })
                    .ends_with("\nInvalid level count: File contains 6, volume is set to 5"));
    EXPECT_TRUE(reader.loadedBricks.empty());
    reader.applicationLevelCount = 6;
    reader.LoadFromFile("app.ppv");
    EXPECT_EQ(1u, reader.loadedBricks.size());
    EXPECT_TRUE(ErrorText([&] { reader.LoadFromFile("gone.ppv"); }).ends_with("\nCould not open gone.ppv"));
}

}  // namespace
