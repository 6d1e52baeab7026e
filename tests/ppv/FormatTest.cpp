// Byte layouts of the file header and the brick record, and the header check.

#include "tests/ppv/PpvSamples.h"
#include "tests/support/BinaryFiles.h"
#include "tests/support/OutputCapture.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <snappy.h>

#include <cstring>

namespace {

using namespace qz::test;

std::string Hex(const unsigned char* bytes, std::size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        if (i) text += ' ';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

std::string Hex(const std::string& bytes)
{
    return Hex(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

constexpr const char* CheckFileReport =
    "\nMethod: ProcessedParticleVolumeFileHeader::CheckFile\nFile: \"src\\ProcessedParticleVolume\": ";

// The header of a file written with levels 6, overlap 4, brick size 64 and the box
// (-1.5, 0, 2) - (3, 4.25, 8).
const char* const ExpectedHeader =
    "50 50 56 00 04 00 00 00 06 00 00 00 04 00 00 00 "  // magic, version, levels, overlap
    "04 00 00 00 04 00 00 00 08 00 00 00 40 00 00 00 "  // packing 4, 4, 8; brick size 64
    "00 00 c0 bf 00 00 00 00 00 00 00 40 "              // -1.5, 0, 2
    "00 00 40 40 00 00 88 40 00 00 00 41";              // 3, 4.25, 8

class PpvFormat : public ::testing::Test {
protected:
    // Writes a header-only file with one byte changed.
    static std::string Patched(std::size_t offset, unsigned char value)
    {
        const float box[6] = {-1.5f, 0, 2, 3, 4.25f, 8};
        { PpvWriter("base.ppv", 6, 64, 4, box).Close(); }
        std::string bytes = ReadFile("base.ppv");
        bytes[offset] = static_cast<char>(value);
        WriteBinaryFile("patched.ppv", bytes);
        return "patched.ppv";
    }

    static std::string CheckError(const std::string& path)
    {
        ProcessedParticleVolumeFileHeader header;
        return ErrorText([&] { header.CheckFile(path); });
    }

    CoutCapture console_;
};

TEST_F(PpvFormat, WriterLaysOutTheHeaderByteForByte)
{
    const float box[6] = {-1.5f, 0, 2, 3, 4.25f, 8};
    PpvWriter writer("header.ppv", 6, 64, 4, box);
    writer.Close();
    const std::string bytes = ReadFile("header.ppv");
    ASSERT_EQ(56u, bytes.size());
    EXPECT_EQ(ExpectedHeader, Hex(bytes));

    ProcessedParticleVolumeFileHeader header;
    header.CheckFile("header.ppv");
    EXPECT_EQ(4u, header.version);
    EXPECT_EQ(6u, header.levels);
    EXPECT_EQ(4u, header.overlap);
    EXPECT_EQ(64u, header.brickSize);
    EXPECT_EQ(-1.5f, header.boxMin[0]);
    EXPECT_EQ(4.25f, header.boxMax[1]);
}

TEST_F(PpvFormat, BrickRecordHasZeroPaddingAndLittleEndianFields)
{
    ProcessedParticleVolumeBrickRecord record;
    record.level = 5;
    record.position[0] = 1;
    record.position[1] = 0x0203;
    record.position[2] = 31;
    record.totalParticleCount = 0x0102030405060708ull;
    record.compressedSize = 0x11223344;
    record.valueByteSize = 8;
    record.hasOffsets = true;
    const auto bytes = record.ToBytes();
    EXPECT_EQ("05 00 00 00 01 00 00 00 03 02 00 00 1f 00 00 00 "
              "08 07 06 05 04 03 02 01 44 33 22 11 08 00 00 00 "
              "01 00 00 00 00 00 00 00",
              Hex(bytes.data(), bytes.size()));

    // Padding is ignored and any flag byte but 0 means offsets.
    auto dirty = bytes;
    dirty[32] = 7;
    for (std::size_t i = 33; i < 40; ++i) dirty[i] = 0xEE;
    const auto read = ProcessedParticleVolumeBrickRecord::FromBytes(dirty);
    EXPECT_TRUE(read.hasOffsets);
    EXPECT_EQ(record.totalParticleCount, read.totalParticleCount);
    EXPECT_EQ(record.ToBytes(), read.ToBytes());
}

TEST_F(PpvFormat, WrittenBrickIsItsRecordAndTheSnappyPayload)
{
    // Brick size 8: four words. VMag-like data with three set voxels in word 1: four
    // offsets and four values, the last the padding.
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

    const std::string bytes = ReadFile("brick.ppv");
    ASSERT_GT(bytes.size(), 96u);
    std::string uncompressed(64, '\0');
    uncompressed[16] = 0b1011;
    uncompressed += std::string(16, '\0');
    uncompressed += std::string("\x64\x00\xc8\x00\x2c\x01\x00\x00", 8);
    std::string payload;
    snappy::Compress(uncompressed.data(), uncompressed.size(), &payload);

    const std::string record = bytes.substr(56, 40);
    const auto size = static_cast<std::uint32_t>(payload.size());
    const unsigned char sizeBytes[4] = {static_cast<unsigned char>(size), static_cast<unsigned char>(size >> 8),
                                        static_cast<unsigned char>(size >> 16), static_cast<unsigned char>(size >> 24)};
    EXPECT_EQ("02 00 00 00 03 00 00 00 01 00 00 00 02 00 00 00 "
              "2a 00 00 00 00 00 00 00 " +
                  Hex(sizeBytes, 4) + " 08 00 00 00 01 00 00 00 00 00 00 00",
              Hex(record));
    EXPECT_EQ(payload, bytes.substr(96));
}

TEST_F(PpvFormat, EmptyVolumeFileIsTheHeaderAlone)
{
    WritePpvFile("empty.ppv", 64, {});
    EXPECT_EQ(56u, ReadFile("empty.ppv").size());
    PpvReader reader;
    reader.applicationOverlap = 4;
    reader.LoadFromFile("empty.ppv");
    EXPECT_TRUE(reader.loadedBricks.empty());
    EXPECT_EQ(64u, reader.header.brickSize);
}

TEST_F(PpvFormat, HeaderCheckNamesWhatIsWrong)
{
    EXPECT_EQ(std::string(CheckFileReport), CheckError(Patched(0, 'X')).substr(0, std::strlen(CheckFileReport)));
    EXPECT_TRUE(CheckError(Patched(0, 'X')).ends_with("\nInvalid magic string"));
    EXPECT_TRUE(CheckError(Patched(1, 'p')).ends_with("\nInvalid magic string"));
    EXPECT_TRUE(CheckError(Patched(2, 'W')).ends_with("\nInvalid magic string"));
    // The fourth byte has never been checked.
    EXPECT_EQ("", CheckError(Patched(3, 'Z')));

    EXPECT_TRUE(CheckError(Patched(16, 5)).ends_with("\nFile packing dim #0 5, but application packing dim #0 is 4"));
    EXPECT_TRUE(CheckError(Patched(20, 2)).ends_with("\nFile packing dim #1 2, but application packing dim #1 is 4"));
    EXPECT_TRUE(CheckError(Patched(24, 4)).ends_with("\nFile packing dim #2 4, but application packing dim #2 is 8"));
    EXPECT_TRUE(CheckError(Patched(4, 3)).ends_with("\nInvalid PPV version: 3"));

    WriteBinaryFile("short.ppv", std::string("PPV\0\4\0\0\0", 8));
    EXPECT_TRUE(CheckError("short.ppv").ends_with("\nInvalid number of bytes during header read"));
    EXPECT_TRUE(CheckError("missing.ppv").ends_with("\nCould not open missing.ppv"));
}

}  // namespace
