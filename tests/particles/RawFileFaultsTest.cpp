// Sizes that do not fit, files cut short, corrupt compressed data: each gives an error
// report, never zeroed or stale records.

#include "tests/particles/RawFiles.h"
#include "tests/utils/ErrorText.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using namespace qz::test;
using namespace ParticleTypes;

class RawFileFaults : public ::testing::Test {
protected:
    CoutCapture console_;
};

TEST_F(RawFileFaults, HeaderSizeDecidesTheRecordCount)
{
    WriteBinaryFile("25.raw", std::string(25, 'x'));
    RawParticleReader<RawParticle_Pos> withHeader(1);
    withHeader.OpenFile("25.raw");
    EXPECT_EQ(2, withHeader.GetParticleCount());

    const std::string error = ErrorText([] { RawParticleReader<RawParticle_Pos>(0).OpenFile("25.raw"); });
    EXPECT_EQ(0u, error.find("\nMethod: RawParticleReader<struct ParticleTypes::RawParticle_Pos>::OpenFile\nFile: "
                             "\"src\\RawParticleReader\": "))
        << error;
    EXPECT_TRUE(error.ends_with("\n25.raw: Invalid file size (not a multiple of sizeof(Particle)). Did you forget to "
                                "adjust the header size?"))
        << error;

    // 24 bytes hold 2 position records, or 1 with velocity; a header beyond the end fails.
    WriteBinaryFile("24.raw", std::string(24, 'x'));
    RawParticleReader<RawParticle_PosVel> velocity(0);
    velocity.OpenFile("24.raw");
    EXPECT_EQ(1, velocity.GetParticleCount());
    EXPECT_NE(std::string::npos,
              ErrorText([] { RawParticleReader<RawParticle_Pos>(36).OpenFile("24.raw"); }).find("Invalid file size"));
}

TEST_F(RawFileFaults, EmptyFileHasNoRecords)
{
    WriteBinaryFile("empty.raw", "");
    RawParticleReader<RawParticle_PosCol> reader(0);
    reader.OpenFile("empty.raw");
    EXPECT_EQ(0, reader.GetParticleCount());
    EXPECT_TRUE(reader.IsEof());
    std::vector<RawParticle_PosCol> buffer;
    const std::string error = ErrorText([&] { reader.ReadChunk(buffer, 10); });
    EXPECT_NE(std::string::npos,
              error.find("\nMethod: RawParticleReader<struct ParticleTypes::RawParticle_PosCol>::ReadChunk\n"));
    EXPECT_TRUE(error.ends_with("\nEnd of file already reached")) << error;
}

TEST_F(RawFileFaults, CurrentIndexCountsRecords)
{
    const auto records = PatternRecords<RawParticle_PosVel>(30);
    PlainFiles::Store("index.raw", HeaderBytes(5) + AsBytes(records));
    GzipFiles::Store("index.raw.gz", HeaderBytes(5) + AsBytes(records));
    RawParticleReader<RawParticle_PosVel> plain(5);
    RawParticleGZReader<RawParticle_PosVel> gzip(5);
    plain.OpenFile("index.raw");
    gzip.OpenFile("index.raw.gz");
    std::vector<RawParticle_PosVel> a, b;
    plain.ReadChunk(a, 10);
    gzip.ReadChunk(b, 10);
    EXPECT_EQ(10, plain.GetCurrentIndex());
    EXPECT_EQ(10, gzip.GetCurrentIndex());
    EXPECT_TRUE(SameRecords(a, b));
}

TEST_F(RawFileFaults, PositionsBeyondFourGiB)
{
    // A sparse file of 4 GiB + 8 bytes holds 357913942 records of 12 bytes.
    const std::int64_t size = (std::int64_t{1} << 32) + 8;
    WriteBinaryFile("huge.raw", AsBytes(PatternRecords<RawParticle_Pos>(2)));
    ASSERT_EQ(0, truncate("huge.raw", size));
    RawParticleReader<RawParticle_Pos> reader(0);
    reader.OpenFile("huge.raw");
    EXPECT_EQ(size / 12, reader.GetParticleCount());
    std::vector<RawParticle_Pos> buffer;
    reader.ReadChunk(buffer, 2);
    EXPECT_TRUE(SameRecords(PatternRecords<RawParticle_Pos>(2), buffer));
    reader.CloseFile();
    std::remove("huge.raw");
}

