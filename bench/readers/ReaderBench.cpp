// Reading speed of the raw and gzip particle readers from the page cache, each beside
// the plain way of getting the same bytes in the same run:
//   raw:  read(2) into the same chunk buffer, and a cat-like loop with 128 KiB reads
//   gzip: zlib inflate() of the file into the same chunk buffer
// Bytes per second count the decompressed record bytes.
//
// The data (256 MiB of position/velocity records, smooth like simulation output) is made
// once in ./reader_bench_data/ and read once before measuring.

#include "src/RawParticleReader.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Record = ParticleTypes::RawParticle_PosVel;

constexpr std::int64_t RecordCount = (std::int64_t{256} << 20) / sizeof(Record);
constexpr std::int64_t ChunkRecords = 1 << 20;
const std::string Folder = "reader_bench_data";
const std::string RawPath = Folder + "/particles.raw";
const std::string GzPath = Folder + "/particles.raw.gz";

std::vector<Record> MakeRecords(std::int64_t first, std::int64_t count)
{
    std::vector<Record> records(static_cast<std::size_t>(count));
    for (std::int64_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(first + i);
        Record& r = records[static_cast<std::size_t>(i)];
        r.x = static_cast<float>(std::fmod(t * 0.001, 100.0));
        r.y = static_cast<float>(std::sin(t * 1e-5) * 50.0);
        r.z = static_cast<float>(std::fmod(t * 0.37, 17.0));
        r.vx = static_cast<float>(std::cos(t * 3e-4));
        r.vy = static_cast<float>(std::sin(t * 7e-4) * 0.5);
        r.vz = static_cast<float>(std::fmod(t, 13.0) * 0.01);
    }
    return records;
}

void ReadWholeFile(const std::string& path)
{
    std::vector<char> buffer(1 << 20);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) throw std::runtime_error("cannot read " + path);
    while (std::fread(buffer.data(), 1, buffer.size(), file) == buffer.size()) {
    }
    std::fclose(file);
}

void MakeData()
{
    static bool done = false;
    if (done) return;
    done = true;
    const auto bytes = static_cast<std::uintmax_t>(RecordCount * sizeof(Record));
    std::filesystem::create_directories(Folder);
    if (!std::filesystem::exists(RawPath) || std::filesystem::file_size(RawPath) != bytes ||
        !std::filesystem::exists(GzPath)) {
        std::FILE* raw = std::fopen(RawPath.c_str(), "wb");
        gzFile gz = gzopen(GzPath.c_str(), "wb6");
        if (!raw || !gz) throw std::runtime_error("cannot create the benchmark data");
        for (std::int64_t first = 0; first < RecordCount; first += ChunkRecords) {
            const auto records = MakeRecords(first, std::min(ChunkRecords, RecordCount - first));
            const auto size = records.size() * sizeof(Record);
            std::fwrite(records.data(), 1, size, raw);
            gzwrite(gz, records.data(), static_cast<unsigned>(size));
        }
        std::fclose(raw);
        gzclose(gz);
    }
    ReadWholeFile(RawPath);
    ReadWholeFile(GzPath);
}

void Report(benchmark::State& state)
{
    state.SetBytesProcessed(state.iterations() * RecordCount * static_cast<std::int64_t>(sizeof(Record)));
}

void PlainRead(benchmark::State& state, std::size_t bufferBytes)
{
    MakeData();
    std::vector<char> buffer(bufferBytes);
    for (auto _ : state) {
        const int fd = open(RawPath.c_str(), O_RDONLY);
        std::int64_t total = 0;
        for (ssize_t got; (got = read(fd, buffer.data(), buffer.size())) > 0;) total += got;
        close(fd);
        if (total != RecordCount * static_cast<std::int64_t>(sizeof(Record))) state.SkipWithError("short read");
        benchmark::DoNotOptimize(buffer.data());
    }
    Report(state);
}

void BM_PlainReadCat(benchmark::State& state)
{
    PlainRead(state, 128 << 10);
}

void BM_PlainReadChunk(benchmark::State& state)
{
    PlainRead(state, ChunkRecords * sizeof(Record));
}

template <class Reader>
void ReadAll(benchmark::State& state, const std::string& path)
{
    MakeData();
    std::vector<Record> buffer;
    for (auto _ : state) {
        Reader reader(0);
        reader.OpenFile(path);
        std::int64_t total = 0;
        while (total < reader.GetParticleCount()) {
            reader.ReadChunk(buffer, ChunkRecords);
            total += static_cast<std::int64_t>(buffer.size());
        }
        reader.CloseFile();
        if (total != RecordCount) state.SkipWithError("wrong record count");
        benchmark::DoNotOptimize(buffer.data());
    }
    Report(state);
}

void BM_RawParticleReader(benchmark::State& state)
{
    ReadAll<RawParticleReader<Record>>(state, RawPath);
}

void BM_PlainInflate(benchmark::State& state)
{
    MakeData();
    std::vector<unsigned char> input(128 << 10);
    std::vector<unsigned char> output(ChunkRecords * sizeof(Record));
    for (auto _ : state) {
        const int fd = open(GzPath.c_str(), O_RDONLY);
        z_stream stream{};
        inflateInit2(&stream, 15 + 16);
        std::int64_t total = 0;
        std::size_t filled = 0;
        for (;;) {
            if (stream.avail_in == 0) {
                const ssize_t got = read(fd, input.data(), input.size());
                if (got <= 0) break;
                stream.next_in = input.data();
                stream.avail_in = static_cast<uInt>(got);
            }
            stream.next_out = output.data() + filled;
            stream.avail_out = static_cast<uInt>(output.size() - filled);
            const int result = inflate(&stream, Z_NO_FLUSH);
            filled = output.size() - stream.avail_out;
            if (filled == output.size() || result == Z_STREAM_END) {
                total += static_cast<std::int64_t>(filled);
                filled = 0;
            }
            if (result != Z_OK) break;
        }
        inflateEnd(&stream);
        close(fd);
        if (total != RecordCount * static_cast<std::int64_t>(sizeof(Record))) state.SkipWithError("inflate failed");
        benchmark::DoNotOptimize(output.data());
    }
    Report(state);
}

void BM_RawParticleGZReader(benchmark::State& state)
{
    ReadAll<RawParticleGZReader<Record>>(state, GzPath);
}

BENCHMARK(BM_PlainReadCat)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainReadChunk)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawParticleReader)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainInflate)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawParticleGZReader)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
