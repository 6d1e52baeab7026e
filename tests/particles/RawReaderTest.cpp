// The raw and the gzip reader, for every record type; sizes that do not fit, files cut
// short and corrupt compressed data, each an error report, never zeroed or stale records.

#include "tests/support/RawFiles.h"
#include "tests/support/ErrorReports.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace {

using namespace qz::test;
using namespace ParticleTypes;

template <class T, class Files>
struct Case {
    using Record = T;
    using Kind = Files;
};

template <class C>
class RawReaders : public ::testing::Test {
protected:
    using T = typename C::Record;
    using Files = typename C::Kind;
    using Reader = typename Files::template Reader<T>;

    std::string MakeFile(const std::vector<T>& records, int header, const std::string& stem = "records")
    {
        const std::string path = stem + std::to_string(header) + Files::Extension;
        Files::Store(path, HeaderBytes(header) + AsBytes(records));
        return path;
    }

    CoutCapture console_;
};

using Cases = ::testing::Types<Case<RawParticle_Pos, PlainFiles>, Case<RawParticle_PosVel, PlainFiles>,
                               Case<RawParticle_PosCol, PlainFiles>, Case<RawParticle_PosRad, PlainFiles>,
                               Case<RawParticle_PosNormal, PlainFiles>, Case<RawParticle_Pos, GzipFiles>,
                               Case<RawParticle_PosVel, GzipFiles>, Case<RawParticle_PosCol, GzipFiles>,
                               Case<RawParticle_PosRad, GzipFiles>, Case<RawParticle_PosNormal, GzipFiles>>;
TYPED_TEST_SUITE(RawReaders, Cases);

TYPED_TEST(RawReaders, ExactRecordsInChunksBehindAnyHeader)
{
    using T = typename TestFixture::T;
    const std::vector<T> records = PatternRecords<T>(1000, 3);
    for (const auto& [header, chunk] : {std::pair {0, 1000}, {1, 7}, {7, 999}, {100, 1}, {12, 3}}) {
        typename TestFixture::Reader reader(header);
        reader.OpenFile(this->MakeFile(records, header));
        EXPECT_TRUE(reader.GetParticleCount() == 1000 && reader.GetCurrentIndex() == 0 && !reader.IsEof());
        std::vector<T> all, buffer = PatternRecords<T>(2000, 9);  // nothing stale may stay
        // Every other chunk straight into memory, as the loading pipeline reads.
        for (bool into = false; reader.GetCurrentIndex() < reader.GetParticleCount(); into = !into) {
            const std::int64_t before = reader.GetCurrentIndex();
            if (into) {
                std::vector<T> room = PatternRecords<T>(static_cast<std::size_t>(chunk), 5);
                room.resize(static_cast<std::size_t>(reader.ReadInto(room.data(), chunk)));
                buffer = room;
            } else {
                reader.ReadChunk(buffer, chunk);
            }
            ASSERT_EQ(std::min<std::int64_t>(chunk, 1000 - before), static_cast<std::int64_t>(buffer.size()));
            ASSERT_EQ(before + static_cast<std::int64_t>(buffer.size()), reader.GetCurrentIndex());
            all.insert(all.end(), buffer.begin(), buffer.end());
        }
        EXPECT_TRUE(SameRecords(records, all)) << "header " << header << ", chunks of " << chunk;
        EXPECT_TRUE(reader.IsEof() && reader.IsValid());
        EXPECT_TRUE(ReportOf([&] { reader.ReadChunk(buffer, 1); }).ends_with("|src\\RawParticleReader|End of file already reached"));
        EXPECT_TRUE(ReportOf([&] { reader.ReadInto(buffer.data(), 1); }).ends_with("|src\\RawParticleReader|End of file already reached"));
        reader.CloseFile();
        EXPECT_TRUE(reader.GetParticleCount() == 0 && reader.IsEof());
    }
    typename TestFixture::Reader reader(0);
    reader.OpenFile(this->MakeFile(records, 0));
    std::vector<T> buffer;
    reader.ReadChunk(buffer, 4);
    reader.ReadChunk(buffer, 5000);
    EXPECT_TRUE(SameRecords(std::vector<T>(records.begin() + 4, records.end()), buffer)) << "more than remains";
}