TEST_F(RawFileFaults, FileCutShortWhileOpen)
{
    // Cut well past what stdio has buffered after the first read.
    const auto records = PatternRecords<RawParticle_PosVel>(1000);
    PlainFiles::Store("cut.raw", HeaderBytes(3) + AsBytes(records));
    RawParticleReader<RawParticle_PosVel> reader(3);
    reader.OpenFile("cut.raw");
    std::vector<RawParticle_PosVel> buffer;
    reader.ReadChunk(buffer, 40);
    ASSERT_EQ(0, truncate("cut.raw", 3 + 500 * 24 + 5));
    const std::string error = ErrorText([&] { reader.ReadChunk(buffer, 900); });
    EXPECT_NE(std::string::npos, error.find("cut.raw: Read 460 of 900 records: the file ends early")) << error;
    // Only what really arrived is in the buffer.
    EXPECT_TRUE(SameRecords(std::vector<RawParticle_PosVel>(records.begin() + 40, records.begin() + 500), buffer));
}

TEST_F(RawFileFaults, GzipSizeMessageHasNoFileName)
{
    GzipFiles::Store("odd.raw.gz", std::string(25, 'x'));
    const std::string error = ErrorText([] { RawParticleGZReader<RawParticle_Pos>(0).OpenFile("odd.raw.gz"); });
    EXPECT_NE(std::string::npos,
              error.find("\nMethod: RawParticleGZReader<struct ParticleTypes::RawParticle_Pos>::OpenFile\nFile: "
                         "\"src\\RawParticleReader\": "));
    EXPECT_TRUE(error.ends_with(
        "\nInvalid file size (not a multiple of sizeof(Particle)). Did you forget to adjust the header size?"))
        << error;
    RawParticleGZReader<RawParticle_Pos> withHeader(1);
    withHeader.OpenFile("odd.raw.gz");
    EXPECT_EQ(2, withHeader.GetParticleCount());
}

TEST_F(RawFileFaults, GzipFilesThatAreNoGzip)
{
    const struct {
        std::string bytes;
        const char* message;
    } cases[] = {{"", "Not a gzip file"},
                 {"\x1f", "Not a gzip file"},
                 {"abc", "Not a gzip file"},
                 {std::string(24, '\0'), "Not a gzip file"},
                 {"\x1f\x8b\x08", "Truncated gzip file (no size trailer)"},
                 {std::string("\x1f\x8b\x08\0\0\0\0\0\0\x03\x03\0\0\0\0\0\0", 17),
                  "Truncated gzip file (no size trailer)"}};
    for (const auto& c : cases) {
        WriteBinaryFile("bad.raw.gz", c.bytes);
        RawParticleGZReader<RawParticle_Pos> reader(0);
        const std::string error = ErrorText([&] { reader.OpenFile("bad.raw.gz"); });
        EXPECT_TRUE(error.ends_with(std::string("\nbad.raw.gz: ") + c.message)) << error;
        EXPECT_TRUE(reader.IsEof());
    }
}

// Every read of the file through a gzip reader, all at once.
std::vector<RawParticle_PosVel> ReadAllGzip(const std::string& path, int header)
{
    RawParticleGZReader<RawParticle_PosVel> reader(header);
    reader.OpenFile(path);
    std::vector<RawParticle_PosVel> buffer;
    reader.ReadChunk(buffer, reader.GetParticleCount());
    return buffer;
}

TEST_F(RawFileFaults, EveryTruncatedGzipFileFails)
{
    const auto records = PatternRecords<RawParticle_PosVel>(40);
    const std::string compressed = GzipBytes(HeaderBytes(4) + AsBytes(records));
    for (std::size_t length = 0; length < compressed.size(); ++length) {
        WriteBinaryFile("cut.raw.gz", compressed.substr(0, length));
        EXPECT_THROW(ReadAllGzip("cut.raw.gz", 4), qz::core::Exception) << "prefix of " << length << " bytes";
    }
    WriteBinaryFile("cut.raw.gz", compressed);
    EXPECT_TRUE(SameRecords(records, ReadAllGzip("cut.raw.gz", 4)));
}

