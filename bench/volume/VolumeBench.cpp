// Insertion and octree build of a position-only dam break (the application's volume
// settings: bricks of 64 with overlap 4, 6 levels) at 1, 2 and all cores, in million
// particles per second; and the peak memory per particle of a whole build, chunks
// included. Arguments: particle count, OpenMP threads (0 for all cores).

#include "bench/volume/DamBreak.h"
#include "src/ParticleVolume.h"

#include "tarnwick/core/Logging.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <omp.h>
#include <string>

namespace {

using Volume = ParticleVolume<ParticleTypes::ParticleAttributes_None>;

void QuietLog()
{
    static const bool quiet = [] {
        for (const auto& stream : qz::core::Logger::Instance()->Streams()) stream->SetMinLevel(3);
        return true;
    }();
    (void)quiet;
}

void UseThreads(std::int64_t threads)
{
    omp_set_num_threads(threads > 0 ? static_cast<int>(threads) : omp_get_num_procs());
}

// A prepared volume with a new timestep whose chunks hold the scene, as the loading
// pipeline leaves it before insertion.
std::unique_ptr<Volume> LoadedVolume(std::uint64_t count)
{
    auto volume = std::make_unique<Volume>();
    volume->Prepare(64, 4, 6);
    std::copy(bench::DamBreakBox, bench::DamBreakBox + 6, volume->boundingBox);
    volume->CreateTimestep(true);
    volume->PrepareTemporaryData();
    const std::uint64_t chunkCount = (count + Volume::ChunkSize - 1) / Volume::ChunkSize;
    volume->chunks.resize(chunkCount);
    for (std::uint64_t c = 0; c < chunkCount; ++c) {
        const std::uint64_t first = c * Volume::ChunkSize;
        const std::uint64_t size = std::min(Volume::ChunkSize, count - first);
        auto& chunk = volume->chunks[c];
        chunk.resize(size);
#pragma omp parallel for schedule(static)
        for (std::uint64_t block = 0; block < 256; ++block) {
            const std::uint64_t begin = size * block / 256;
            const std::uint64_t end = size * (block + 1) / 256;
            bench::MakeDamBreak(first + begin, end - begin, chunk.data() + begin);
        }
    }
    volume->records.resize(count);
    return volume;
}

void SetRate(benchmark::State& state, std::uint64_t count)
{
    state.counters["Mparticles/s"] = benchmark::Counter(static_cast<double>(count) * 1e-6 * state.iterations(),
                                                        benchmark::Counter::kIsRate);
    state.counters["threads"] = omp_get_max_threads();
}

void Insertion(benchmark::State& state)
{
    QuietLog();
    const auto count = static_cast<std::uint64_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto volume = LoadedVolume(count);
        UseThreads(state.range(1));
        state.ResumeTiming();
        volume->InsertParticles(0, 0);
        state.PauseTiming();
        volume.reset();
        state.ResumeTiming();
    }
    SetRate(state, count);
}

void OctreeBuild(benchmark::State& state)
{
    QuietLog();
    const auto count = static_cast<std::uint64_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto volume = LoadedVolume(count);
        volume->InsertParticles(0, 0);
        UseThreads(state.range(1));
        state.ResumeTiming();
        volume->Create(0);
        state.PauseTiming();
        volume.reset();
        state.ResumeTiming();
    }
    SetRate(state, count);
}

// A line of /proc/self/status in bytes ("VmHWM:  1234 kB").
double StatusBytes(const std::string& key)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) return std::stod(line.substr(key.size())) * 1024.0;
    }
    return 0.0;
}

void PeakMemory(benchmark::State& state)
{
    QuietLog();
    const auto count = static_cast<std::uint64_t>(state.range(0));
    UseThreads(state.range(1));
    double bytesPerParticle = 0.0;
    for (auto _ : state) {
        std::ofstream("/proc/self/clear_refs") << "5";  // resets the peak to the current size
        const double before = StatusBytes("VmRSS:");
        auto volume = LoadedVolume(count);
        volume->InsertParticles(0, 0);
        volume->Create(0);
        bytesPerParticle = (StatusBytes("VmHWM:") - before) / static_cast<double>(count);
        volume.reset();
    }
    state.counters["peak bytes/particle"] = bytesPerParticle;
}

void Sizes(benchmark::internal::Benchmark* b)
{
    for (std::int64_t count : {10'000'000, 50'000'000}) {
        for (std::int64_t threads : {1, 2, 0}) b->Args({count, threads});
    }
    b->ArgNames({"particles", "threads"})->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
}

BENCHMARK(Insertion)->Apply(Sizes);
BENCHMARK(OctreeBuild)->Apply(Sizes);
BENCHMARK(PeakMemory)
    ->Args({10'000'000, 0})
    ->Args({50'000'000, 0})
    ->ArgNames({"particles", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
