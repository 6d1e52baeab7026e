// Damaged and foreign files: every header field, every record field, truncation
// anywhere, and flipped payload bytes. Each is rejected with an error report or, where the
// format cannot tell (a cut between two bricks, a changed literal byte), loads as a
// well-formed volume. These tests also run under AddressSanitizer.

#include "tests/ppv/PpvSamples.h"
#include "tests/support/BinaryFiles.h"
#include "tests/support/OutputCapture.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <snappy.h>

#include <cstdio>
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
        // Where each brick's record starts, and the end of the file.
        std::size_t offset = 56;
        while (offset < base_.size()) {
            recordOffsets_.push_back(offset);
            std::uint32_t compressed = 0;
            std::memcpy(&compressed, base_.data() + offset + 24, 4);
            offset += 40 + compressed;
        }
        ASSERT_EQ(base_.size(), offset);
        ASSERT_EQ(bricks_.size(), recordOffsets_.size());
    }

    // The error text of loading these bytes, "" when they load; a file that loads must
    // hold well-formed bricks.
    std::string Load(const std::string& bytes, bool checkApplication = true)
    {
        // A new file each time: ext4 writes out a file that is truncated and rewritten,
        // which makes thousands of loads wait for the disk.
        std::remove("damaged.ppv");
        WriteBinaryFile("damaged.ppv", bytes);
        PpvReader reader;
        reader.applicationOverlap = 4;
        if (checkApplication) {
            reader.applicationBrickSize = BrickSize;
            reader.applicationLevelCount = 6;
        }
        const std::string error = ErrorText([&] { reader.LoadFromFile("damaged.ppv"); });
        if (!error.empty()) {
            EXPECT_TRUE(reader.loadedBricks.empty());
            return error;
        }
        for (const PpvBrick& brick : reader.loadedBricks) {
            EXPECT_EQ(PpvLayout::WordCount(BrickSize), brick.words.size());
            EXPECT_LT(brick.level, 6u);
            for (std::uint32_t a = 0; a < 3; ++a) EXPECT_LT(brick.position[a], 1u << brick.level);
        }
        loaded_ = reader.loadedBricks.size();
        return error;
    }

    static std::string WithU32(std::string bytes, std::size_t offset, std::uint32_t value)
    {
        std::memcpy(bytes.data() + offset, &value, 4);
        return bytes;
    }

    static std::string WithFloat(std::string bytes, std::size_t offset, float value)
    {
        std::memcpy(bytes.data() + offset, &value, 4);
        return bytes;
    }

    std::vector<PpvBrick> bricks_;
    std::string base_;
    std::vector<std::size_t> recordOffsets_;
    std::size_t loaded_ = 0;
    CoutCapture console_;
};

TEST_F(PpvDamagedFiles, BaseFileLoads)
{
    EXPECT_EQ("", Load(base_));
    EXPECT_EQ(4u, loaded_);
}

TEST_F(PpvDamagedFiles, EveryHeaderFieldIsChecked)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const struct {
        std::string bytes;
        const char* tail;
        bool checkApplication;
    } cases[] = {
        {WithU32(base_, 0, 0x00565050u ^ 1), "\nInvalid magic string", true},
        {WithU32(base_, 4, 3), "\nInvalid PPV version: 3", true},
        {WithU32(base_, 4, 0xFFFFFFFFu), "\nInvalid PPV version: 4294967295", true},
        {WithU32(base_, 8, 5), "\nInvalid level count: File contains 5, volume is set to 6", true},
        {WithU32(base_, 8, 0), "\nInvalid level count: File contains 0, which is not from 1 to 32", false},
        {WithU32(base_, 8, 33), "\nInvalid level count: File contains 33, which is not from 1 to 32", false},
        // Fewer levels than the bricks need.
        {WithU32(base_, 8, 3), "\nInvalid brick position: [0, 0, 31] at level 5 of 3", false},
        {WithU32(base_, 12, 2), "\nFile overlap is 2, but application overlap is 4", true},
        {WithU32(base_, 16, 8), "\nFile packing dim #0 8, but application packing dim #0 is 4", true},
        {WithU32(base_, 20, 0), "\nFile packing dim #1 0, but application packing dim #1 is 4", true},
        {WithU32(base_, 24, 16), "\nFile packing dim #2 16, but application packing dim #2 is 8", true},
        {WithU32(base_, 28, 32), "\nInvalid brick size: File contains 32, volume is set to 16", true},
        {WithU32(base_, 28, 32), "\nDecompressed data size does not match", false},
        {WithU32(base_, 28, 0), "\nInvalid brick size: File contains 0, which is no power of two from 8 to 1024", false},
        {WithU32(base_, 28, 24), "\nInvalid brick size: File contains 24, which is no power of two from 8 to 1024", false},
        {WithU32(base_, 28, 2048), "\nInvalid brick size: File contains 2048, which is no power of two from 8 to 1024", false},
        {WithU32(base_, 28, 0xFFFFFFFFu), "\nInvalid brick size: File contains 4294967295, which is no power of two from 8 to 1024", false},
        {WithFloat(base_, 32, nan), "\nInvalid bounding box: [nan, 0, 0] - [2, 1, 1]", true},
        {WithFloat(base_, 48, infinity), "\nInvalid bounding box: [0, 0, 0] - [2, inf, 1]", true},
        {WithFloat(base_, 40, 1.5f), "\nInvalid bounding box: [0, 0, 1.5] - [2, 1, 1]", true},
    };
    for (const auto& c : cases) {
        const std::string error = Load(c.bytes, c.checkApplication);
        EXPECT_TRUE(error.ends_with(c.tail)) << error;
    }
    // Byte 3 and a smaller box that is still a box are no damage.
    std::string benign = base_;
    benign[3] = 'x';
    EXPECT_EQ("", Load(WithFloat(benign, 44, 0.5f)));
}

