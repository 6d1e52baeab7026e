// Splatting speed of one brick on one thread, per attribute kind, for bricks as full as
// the dense part of a dam-break data set and as sparse as its spray.

#include "src/BrickSplat.h"

#include <benchmark/benchmark.h>

#include <random>

namespace {

using namespace ParticleTypes;

constexpr std::uint32_t Size = 64;

template <class Attr>
std::vector<BrickParticle<Attr>> MakeRecords(std::size_t count, bool dense)
{
    std::mt19937 random(11);
    std::vector<BrickParticle<Attr>> records(count);
    for (auto& r : records) {
        // Dense bricks fill the own region; sparse ones hold a few clumps.
        const std::uint32_t centre = dense ? 32 : 8 + 16 * (random() % 3);
        const std::uint32_t spread = dense ? 28 : 3;
        std::uint32_t p[3];
        for (auto& c : p) c = centre - spread + static_cast<std::uint32_t>(random() % (2 * spread));
        r.position = p[0] | p[1] << 10 | p[2] << 20;
        if constexpr (std::is_same_v<Attr, ParticleAttributes_VMag>) r.attributes.magnitude = (random() % 1000) / 500.0f;
        if constexpr (std::is_same_v<Attr, ParticleAttributes_ColorCount>) {
            r.attributes = {static_cast<std::uint16_t>(random() % 256), static_cast<std::uint16_t>(random() % 256),
                            static_cast<std::uint16_t>(random() % 256), 0};
        }
    }
    return records;
}

template <class Attr>
void SplatOneBrick(benchmark::State& state)
{
    const auto count = static_cast<std::size_t>(state.range(0));
    const auto records = MakeRecords<Attr>(count, state.range(1) != 0);
    SplatScratch<Attr> scratch;
    for (auto _ : state) {
        state.PauseTiming();
        Brick brick;
        std::copy(records.begin(), records.end(), brick.particles.template Allocate<Attr>(count));
        brick.particleCount = count;
        state.ResumeTiming();
        SplatBrickRecords<Attr>(scratch, Size, brick, 2.0f);
        benchmark::DoNotOptimize(brick.levels.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * count));
}

BENCHMARK(SplatOneBrick<ParticleAttributes_None>)->Args({50'000, 1})->Args({2'000, 0});
BENCHMARK(SplatOneBrick<ParticleAttributes_VMag>)->Args({50'000, 1})->Args({2'000, 0});
BENCHMARK(SplatOneBrick<ParticleAttributes_ColorCount>)->Args({50'000, 1})->Args({2'000, 0});

}  // namespace
