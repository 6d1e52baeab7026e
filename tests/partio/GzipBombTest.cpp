// A small gzip file that inflates to far more than its points: only what the header's
// counts need is inflated, so memory stays near the file's content.

#include "tests/partio/BgeoFixtures.h"
#include "tests/support/BinaryFiles.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace qz::test;

// The bytes followed by `mebibytes` MiB of zeros, as one gzip member. The zeros are one
// compressed mebibyte repeated: after a full flush a block refers to nothing before it, so
// copies of it inflate alike, and the file is written in milliseconds.
std::string GzipWithZeros(const std::string& bytes, std::uint32_t mebibytes)
{
    z_stream stream {};
    if (deflateInit2(&stream, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflate");
    const auto run = [&](const std::string& input, int flush) {
        std::string output(deflateBound(&stream, input.size()) + 64, '\0');
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
        stream.avail_in = static_cast<uInt>(input.size());
        stream.next_out = reinterpret_cast<Bytef*>(output.data());
        stream.avail_out = static_cast<uInt>(output.size());
        deflate(&stream, flush);
        output.resize(output.size() - stream.avail_out);
        return output;
    };
    const std::string zeros(1 << 20, '\0');
    std::string file = run(bytes, Z_FULL_FLUSH);
    const std::string block = run(zeros, Z_FULL_FLUSH);
    for (std::uint32_t i = 0; i < mebibytes; ++i) file += block;
    std::string end = run("", Z_FINISH);
    deflateEnd(&stream);
    // The trailer of the whole: CRC-32 and length modulo 2^32.
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size()));
    const uLong zerosCrc = crc32(0, reinterpret_cast<const Bytef*>(zeros.data()), static_cast<uInt>(zeros.size()));
    for (std::uint32_t i = 0; i < mebibytes; ++i) crc = crc32_combine(crc, zerosCrc, zeros.size());
    const std::uint64_t length = bytes.size() + std::uint64_t {mebibytes} * zeros.size();
    end.resize(end.size() - 8);
    for (int i = 0; i < 4; ++i) end += static_cast<char>(crc >> (8 * i));
    for (int i = 0; i < 4; ++i) end += static_cast<char>(length >> (8 * i));
    return file + end;
}

// Runs the read in a child and returns its peak resident memory in MiB, or -1 when the
// read did not give the expected particle count.
long PeakMemoryOfReading(const std::string& path, int particles)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const ReadResult result = ReadParticles(path);
        ::_exit(result.particles && result.particles->numParticles() == particles ? 0 : 1);
    }
    int status = 0;
    rusage usage {};
    ::wait4(child, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return usage.ru_maxrss / 1024;
}

TEST(GzipBomb, OnlyWhatTheCountsNeedIsInflated)
{
    // 1 GiB of zeros behind a header of no points, and behind one point.
    std::string onePoint = BgeoHeader(1, 0).Data();
    BigEndianBuffer point;
    point.F32(1.0f).F32(2.0f).F32(3.0f).F32(1.0f);
    onePoint += point.Data();
    const struct {
        std::string head;
        int particles;
    } cases[] = {{BgeoHeader(0, 0).Data(), 0}, {onePoint, 1}};
    for (const auto& c : cases) {
        const std::string bomb = GzipWithZeros(c.head, 1024);
        ASSERT_LT(bomb.size(), std::size_t {2} << 20);
        WriteBinaryFile("bomb.bgeo.gz", bomb);
        const long peak = PeakMemoryOfReading("bomb.bgeo.gz", c.particles);
        ASSERT_NE(-1, peak) << ReadParticles("bomb.bgeo.gz").error;
        EXPECT_LT(peak, 512) << "MiB for a " << bomb.size() << "-byte file";
    }
    // The same construction with a small tail is read to its end, checksum included.
    WriteBinaryFile("small.bgeo.gz", GzipWithZeros(onePoint, 1));
    EXPECT_TRUE(ReadParticles("small.bgeo.gz").particles);
    std::string damaged = GzipWithZeros(onePoint, 1);
    damaged[damaged.size() - 6] ^= 1;
    WriteBinaryFile("damaged.bgeo.gz", damaged);
    EXPECT_NE(std::string::npos, ReadParticles("damaged.bgeo.gz").error.find("corrupt")) << ReadParticles("damaged.bgeo.gz").error;
}

}  // namespace