TYPED_TEST(RawReaders, OpeningAgainBadArgumentsAndMissingFiles)
{
    using T = typename TestFixture::T;
    using Reader = typename TestFixture::Reader;
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator {});
    };
    const std::vector<T> first = PatternRecords<T>(5, 1), second = PatternRecords<T>(8, 2);
    const std::string a = this->MakeFile(first, 0, "first"), b = this->MakeFile(second, 0, "second");
    Reader reader(0);
    const auto before = openFiles();
    reader.OpenFile(a);
    std::vector<T> buffer;
    reader.ReadChunk(buffer, 2);
    const auto open = openFiles();
    reader.OpenFile(b);
    EXPECT_EQ(open, openFiles()) << "the first file is closed";
    EXPECT_TRUE(reader.GetParticleCount() == 8 && reader.GetCurrentIndex() == 0);
    EXPECT_THROW(reader.ReadChunk(buffer, -1), qz::core::Exception);
    reader.ReadChunk(buffer, 0);
    EXPECT_TRUE(buffer.empty() && reader.GetCurrentIndex() == 0);
    reader.ReadChunk(buffer, 100);
    EXPECT_TRUE(SameRecords(second, buffer));
    reader.CloseFile();
    reader.CloseFile();
    EXPECT_EQ(before, openFiles());

    const std::string negative = ReportOf([] { Reader reader(-1); });
    EXPECT_NE(std::string::npos, negative.find("Reader<struct ParticleTypes::")) << negative;
    EXPECT_TRUE(negative.ends_with("|Invalid header size -1: the header size must not be negative")) << negative;
    EXPECT_TRUE(ReportOf([&] { reader.OpenFile("missing.raw"); }).ends_with("|Could not open missing.raw for reading"));
    EXPECT_TRUE(reader.IsEof() && reader.GetParticleCount() == 0);
}

class RawFileFaults : public ::testing::Test {
protected:
    CoutCapture console_;
};

// Reads every record of the file through a gzip reader at once.
std::vector<RawParticle_PosVel> ReadAllGzip(const std::string& path, int header = 0)
{
    RawParticleGZReader<RawParticle_PosVel> reader(header);
    reader.OpenFile(path);
    std::vector<RawParticle_PosVel> buffer;
    reader.ReadChunk(buffer, reader.GetParticleCount());
    return buffer;
}

std::string WithSizeTrailer(std::string gzip, std::uint32_t size)
{
    for (int i = 0; i < 4; ++i) gzip[gzip.size() - 4 + i] = static_cast<char>(size >> (8 * i));
    return gzip;
}

TEST_F(RawFileFaults, SizesHeadersAndPositionsBeyondFourGiB)
{
    WriteBinaryFile("25.raw", std::string(25, 'x'));
    GzipFiles::Store("25.raw.gz", std::string(25, 'x'));
    const std::string invalid = "Invalid file size (not a multiple of sizeof(Particle)). Did you forget to adjust the header size?";
    EXPECT_EQ("RawParticleReader<struct ParticleTypes::RawParticle_Pos>::OpenFile|src\\RawParticleReader|25.raw: " + invalid,
              ReportOf([] { RawParticleReader<RawParticle_Pos>(0).OpenFile("25.raw"); }));
    EXPECT_EQ("RawParticleGZReader<struct ParticleTypes::RawParticle_Pos>::OpenFile|src\\RawParticleReader|" + invalid,
              ReportOf([] { RawParticleGZReader<RawParticle_Pos>(0).OpenFile("25.raw.gz"); }));
    RawParticleReader<RawParticle_Pos> plain(1);
    RawParticleGZReader<RawParticle_Pos> gzip(1);
    plain.OpenFile("25.raw");
    gzip.OpenFile("25.raw.gz");
    EXPECT_EQ(2, plain.GetParticleCount());
    EXPECT_EQ(2, gzip.GetParticleCount());
    EXPECT_TRUE(ReportOf([] { RawParticleReader<RawParticle_Pos>(36).OpenFile("25.raw"); }).ends_with(invalid));
    RawParticleReader<RawParticle_PosVel> velocity(1);
    velocity.OpenFile("25.raw");
    EXPECT_EQ(1, velocity.GetParticleCount());

    WriteBinaryFile("empty.raw", "");
    RawParticleReader<RawParticle_PosCol> empty(0);
    empty.OpenFile("empty.raw");
    std::vector<RawParticle_PosCol> none;
    EXPECT_TRUE(empty.GetParticleCount() == 0 && empty.IsEof());
    EXPECT_EQ("RawParticleReader<struct ParticleTypes::RawParticle_PosCol>::ReadChunk|src\\RawParticleReader|End of file already reached",
              ReportOf([&] { empty.ReadChunk(none, 10); }));

    // A sparse file of 4 GiB + 8 bytes holds 357913942 records of 12 bytes.
    const std::int64_t size = (std::int64_t {1} << 32) + 8;
    WriteBinaryFile("huge.raw", AsBytes(PatternRecords<RawParticle_Pos>(2)));
    ASSERT_EQ(0, truncate("huge.raw", size));
    RawParticleReader<RawParticle_Pos> huge(0);
    huge.OpenFile("huge.raw");
    EXPECT_EQ(size / 12, huge.GetParticleCount());
    std::vector<RawParticle_Pos> buffer;
    huge.ReadChunk(buffer, 2);
    EXPECT_TRUE(SameRecords(PatternRecords<RawParticle_Pos>(2), buffer));
    huge.CloseFile();
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
    EXPECT_NE(std::string::npos, ReportOf([&] { reader.ReadChunk(buffer, 900); }).find("|cut.raw: Read 460 of 900 records: the file ends early"));
    EXPECT_TRUE(SameRecords(std::vector<RawParticle_PosVel>(records.begin() + 40, records.begin() + 500), buffer))
        << "only what arrived";
}

