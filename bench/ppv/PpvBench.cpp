// Saving and loading .ppv files, each beside snappy alone on the same bytes:
//   save: the writer (payload assembly, compression, record and payload writes, the
//         rename) against snappy::RawCompress of the assembled payloads
//   load: the reader (record checks, reads, decompression, layout checks) against
//         snappy::RawUncompress of the same payloads
// Bytes per second count uncompressed payload bytes; bricks per second beside them.
//
// The bricks stand in for a timestep of a large fluid simulation: leaf bricks of edge 64
// cut by a wavy surface, below it one voxel in PPV_BENCH_DENSITY (default 0.05) set at
// random, with or without VMag attributes per set voxel. Files go to PPV_BENCH_DIR (default
// ./ppv_bench_data), in the page cache after the first run.

#include "tests/support/PpvSamples.h"

#include <benchmark/benchmark.h>
#include <snappy.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace qz::test;

constexpr std::uint32_t BrickSize = 64;
constexpr std::uint32_t Levels = 6;

double Density()
{
    const char* text = std::getenv("PPV_BENCH_DENSITY");
    return text ? std::atof(text) : 0.05;
}

std::string Folder()
{
    const char* text = std::getenv("PPV_BENCH_DIR");
    return text ? text : "ppv_bench_data";
}

PpvBrick MakeFluidBrick(std::uint32_t index, double density, bool attributes)
{
    PpvBrick brick;
    brick.level = Levels - 1;
    brick.position[0] = index % 32;
    brick.position[1] = index / 32 % 32;
    brick.position[2] = index / 1024 % 32;
    brick.totalParticleCount = 0;
    brick.words.resize(PpvLayout::WordCount(BrickSize));
    std::mt19937 random(index);
    std::bernoulli_distribution set(density);
    const double phase = index * 0.7;
    for (std::uint32_t z = 0; z < BrickSize; ++z) {
        for (std::uint32_t x = 0; x < BrickSize; ++x) {
            const double surface = BrickSize * (0.5 + 0.35 * std::sin(x * 0.11 + phase) * std::cos(z * 0.07 + phase));
            for (std::uint32_t y = 0; y < surface; ++y) {
                if (!set(random)) continue;
                const std::size_t w = ((z >> 3) * (BrickSize / 4) + (y >> 2)) * (BrickSize / 4) + (x >> 2);
                const std::uint32_t bit = (x & 3) + ((y & 3) << 2) + ((z & 7) << 4);
                brick.words[w][static_cast<int>(bit >> 5)] |= 1u << (bit & 31);
                ++brick.totalParticleCount;
            }
        }
    }
    if (attributes) AddAttributes(brick, index);
    return brick;
}

struct Data {
    std::vector<PpvBrick> bricks;
    std::vector<std::string> payloads;  // uncompressed, as the writer assembles them
    std::vector<std::string> compressed;
    std::int64_t bytes = 0;
};

// range(0) bricks, with VMag attributes when range(1) is 1; made once per combination.
const Data& Bricks(const benchmark::State& state)
{
    static std::map<std::pair<std::int64_t, std::int64_t>, std::unique_ptr<Data>> cache;
    const std::int64_t count = state.range(0);
    std::unique_ptr<Data>& data = cache[{count, state.range(1)}];
    if (data) return *data;
    data = std::make_unique<Data>();
    const double density = Density();
    for (std::int64_t i = 0; i < count; ++i) {
        const PpvBrick& brick =
            data->bricks.emplace_back(MakeFluidBrick(static_cast<std::uint32_t>(i), density, state.range(1) != 0));
        std::string payload(reinterpret_cast<const char*>(brick.words.data()), brick.words.size() * 16);
        payload.append(reinterpret_cast<const char*>(brick.attributeOffsets.data()), brick.attributeOffsets.size() * 4);
        payload.append(reinterpret_cast<const char*>(brick.attributeValues.data()), brick.attributeValues.size() * 2);
        data->bytes += static_cast<std::int64_t>(payload.size());
        std::string compressed;
        snappy::Compress(payload.data(), payload.size(), &compressed);
        data->payloads.push_back(std::move(payload));
        data->compressed.push_back(std::move(compressed));
    }
    return *data;
}

void Report(benchmark::State& state, const Data& data)
{
    state.SetBytesProcessed(state.iterations() * data.bytes);
    state.counters["bricks/s"] =
        benchmark::Counter(static_cast<double>(data.bricks.size()), benchmark::Counter::kIsIterationInvariantRate);
    std::int64_t compressed = 0;
    for (const std::string& c : data.compressed) compressed += static_cast<std::int64_t>(c.size());
    state.counters["ratio"] = static_cast<double>(data.bytes) / static_cast<double>(compressed);
}

std::string FilePath(const benchmark::State& state)
{
    std::filesystem::create_directories(Folder());
    return Folder() + "/bricks_" + std::to_string(state.range(0)) + "_" + std::to_string(state.range(1)) + ".ppv";
}

void BM_SnappyCompress(benchmark::State& state)
{
    const Data& data = Bricks(state);
    std::vector<char> output;
    for (auto _ : state) {
        for (const std::string& payload : data.payloads) {
            output.resize(snappy::MaxCompressedLength(payload.size()));
            std::size_t size = 0;
            snappy::RawCompress(payload.data(), payload.size(), output.data(), &size);
            benchmark::DoNotOptimize(size);
        }
    }
    Report(state, data);
}

void BM_Save(benchmark::State& state)
{
    const Data& data = Bricks(state);
    const std::string path = FilePath(state);
    for (auto _ : state) {
        // A new file each time: replacing one makes ext4 write the new data out before
        // the rename, which measures the disk rather than the writer.
        state.PauseTiming();
        std::filesystem::remove(path);
        state.ResumeTiming();
        WritePpvFile(path, BrickSize, data.bricks, Levels);
    }
    Report(state, data);
}

void BM_SnappyUncompress(benchmark::State& state)
{
    const Data& data = Bricks(state);
    std::vector<char> output;
    for (auto _ : state) {
        for (std::size_t i = 0; i < data.compressed.size(); ++i) {
            output.resize(data.payloads[i].size());
            benchmark::DoNotOptimize(
                snappy::RawUncompress(data.compressed[i].data(), data.compressed[i].size(), output.data()));
        }
    }
    Report(state, data);
}

void BM_Load(benchmark::State& state)
{
    const Data& data = Bricks(state);
    const std::string path = FilePath(state);
    WritePpvFile(path, BrickSize, data.bricks, Levels);
    PpvReader reader;
    reader.applicationOverlap = 4;
    reader.LoadFromFile(path);  // into the page cache
    for (auto _ : state) {
        reader.LoadFromFile(path);
        benchmark::DoNotOptimize(reader.loadedBricks.data());
    }
    if (reader.loadedBricks.size() != data.bricks.size()) state.SkipWithError("bricks lost");
    Report(state, data);
}

// 2048 leaf bricks: 6 % of the 32768 leaves of a 6-level volume, about what a fluid
// timestep of tens of millions of particles occupies; with and without VMag attributes.
#define PPV_BENCHMARK(name) \
    BENCHMARK(name)->ArgNames({"bricks", "vmag"})->Args({2048, 1})->Args({2048, 0})->Unit(benchmark::kMillisecond)->UseRealTime()
PPV_BENCHMARK(BM_SnappyCompress);
PPV_BENCHMARK(BM_Save);
PPV_BENCHMARK(BM_SnappyUncompress);
PPV_BENCHMARK(BM_Load);

}  // namespace