TEST_F(RawFileFaults, CorruptGzipDataFailsOrReadsTheSame)
{
    const auto records = PatternRecords<RawParticle_PosVel>(40);
    const std::string compressed = GzipBytes(AsBytes(records));
    int rejected = 0;
    for (std::size_t at = 0; at < compressed.size(); ++at) {
        std::string bytes = compressed;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x21);
        WriteBinaryFile("flipped.raw.gz", bytes);
        try {
            // Only the header's time stamp and flags may change without notice.
            ASSERT_TRUE(SameRecords(records, ReadAllGzip("flipped.raw.gz", 0))) << "flip at " << at;
        } catch (const qz::core::Exception&) {
            ++rejected;
        }
    }
    EXPECT_GE(rejected, static_cast<int>(compressed.size()) - 10);
}

void SetSizeTrailer(std::string& gzip, std::uint32_t size)
{
    for (int i = 0; i < 4; ++i) gzip[gzip.size() - 4 + i] = static_cast<char>(size >> (8 * i));
}

TEST_F(RawFileFaults, GzipSizeTrailerThatDoesNotMatchTheData)
{
    // zlib checks the trailer itself when it gets there; a record count short of the data
    // stops before it, so the reader looks on past the last record.
    const auto records = PatternRecords<RawParticle_PosVel>(100000);
    const std::string compressed = GzipBytes(AsBytes(records));

    std::string longer = compressed;
    SetSizeTrailer(longer, 100005 * 24);
    WriteBinaryFile("longer.raw.gz", longer);
    const std::string tooLong = ErrorText([] { ReadAllGzip("longer.raw.gz", 0); });
    EXPECT_NE(std::string::npos, tooLong.find(" of 100005 records: ")) << tooLong;

    // A size that wrapped at 4 GiB, or the last of several members, counts too few records.
    std::string shorter = compressed;
    SetSizeTrailer(shorter, 80000 * 24);
    WriteBinaryFile("shorter.raw.gz", shorter);
    const std::string tooShort = ErrorText([] { ReadAllGzip("shorter.raw.gz", 0); });
    EXPECT_NE(std::string::npos, tooShort.find("shorter.raw.gz: The data goes on beyond the size in the gzip trailer"))
        << tooShort;

    const std::string members = GzipBytes(AsBytes(std::vector<RawParticle_PosVel>(records.begin(), records.begin() + 25))) +
                                GzipBytes(AsBytes(std::vector<RawParticle_PosVel>(records.begin() + 25, records.begin() + 40)));
    WriteBinaryFile("members.raw.gz", members);
    const std::string twoMembers = ErrorText([] { ReadAllGzip("members.raw.gz", 0); });
    EXPECT_NE(std::string::npos, twoMembers.find("members.raw.gz: The data goes on beyond")) << twoMembers;
}

TEST_F(RawFileFaults, GzipSizeTrailerBeyondWhatDeflateCanHold)
{
    // 1 KiB of compressed data cannot hold 100 MB: refused before a buffer is sized for it.
    std::string compressed = GzipBytes(AsBytes(PatternRecords<RawParticle_PosVel>(40)));
    SetSizeTrailer(compressed, 100000008);
    WriteBinaryFile("claims.raw.gz", compressed);
    const std::string error = ErrorText([] { RawParticleGZReader<RawParticle_Pos>(0).OpenFile("claims.raw.gz"); });
    EXPECT_TRUE(error.ends_with("claims.raw.gz: Corrupt or truncated gzip file (its size trailer claims more data "
                                "than the file can hold)"))
        << error;

    // The densest real stream still opens.
    const std::string zeros(10000000, '\0');
    GzipFiles::Store("zeros.raw.gz", zeros);
    RawParticleGZReader<RawParticle_Pos> reader(4);
    reader.OpenFile("zeros.raw.gz");
    EXPECT_EQ(833333, reader.GetParticleCount());
}

TEST_F(RawFileFaults, GzipHeaderLongerThanTheData)
{
    // The trailer claims room for a header of 1000 bytes and one record; the stream has 24 bytes.
    std::string compressed = GzipBytes(AsBytes(PatternRecords<RawParticle_PosVel>(1)));
    SetSizeTrailer(compressed, 1024);
    WriteBinaryFile("header.raw.gz", compressed);
    EXPECT_NE(std::string::npos, ErrorText([] { ReadAllGzip("header.raw.gz", 1000); }).find("Read 0 of 1 records"));
}

}  // namespace