TEST_F(PpvDamagedFiles, EveryRecordFieldIsChecked)
{
    const std::size_t r = recordOffsets_[1];
    std::uint32_t compressed = 0;
    std::memcpy(&compressed, base_.data() + r + 24, 4);
    std::uint32_t valueBytes = 0;
    std::memcpy(&valueBytes, base_.data() + r + 28, 4);
    const std::string duplicate = base_ + base_.substr(recordOffsets_[2], recordOffsets_[3] - recordOffsets_[2]);
    std::string noOffsets = base_;
    noOffsets[r + 32] = 0;

    const struct {
        std::string bytes;
        std::string tail;
    } cases[] = {
        {WithU32(base_, r, 6), "\nInvalid brick position: [1, 2, 31] at level 6 of 6"},
        {WithU32(base_, r, 0xFFFFFFFFu), "\nInvalid brick position: [1, 2, 31] at level 4294967295 of 6"},
        {WithU32(base_, r, 4), "\nInvalid brick position: [1, 2, 31] at level 4 of 6"},
        {WithU32(base_, r + 4, 32), "\nInvalid brick position: [32, 2, 31] at level 5 of 6"},
        {WithU32(base_, r + 8, 0x80000000u), "\nInvalid brick position: [1, 2147483648, 31] at level 5 of 6"},
        {WithU32(base_, r + 12, 33), "\nInvalid brick position: [1, 2, 33] at level 5 of 6"},
        {duplicate, "\nBrick stored twice: [2, 4, 31] at level 5"},
        {WithU32(base_, r + 24, compressed + 1), "\nError during snappy::RawUncompress"},
        {WithU32(base_, r + 24, compressed - 1), "\nError during snappy::RawUncompress"},
        {WithU32(base_, r + 24, 0), "\nError during snappy::GetUncompressedLength"},
        {WithU32(base_, r + 24, 0x7FFFFFFFu), "\nInvalid number of bytes during brick data read"},
        {WithU32(base_, recordOffsets_[3] + 24, compressed + 100000), "\nInvalid number of bytes during brick data read"},
        {WithU32(base_, r + 28, valueBytes + 4), "\nDecompressed data size does not match"},
        {WithU32(base_, r + 28, valueBytes + 1), "\nInvalid attribute value byte size: " + std::to_string(valueBytes + 1)},
        {WithU32(base_, r + 28, 0xFFFFFFFEu), "\nInvalid attribute value byte size: 4294967294"},
        {noOffsets, "\nDecompressed data size does not match"},
    };
    for (const auto& c : cases) {
        const std::string error = Load(c.bytes);
        EXPECT_TRUE(error.ends_with(c.tail)) << c.tail << error;
    }
    // The record's padding carries nothing.
    std::string padding = base_;
    for (std::size_t i = 33; i < 40; ++i) padding[r + i] = static_cast<char>(0xA5);
    EXPECT_EQ("", Load(padding));
}

TEST_F(PpvDamagedFiles, TruncationAnywhereIsAnErrorUnlessItFallsBetweenBricks)
{
    // Every length in the header and the records, every third one in the payloads.
    for (std::size_t length = 0; length < base_.size(); ++length) {
        std::size_t record = 0;
        while (record + 1 < recordOffsets_.size() && recordOffsets_[record + 1] <= length) ++record;
        const bool inRecord = length < 56 || length - recordOffsets_[record] < 40;
        if (!inRecord && length % 3 != 0) continue;

        const std::string error = Load(base_.substr(0, length));
        if (length < 56) {
            EXPECT_TRUE(error.ends_with("\nInvalid number of bytes during header read")) << length;
            continue;
        }
        const auto boundary = std::find(recordOffsets_.begin(), recordOffsets_.end(), length);
        if (boundary != recordOffsets_.end()) {
            // The format has no brick count: a cut between bricks is a file of fewer bricks.
            // Saves write to a temporary name, so no such file comes from a failed save.
            EXPECT_EQ("", error) << length;
            EXPECT_EQ(static_cast<std::size_t>(boundary - recordOffsets_.begin()), loaded_) << length;
            continue;
        }
        const char* tail = inRecord ? "\nInvalid number of bytes during header read"
                                    : "\nInvalid number of bytes during brick data read";
        EXPECT_TRUE(error.ends_with(tail)) << length << error;
    }
}

