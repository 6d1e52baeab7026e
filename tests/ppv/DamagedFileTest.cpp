// Damaged and foreign files: every header field, every record field, named cuts and
// flipped bytes. Each is rejected with an error report or, where the format cannot tell
// (a cut between two bricks, a changed literal byte), loads as a well-formed volume.
// Sweeps over damaged files are the fuzz target's; these tests also run under ASan.

#include "tests/support/PpvSamples.h"
#include "tests/support/BinaryFiles.h"
#include "tests/support/ErrorReports.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <snappy.h>

#include <cstring>
#include <limits>

namespace {

using namespace qz::test;

constexpr std::uint32_t BrickSize = 16;

class PpvDamagedFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (std::uint32_t i = 0; i < 4; ++i) bricks_.push_back(MakeBrick(BrickSize, 5, i, 2 * i, 31, PpvKind::VMag, i, 0.2));
        WritePpvFile("base.ppv", BrickSize, bricks_);
        base_ = ReadFile("base.ppv");
        for (std::size_t offset = 56; offset < base_.size(); offset += 40 + U32(offset + 24)) records_.push_back(offset);
        ASSERT_EQ(bricks_.size(), records_.size());
    }

    std::uint32_t U32(std::size_t offset) const
    {
        std::uint32_t value = 0;
        std::memcpy(&value, base_.data() + offset, 4);
        return value;
    }

    // The message of loading these bytes, "" when they load; a file that loads holds
    // well-formed bricks.
    std::string Load(const std::string& bytes, bool checkApplication = true)
    {
        std::remove("damaged.ppv");
        WriteBinaryFile("damaged.ppv", bytes);
        PpvReader reader;
        reader.applicationOverlap = 4;
        if (checkApplication) {
            reader.applicationBrickSize = BrickSize;
            reader.applicationLevelCount = 6;
        }
        const std::string error = ReportOf([&] { reader.LoadFromFile("damaged.ppv"); });
        loaded_ = reader.loadedBricks.size();
        if (!error.empty()) {
            EXPECT_EQ(0u, loaded_);
            return error.substr(error.rfind('|') + 1);
        }
        for (const PpvBrick& brick : reader.loadedBricks) {
            EXPECT_TRUE(brick.words.size() == PpvLayout::WordCount(BrickSize) && brick.level < 6);
            for (std::uint32_t a = 0; a < 3; ++a) EXPECT_LT(brick.position[a], 1u << brick.level);
        }
        return error;
    }

    template <class T>
    static std::string With(std::string bytes, std::size_t offset, T value)
    {
        std::memcpy(bytes.data() + offset, &value, sizeof(T));
        return bytes;
    }

    std::vector<PpvBrick> bricks_;
    std::string base_;
    std::vector<std::size_t> records_;
    std::size_t loaded_ = 0;
    CoutCapture console_;
};

