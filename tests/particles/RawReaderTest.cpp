// Behaviour shared by the raw and the gzip reader, for every record type.

#include "tests/particles/RawFiles.h"
#include "tests/utils/ErrorText.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <filesystem>

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

TYPED_TEST(RawReaders, ExactRecordsWithAndWithoutHeader)
{
    using T = typename TestFixture::T;
    const std::vector<T> records = PatternRecords<T>(37);
    for (int header : {0, 1, 7, 100}) {
        typename TestFixture::Reader reader(header);
        reader.OpenFile(this->MakeFile(records, header));
        EXPECT_EQ(37, reader.GetParticleCount());
        EXPECT_EQ(0, reader.GetCurrentIndex());
        EXPECT_FALSE(reader.IsEof());
        std::vector<T> buffer;
        reader.ReadChunk(buffer, 37);
        EXPECT_TRUE(SameRecords(records, buffer)) << "header " << header;
        EXPECT_EQ(37, reader.GetCurrentIndex());
        EXPECT_TRUE(reader.IsValid());
        reader.CloseFile();
        EXPECT_EQ(0, reader.GetParticleCount());
        EXPECT_TRUE(reader.IsEof());
    }
}

TYPED_TEST(RawReaders, ChunkedReadsEqualOneRead)
{
    using T = typename TestFixture::T;
    const std::vector<T> records = PatternRecords<T>(1000, 3);
    const std::string path = this->MakeFile(records, 12);
    for (std::int64_t chunk : {1, 3, 7, 999, 1000}) {
        typename TestFixture::Reader reader(12);
        reader.OpenFile(path);
        std::vector<T> all, buffer;
        while (reader.GetCurrentIndex() < reader.GetParticleCount()) {
            const std::int64_t before = reader.GetCurrentIndex();
            reader.ReadChunk(buffer, chunk);
            ASSERT_EQ(std::min<std::int64_t>(chunk, 1000 - before), static_cast<std::int64_t>(buffer.size()));
            ASSERT_EQ(before + static_cast<std::int64_t>(buffer.size()), reader.GetCurrentIndex());
            all.insert(all.end(), buffer.begin(), buffer.end());
        }
        EXPECT_TRUE(SameRecords(records, all)) << "chunks of " << chunk;
    }
}

TYPED_TEST(RawReaders, MoreThanRemainsDeliversTheRestThenEnds)
{
    using T = typename TestFixture::T;
    const std::vector<T> records = PatternRecords<T>(10);
    typename TestFixture::Reader reader(0);
    reader.OpenFile(this->MakeFile(records, 0));
    std::vector<T> buffer;
    reader.ReadChunk(buffer, 4);
    reader.ReadChunk(buffer, 1000);
    EXPECT_TRUE(SameRecords(std::vector<T>(records.begin() + 4, records.end()), buffer));
    EXPECT_EQ(reader.GetParticleCount(), reader.GetCurrentIndex());
    EXPECT_TRUE(reader.IsEof());
    const std::string error = ErrorText([&] { reader.ReadChunk(buffer, 1); });
    EXPECT_TRUE(error.ends_with("\nEnd of file already reached")) << error;
}

TYPED_TEST(RawReaders, ShortBufferKeepsNoStaleRecords)
{
    using T = typename TestFixture::T;
    const std::vector<T> records = PatternRecords<T>(25);
    typename TestFixture::Reader reader(0);
    reader.OpenFile(this->MakeFile(records, 0));
    std::vector<T> buffer = PatternRecords<T>(100, 9);
    reader.ReadChunk(buffer, 20);
    EXPECT_TRUE(SameRecords(std::vector<T>(records.begin(), records.begin() + 20), buffer));
    reader.ReadChunk(buffer, 20);
    EXPECT_TRUE(SameRecords(std::vector<T>(records.begin() + 20, records.end()), buffer));
}

TYPED_TEST(RawReaders, OpeningAgainClosesTheFirstFile)
{
    using T = typename TestFixture::T;
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator{});
    };
    const std::vector<T> first = PatternRecords<T>(5, 1), second = PatternRecords<T>(8, 2);
    const std::string a = this->MakeFile(first, 0, "first"), b = this->MakeFile(second, 0, "second");
    typename TestFixture::Reader reader(0);
    const auto before = openFiles();
    reader.OpenFile(a);
    std::vector<T> buffer;
    reader.ReadChunk(buffer, 2);
    const auto open = openFiles();
    reader.OpenFile(b);
    EXPECT_EQ(open, openFiles());
    EXPECT_EQ(8, reader.GetParticleCount());
    EXPECT_EQ(0, reader.GetCurrentIndex());
    reader.ReadChunk(buffer, 100);
    EXPECT_TRUE(SameRecords(second, buffer));
    reader.CloseFile();
    reader.CloseFile();
    EXPECT_EQ(before, openFiles());
}

TYPED_TEST(RawReaders, BadArgumentsAndMissingFiles)
{
    using T = typename TestFixture::T;
    using Reader = typename TestFixture::Reader;
    const std::string negative = ErrorText([] { Reader reader(-1); });
    EXPECT_NE(std::string::npos, negative.find("Reader<struct ParticleTypes::")) << negative;
    EXPECT_TRUE(negative.ends_with("\nInvalid header size -1: the header size must not be negative")) << negative;

    Reader reader(0);
    const std::string error = ErrorText([&] { reader.OpenFile("missing.raw"); });
    EXPECT_TRUE(error.ends_with("\nCould not open missing.raw for reading")) << error;
    EXPECT_TRUE(reader.IsEof());
    EXPECT_EQ(0, reader.GetParticleCount());

    reader.OpenFile(this->MakeFile(PatternRecords<T>(3), 0));
    std::vector<T> buffer;
    EXPECT_THROW(reader.ReadChunk(buffer, -1), qz::core::Exception);
    reader.ReadChunk(buffer, 0);
    EXPECT_TRUE(buffer.empty());
    EXPECT_EQ(0, reader.GetCurrentIndex());
}

}  // namespace
