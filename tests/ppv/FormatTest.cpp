// Byte layouts of the file header and the brick record, the writer's
// life cycle and the names of saved timesteps.

#include "src/ProcessedFileName.h"
#include "tests/support/PpvSamples.h"
#include "tests/support/BinaryFiles.h"
#include "tests/support/ErrorReports.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <snappy.h>

#include <cfloat>
#include <filesystem>

namespace {

using namespace qz::test;
namespace fs = std::filesystem;

std::string Hex(const void* data, std::size_t size)
{
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof(byte), i ? " %02x" : "%02x", static_cast<const unsigned char*>(data)[i]);
        text += byte;
    }
    return text;
}

const float Box[6] = {-1.5f, 0, 2, 3, 4.25f, 8};
const std::string Writer = "ProcessedParticleVolumeWriter<class qz::core::SimpleVec4<unsigned int> >::";
const std::string Reader = "ProcessedParticleVolumeReader<class qz::core::SimpleVec4<unsigned int> >::";
const std::string File = "|src\\ProcessedParticleVolume|";

class PpvFormat : public ::testing::Test {
protected:
    CoutCapture console_;
};

TEST_F(PpvFormat, HeaderAndRecordByteForByte)
{
    { PpvWriter("header.ppv", 6, 64, 4, Box).Close(); }
    const std::string bytes = ReadFile("header.ppv");
    EXPECT_EQ("50 50 56 00 04 00 00 00 06 00 00 00 04 00 00 00 "  // magic, version, levels, overlap
              "04 00 00 00 04 00 00 00 08 00 00 00 40 00 00 00 "  // packing 4, 4, 8; brick size 64
              "00 00 c0 bf 00 00 00 00 00 00 00 40 00 00 40 40 00 00 88 40 00 00 00 41",  // the box
              Hex(bytes.data(), bytes.size()));
    ProcessedParticleVolumeFileHeader header;
    header.CheckFile("header.ppv");
    EXPECT_TRUE(header.version == 4 && header.levels == 6 && header.overlap == 4 && header.brickSize == 64 &&
                header.boxMin[0] == -1.5f && header.boxMax[1] == 4.25f);

    ProcessedParticleVolumeBrickRecord record;
    record.level = 5;
    record.position[0] = 1;
    record.position[1] = 0x0203;
    record.position[2] = 31;
    record.totalParticleCount = 0x0102030405060708ull;
    record.compressedSize = 0x11223344;
    record.valueByteSize = 8;
    record.hasOffsets = true;
    auto recordBytes = record.ToBytes();
    EXPECT_EQ("05 00 00 00 01 00 00 00 03 02 00 00 1f 00 00 00 08 07 06 05 04 03 02 01 44 33 22 11 08 00 00 00 "
              "01 00 00 00 00 00 00 00",
              Hex(recordBytes.data(), recordBytes.size()));
    recordBytes[32] = 7;  // any flag but 0 means offsets; the padding is ignored
    for (std::size_t i = 33; i < 40; ++i) recordBytes[i] = 0xEE;
    EXPECT_EQ(record.ToBytes(), ProcessedParticleVolumeBrickRecord::FromBytes(recordBytes).ToBytes());

    // Brick size 8: four words; three set voxels in word 1, four offsets and four values.
    PpvBrick brick;
    brick.level = 2;
    brick.position[0] = 3;
    brick.position[1] = 1;
    brick.position[2] = 2;
    brick.totalParticleCount = 42;
    brick.words = {PpvWord(), PpvWord(0b1011, 0, 0, 0), PpvWord(), PpvWord()};
    brick.attributeOffsets = {0, 0, 0, 0};
    brick.attributeValues = {100, 200, 300, 0};
    WritePpvFile("brick.ppv", 8, {brick});
    const std::string file = ReadFile("brick.ppv");
    std::string payload, uncompressed(64, '\0');
    uncompressed[16] = 0b1011;
    uncompressed += std::string(16, '\0') + std::string("\x64\x00\xc8\x00\x2c\x01\x00\x00", 8);
    snappy::Compress(uncompressed.data(), uncompressed.size(), &payload);
    const auto size = static_cast<std::uint32_t>(payload.size());
    EXPECT_EQ("02 00 00 00 03 00 00 00 01 00 00 00 02 00 00 00 2a 00 00 00 00 00 00 00 " + Hex(&size, 4) +
                  " 08 00 00 00 01 00 00 00 00 00 00 00",
              Hex(file.data() + 56, 40));
    EXPECT_EQ(payload, file.substr(96));
}