TEST_F(PpvDamagedFiles, EveryHeaderAndRecordFieldIsChecked)
{
    const float nan = std::numeric_limits<float>::quiet_NaN(), infinity = std::numeric_limits<float>::infinity();
    const std::size_t r = records_[1];
    const std::uint32_t compressed = U32(r + 24), valueBytes = U32(r + 28);
    std::string noOffsets = base_, padding = base_, benign = With(base_, 44, 0.5f);
    noOffsets[r + 32] = 0;
    for (std::size_t i = 33; i < 40; ++i) padding[r + i] = static_cast<char>(0xA5);
    benign[3] = 'x';
    const std::string pow2 = ", which is no power of two from 8 to 1024";
    const struct {
        std::string bytes;
        std::string message;
        bool checkApplication = true;
    } cases[] = {
        {With(base_, 0, 0x00565050u ^ 1), "Invalid magic string"},
        {With(base_, 1, 'p'), "Invalid magic string"},
        {With(base_, 2, 'W'), "Invalid magic string"},
        {With(base_, 4, 3u), "Invalid PPV version: 3"},
        {With(base_, 4, 0xFFFFFFFFu), "Invalid PPV version: 4294967295"},
        {With(base_, 8, 5u), "Invalid level count: File contains 5, volume is set to 6"},
        {With(base_, 8, 0u), "Invalid level count: File contains 0, which is not from 1 to 11", false},
        {With(base_, 8, 12u), "Invalid level count: File contains 12, which is not from 1 to 11", false},
        {With(base_, 8, 3u), "Invalid brick position: [0, 0, 31] at level 5 of 3", false},  // fewer levels than the bricks need
        {With(base_, 12, 2u), "File overlap is 2, but application overlap is 4"},
        {With(base_, 16, 8u), "File packing dim #0 8, but application packing dim #0 is 4"},
        {With(base_, 20, 2u), "File packing dim #1 2, but application packing dim #1 is 4"},
        {With(base_, 24, 4u), "File packing dim #2 4, but application packing dim #2 is 8"},
        {With(base_, 28, 32u), "Invalid brick size: File contains 32, volume is set to 16"},
        {With(base_, 28, 32u), "Decompressed data size does not match", false},
        {With(base_, 28, 0u), "Invalid brick size: File contains 0" + pow2, false},
        {With(base_, 28, 24u), "Invalid brick size: File contains 24" + pow2, false},
        {With(base_, 28, 2048u), "Invalid brick size: File contains 2048" + pow2, false},
        {With(base_, 32, nan), "Invalid bounding box: [nan, 0, 0] - [2, 1, 1]"},
        {With(base_, 48, infinity), "Invalid bounding box: [0, 0, 0] - [2, inf, 1]"},
        {With(base_, 40, 1.5f), "Invalid bounding box: [0, 0, 1.5] - [2, 1, 1]"},
        {benign, ""},  // byte 3 and a smaller box that is still a box
        {With(base_, r, 6u), "Invalid brick position: [1, 2, 31] at level 6 of 6"},
        {With(base_, r, 0xFFFFFFFFu), "Invalid brick position: [1, 2, 31] at level 4294967295 of 6"},
        {With(base_, r, 4u), "Invalid brick position: [1, 2, 31] at level 4 of 6"},
        {With(base_, r + 4, 32u), "Invalid brick position: [32, 2, 31] at level 5 of 6"},
        {With(base_, r + 8, 0x80000000u), "Invalid brick position: [1, 2147483648, 31] at level 5 of 6"},
        {With(base_, r + 12, 33u), "Invalid brick position: [1, 2, 33] at level 5 of 6"},
        {base_ + base_.substr(records_[2], records_[3] - records_[2]), "Brick stored twice: [2, 4, 31] at level 5"},
        {With(base_, r + 24, compressed + 1), "Error during snappy::RawUncompress"},
        {With(base_, r + 24, compressed - 1), "Error during snappy::RawUncompress"},
        {With(base_, r + 24, 0u), "Error during snappy::GetUncompressedLength"},
        {With(base_, r + 24, 0x7FFFFFFFu), "Invalid number of bytes during brick data read"},
        {With(base_, records_[3] + 24, compressed + 100000), "Invalid number of bytes during brick data read"},
        {With(base_, r + 28, valueBytes + 4), "Decompressed data size does not match"},
        {With(base_, r + 28, valueBytes + 1), "Invalid attribute value byte size: " + std::to_string(valueBytes + 1)},
        {With(base_, r + 28, 0xFFFFFFFEu), "Invalid attribute value byte size: 4294967294"},
        {noOffsets, "Decompressed data size does not match"},
        {padding, ""},  // the record's padding carries nothing
        {With(base_, r + 40, static_cast<char>(base_[r + 40] ^ 1)), "Decompressed data size does not match"},  // length prefix
        {With(base_, r + 40, static_cast<char>(base_[r + 40] ^ 0x80)), "Decompressed data size does not match"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.message, Load(c.bytes, c.checkApplication)) << c.message;
}

TEST_F(PpvDamagedFiles, CutsAreErrorsUnlessBetweenBricks)
{
    const struct {
        const char* name;
        std::size_t length;
        const char* message;
        std::size_t bricks;
    } cases[] = {
        {"empty", 0, "Invalid number of bytes during header read", 0},
        {"in the header", 30, "Invalid number of bytes during header read", 0},
        {"header only", 56, "", 0},
        {"in the first record", 60, "Invalid number of bytes during header read", 0},
        {"after the first record", 96, "Invalid number of bytes during brick data read", 0},
        {"in the first payload", records_[1] - 1, "Invalid number of bytes during brick data read", 0},
        // The format has no brick count: a cut between bricks is a file of fewer bricks.
        // Saves write to a temporary name, so no such file comes from a failed save.
        {"between bricks", records_[2], "", 2},
        {"in the last record", records_[3] + 39, "Invalid number of bytes during header read", 0},
        {"whole", base_.size(), "", 4},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.message, Load(base_.substr(0, c.length))) << c.name;
        EXPECT_EQ(c.bricks, loaded_) << c.name;
    }
}

TEST_F(PpvDamagedFiles, AttributesMustFollowTheOccupancyBitsAndHugeSizesAreRefused)
{
    std::vector<std::vector<PpvBrick>> broken(4, bricks_);
    std::size_t w = 0;
    while (bricks_[2].words[w] == PpvWord()) ++w;
    broken[0][2].attributeOffsets[w] += 1;  // an offset that points elsewhere
    broken[1][2].attributeValues.resize(broken[1][2].attributeValues.size() - 2);
    broken[2][2].attributeValues.resize(broken[2][2].attributeValues.size() + 2);
    broken[3][2].attributeOffsets.clear();  // values without offsets
    for (const auto& bricks : broken) {
        WritePpvFile("attributes.ppv", BrickSize, bricks);
        EXPECT_EQ("Attribute data does not match the occupancy data", Load(ReadFile("attributes.ppv")));
    }

    // A 1024-voxel brick announces 128 MiB of words in a few bytes of payload: it cannot be
    // a snappy stream of that size, so nothing is allocated for it.
    std::string payload;
    for (std::uint64_t length = 16ull * 256 * 256 * 128; ; length >>= 7) {
        payload += static_cast<char>(length >= 0x80 ? 0x80 | (length & 0x7F) : length);
        if (length < 0x80) break;
    }
    payload += std::string("\x00\x00", 2);
    ProcessedParticleVolumeBrickRecord record;
    record.level = 1;
    record.compressedSize = static_cast<std::uint32_t>(payload.size());
    auto bytes = record.ToBytes();
    EXPECT_EQ("Decompressed data size does not match",
              Load(With(base_.substr(0, 56), 28, 1024u) + std::string(bytes.begin(), bytes.end()) + payload, false));
    record.compressedSize = static_cast<std::uint32_t>(snappy::MaxCompressedLength(16 * 32) + 1);
    bytes = record.ToBytes();
    EXPECT_EQ("Invalid compressed brick size: " + std::to_string(record.compressedSize) + " for 512 bytes",
              Load(base_.substr(0, 56) + std::string(bytes.begin(), bytes.end()) + std::string(record.compressedSize, 'x')));
}

}  // namespace
