// Per-frame page touches of the attribute paging: ranges that are resident (a hit moves
// a list node) and ranges that must evict (a miss moves a frame). Items are pages.

#include "tarnwick/utils/PagingMemoryManager.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

using Manager = qz::utils::PagingMemoryManager<std::uint64_t>;

constexpr int PageSize = 4096;
constexpr std::uint64_t RangePages = 64;

// state.range(0): virtual pages per frame of physical memory (1: everything fits).
void BM_TouchRange(benchmark::State& state)
{
    constexpr std::uint32_t frames = 1024;
    const auto manager = Manager::Create(PageSize, frames * PageSize);
    const std::uint64_t virtualPages = frames * static_cast<std::uint64_t>(state.range(0)) - 1;
    manager->Allocate(virtualPages * PageSize);
    const bool force = state.range(0) > 1;

    const std::uint64_t rangeBytes = RangePages * PageSize - 1;  // ends inside the last page
    std::uint64_t address = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(manager->TouchRange(address, rangeBytes, force));
        address += RangePages * PageSize;
        if (address + rangeBytes >= manager->Allocated()) {
            address = 0;
            ++manager->stamp;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * RangePages));
}
BENCHMARK(BM_TouchRange)->ArgName("pagesPerFrame")->Arg(1)->Arg(4);

void BM_GetPages(benchmark::State& state)
{
    const auto manager = Manager::Create(PageSize, 1024 * PageSize);
    manager->Allocate(1000 * PageSize);
    for (auto _ : state) {
        benchmark::DoNotOptimize(manager->GetPages(100, RangePages * PageSize));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * (RangePages + 1)));
}
BENCHMARK(BM_GetPages);

}  // namespace