// A file that follows the format whatever wrote it: a timestep without particles has the
// empty box, and a level count up to what a volume can have.
TEST_F(PpvFormat, FilesOfOtherWritersLoad)
{
    const float empty[6] = {FLT_MAX, FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX};
    { PpvWriter("empty.ppv", 6, 64, 4, empty).Close(); }
    ASSERT_EQ(56u, fs::file_size("empty.ppv"));
    PpvReader reader;
    reader.applicationOverlap = 4;
    reader.LoadFromFile("empty.ppv");
    EXPECT_TRUE(reader.loadedBricks.empty());
    EXPECT_TRUE(reader.header.boxMin[2] == FLT_MAX && reader.header.boxMax[0] == -FLT_MAX);

    WritePpvFile("eleven.ppv", 8, {MakeBrick(8, 10, 1023, 0, 512, PpvKind::None, 1)}, 11);
    reader.LoadFromFile("eleven.ppv");
    EXPECT_EQ(1u, reader.loadedBricks.size());
    WritePpvFile("twelve.ppv", 8, {}, 12);
    EXPECT_EQ(Reader + "ReadV4" + File + "Invalid level count: File contains 12, which is not from 1 to 11",
              ReportOf([&] { reader.LoadFromFile("twelve.ppv"); }));
    EXPECT_EQ("ProcessedParticleVolumeFileHeader::CheckFile" + File + "Could not open missing.ppv",
              ReportOf([] { ProcessedParticleVolumeFileHeader().CheckFile("missing.ppv"); }));
}

TEST_F(PpvFormat, TheWriterCompletesItsFileUnlessAWriteFailedOrAnExceptionLeavesIt)
{
    fs::remove_all("appear");
    fs::create_directory("appear");
    const PpvBrick brick = MakeBrick(64, 5, 0, 0, 0, PpvKind::None, 1);
    {
        PpvWriter writer("appear/a.ppv", 6, 64, 4, Box);
        writer.WriteBrick(ProcessedBrickView<PpvWord>::Of(brick));
        EXPECT_FALSE(fs::exists("appear/a.ppv")) << "the file appears only when it is whole";
    }
    PpvReader reader;
    reader.applicationOverlap = 4;
    reader.LoadFromFile("appear/a.ppv");
    ASSERT_EQ(1u, reader.loadedBricks.size()) << "the destructor closed the file";
    EXPECT_TRUE(SameBrick(brick, reader.loadedBricks[0]));

    const std::string old = ReadFile("appear/a.ppv");
    try {
        PpvWriter writer("appear/a.ppv", 6, 64, 4, Box);
        throw std::runtime_error("the save is left");
    } catch (const std::runtime_error&) {
    }
    {
        PpvWriter writer("appear/a.ppv", 6, 64, 4, Box);
        const PpvBrick small = MakeBrick(32, 5, 0, 0, 0, PpvKind::None, 1);
        EXPECT_EQ(Writer + "WriteBrick" + File + "Invalid element count", ReportOf([&] { writer.WriteBrick(ProcessedBrickView<PpvWord>::Of(small)); }));
        PpvBrick offsets = MakeBrick(64, 5, 0, 0, 0, PpvKind::VMag, 1);
        offsets.attributeOffsets.pop_back();  // one per word or none
        EXPECT_EQ(Writer + "WriteBrick" + File + "Invalid element count", ReportOf([&] { writer.WriteBrick(ProcessedBrickView<PpvWord>::Of(offsets)); }));
    }
    EXPECT_EQ(old, ReadFile("appear/a.ppv")) << "nor after a failed write";
    EXPECT_EQ(1, std::distance(fs::directory_iterator("appear"), fs::directory_iterator())) << "no temporary file stays";

    PpvWriter twice("appear/c.ppv", 6, 64, 4, Box);
    twice.Close();
    EXPECT_EQ(Writer + "Close" + File + "File is not open", ReportOf([&] { twice.Close(); }));
    EXPECT_EQ(Writer + "WriteBrick" + File + "File is not open",
              ReportOf([&] { twice.WriteBrick(ProcessedBrickView<PpvWord>::Of(brick)); }));
    EXPECT_EQ(Writer + "ProcessedParticleVolumeWriter" + File + "Could not open no/such/folder/x.ppv for writing",
              ReportOf([&] { PpvWriter("no/such/folder/x.ppv", 6, 64, 4, Box); }));
}

TEST(TimestepFileName, OnlyTheLastIntegerConversionTakesTheTimestep)
{
    const std::pair<std::string, std::string> cases[] = {
        {"run_%04d.ppv", "run_0002.ppv"}, {"%3u", "  2"}, {"%3u|%.3i", "%3u|002"}, {"a_%ld", "a_2"}, {"plain.ppv", "plain.ppv"},
        {"100%_%04d.ppv", "100%_0002.ppv"}, {"%s%n%x_%04d.ppv", "%s%n%x_0002.ppv"}, {"take%d_%04d.ppv", "take%d_0002.ppv"},
        {"a%%b_%04d.ppv", "a%%b_0002.ppv"}, {"end%", "end%"}, {"w%99999999d_%04d.ppv", "w%99999999d_0002.ppv"},
        {std::string(5000, 'n') + "_%04d.ppv", std::string(5000, 'n') + "_0002.ppv"}, {"%999d", std::string(998, ' ') + "2"}};
    for (const auto& [pattern, name] : cases) EXPECT_EQ(name, FormatTimestepFileName(pattern, 2)) << pattern.substr(0, 30);
    EXPECT_EQ("run_12345.ppv", FormatTimestepFileName("run_%04d.ppv", 12345));
}

}  // namespace