TEST_F(RawFileFaults, DamagedGzipFiles)
{
    const auto records = PatternRecords<RawParticle_PosVel>(100000);
    const std::string good = GzipBytes(AsBytes(records));
    const std::string small = GzipBytes(AsBytes(PatternRecords<RawParticle_PosVel>(40)));
    const auto flipped = [&](std::size_t at) {
        std::string bytes = small;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x21);
        return bytes;
    };
    const std::string members = GzipBytes(AsBytes(std::vector<RawParticle_PosVel>(records.begin(), records.begin() + 25))) +
                                GzipBytes(AsBytes(std::vector<RawParticle_PosVel>(records.begin() + 25, records.begin() + 40)));
    const struct {
        const char* name;
        std::string bytes;
        std::string error;  // a part of the report
        int header = 0;
    } cases[] = {
        {"empty", "", "bad.raw.gz: Not a gzip file"},
        {"one magic byte", "\x1f", "bad.raw.gz: Not a gzip file"},
        {"text", "abc", "bad.raw.gz: Not a gzip file"},
        {"zeros", std::string(24, '\0'), "bad.raw.gz: Not a gzip file"},
        {"magic only", "\x1f\x8b\x08", "bad.raw.gz: Truncated gzip file (no size trailer)"},
        {"17 bytes", small.substr(0, 17), "bad.raw.gz: Truncated gzip file (no size trailer)"},
        {"cut in the data", small.substr(0, small.size() / 2), "bad.raw.gz: Corrupt or truncated"},
        {"cut before the trailer", small.substr(0, small.size() - 8), "claims more data than the file can hold"},
        {"cut in the trailer", small.substr(0, small.size() - 2), "bad.raw.gz: "},
        {"flipped data byte", flipped(small.size() / 2), "bad.raw.gz: "},
        {"flipped checksum", flipped(small.size() - 6), "bad.raw.gz: Read 0 of 40 records: corrupt or truncated compressed data (<fd:"},
        {"trailer too long", WithSizeTrailer(good, 100005 * 24), " of 100005 records: "},
        {"trailer too short", WithSizeTrailer(good, 80000 * 24), "bad.raw.gz: The data goes on beyond the size in the gzip trailer"},
        {"two members", members, "bad.raw.gz: The data goes on beyond"},
        {"trailer beyond deflate", WithSizeTrailer(small, 100000008),
         "bad.raw.gz: Corrupt or truncated gzip file (its size trailer claims more data than the file can hold)"},
        {"header longer than the data", WithSizeTrailer(GzipBytes(AsBytes(PatternRecords<RawParticle_PosVel>(1))), 1024),
         "Read 0 of 1 records", 1000},
    };
    for (const auto& c : cases) {
        WriteBinaryFile("bad.raw.gz", c.bytes);
        const std::string error = ErrorText([&] { ReadAllGzip("bad.raw.gz", c.header); });
        EXPECT_NE(std::string::npos, error.find(c.error)) << c.name << error;
    }
    WriteBinaryFile("good.raw.gz", small);
    EXPECT_TRUE(SameRecords(PatternRecords<RawParticle_PosVel>(40), ReadAllGzip("good.raw.gz")));
    GzipFiles::Store("zeros.raw.gz", std::string(10000000, '\0'));  // the densest real stream opens
    RawParticleGZReader<RawParticle_Pos> reader(4);
    reader.OpenFile("zeros.raw.gz");
    EXPECT_EQ(833333, reader.GetParticleCount());
}

}  // namespace