TEST_F(PpvDamagedFiles, FlippedPayloadBytesNeverLoadAsBrokenBricks)
{
    // Every byte of the second brick's payload, flipped in three ways. The format has no
    // checksum: a changed literal byte loads as other bits or values, but nothing loads
    // that breaks the brick layout, and changes to the stream's structure are caught.
    const std::size_t begin = recordOffsets_[1] + 40;
    const std::size_t end = recordOffsets_[2];
    std::size_t rejected = 0;
    std::size_t tried = 0;
    for (std::size_t i = begin; i < end; ++i) {
        for (const unsigned char mask : {0x01, 0x80, 0xFF}) {
            std::string bytes = base_;
            bytes[i] = static_cast<char>(bytes[i] ^ mask);
            ++tried;
            if (!Load(bytes).empty()) ++rejected;
        }
    }
    EXPECT_GT(rejected, 0u) << rejected << " of " << tried;

    // The length prefix decides the size: any change to it is caught.
    for (const unsigned char mask : {0x01, 0x02, 0x40}) {
        std::string bytes = base_;
        bytes[begin] = static_cast<char>(bytes[begin] ^ mask);
        const std::string error = Load(bytes);
        EXPECT_TRUE(error.ends_with("\nDecompressed data size does not match") ||
                    error.ends_with("\nError during snappy::GetUncompressedLength"))
            << error;
    }
}

TEST_F(PpvDamagedFiles, AttributesMustFollowTheOccupancyBits)
{
    const std::string method =
        "\nMethod: ProcessedParticleVolumeReader<class qz::core::SimpleVec4<unsigned int> >::ReadV4\nFile: "
        "\"src\\ProcessedParticleVolume\": ";
    std::vector<std::vector<PpvBrick>> broken(4, bricks_);
    // An offset that points elsewhere, a value too few, a value too many, values without
    // offsets.
    auto firstNonEmpty = [](const PpvBrick& brick) {
        std::size_t w = 0;
        while (w < brick.words.size() && brick.words[w] == PpvWord()) ++w;
        return w;
    };
    broken[0][2].attributeOffsets[firstNonEmpty(broken[0][2])] += 1;
    broken[1][2].attributeValues.resize(broken[1][2].attributeValues.size() - 2);
    broken[2][2].attributeValues.resize(broken[2][2].attributeValues.size() + 2);
    broken[3][2].attributeOffsets.clear();
    for (const auto& bricks : broken) {
        WritePpvFile("attributes.ppv", BrickSize, bricks);
        const std::string error = Load(ReadFile("attributes.ppv"));
        EXPECT_EQ(0u, error.find(method)) << error;
        EXPECT_TRUE(error.ends_with("\nAttribute data does not match the occupancy data")) << error;
    }
}

TEST_F(PpvDamagedFiles, HugeSizesAreRefusedBeforeAllocation)
{
    // A 1024-voxel brick announces 128 MiB of words in a few bytes of payload: it cannot
    // be a snappy stream of that size, so nothing is allocated for it.
    std::string bytes = WithU32(base_.substr(0, 56), 28, 1024);
    std::string payload;
    std::uint64_t length = 16ull * 256 * 256 * 128;
    while (length >= 0x80) {
        payload += static_cast<char>(0x80 | (length & 0x7F));
        length >>= 7;
    }
    payload += static_cast<char>(length);
    payload += std::string("\x00\x00", 2);
    ProcessedParticleVolumeBrickRecord record;
    record.level = 1;
    record.compressedSize = static_cast<std::uint32_t>(payload.size());
    const auto recordBytes = record.ToBytes();
    bytes += std::string(recordBytes.begin(), recordBytes.end()) + payload;
    EXPECT_TRUE(Load(bytes, false).ends_with("\nDecompressed data size does not match"));

    // A compressed size beyond what snappy makes of the expected bytes.
    record.compressedSize = static_cast<std::uint32_t>(snappy::MaxCompressedLength(16 * 32) + 1);
    const auto tooLong = record.ToBytes();
    bytes = base_.substr(0, 56) + std::string(tooLong.begin(), tooLong.end()) + std::string(record.compressedSize, 'x');
    EXPECT_TRUE(Load(bytes).ends_with("\nInvalid compressed brick size: " + std::to_string(record.compressedSize) +
                                      " for 512 bytes"));
}

}  // namespace
