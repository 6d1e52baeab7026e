// The GUI workloads (GuiWorkload.h) on 1, 2 and 8 raster threads, beside the memory
// ceiling of the same machine (a frame-sized fill, and a read and write of it).

#include "bench/d3d11/GuiWorkload.h"

#include <benchmark/benchmark.h>

namespace {

using namespace guibench;

void Threads(benchmark::internal::Benchmark* bench)
{
    bench->Arg(1)->Arg(2)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)
        ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
        ->ReportAggregatesOnly(true);
}

void BM_GuiFrame(benchmark::State& state)
{
    Gui gui(static_cast<unsigned>(state.range(0)));
    gui.Begin();
    for (auto _ : state) {
        GuiFrame(gui);
    }
}
BENCHMARK(BM_GuiFrame)->Apply(Threads);

// The same frame with the kernels written per quad (the same pixels).
void BM_GuiFrameQuadKernels(benchmark::State& state)
{
    Gui gui(static_cast<unsigned>(state.range(0)), false);
    gui.Begin();
    for (auto _ : state) {
        GuiFrame(gui);
    }
}
BENCHMARK(BM_GuiFrameQuadKernels)->Apply(Threads);

void BM_FullScreenBlend(benchmark::State& state)
{
    Gui gui(static_cast<unsigned>(state.range(0)));
    gui.Begin();
    gui.ClearTarget();
    for (auto _ : state) {
        gui.Rectangle(0, 0, kWidth, kHeight, kPanel);
        gui.End();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_FullScreenBlend)->Apply(Threads);

// The same over an image scaled to the screen, whose pixels differ from their
// neighbours: no runs of equal pixels. The image is put back between iterations
// (untimed).
void BM_FullScreenBlendOverImage(benchmark::State& state)
{
    Gui gui(static_cast<unsigned>(state.range(0)));
    gui.Begin();
    gui.ClearTarget();
    gui.Rectangle(0, 0, kWidth, kHeight, kLogoTint, true);
    gui.End();
    gui.Keep();
    for (auto _ : state) {
        gui.Rectangle(0, 0, kWidth, kHeight, kPanel);
        gui.End();
        state.PauseTiming();
        gui.PutBack();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_FullScreenBlendOverImage)->Apply(Threads);

void TextCellsWith(benchmark::State& state, bool spanKernels)
{
    Gui gui(static_cast<unsigned>(state.range(0)), spanKernels);
    gui.Begin();
    gui.ClearTarget();
    const std::vector<std::string> lines = TextCellLines();
    for (auto _ : state) {
        TextCells(gui, lines);
    }
    state.SetItemsProcessed(state.iterations() * kTextLines * kTextCells * 128);
}

void BM_TextCells(benchmark::State& state) { TextCellsWith(state, true); }
BENCHMARK(BM_TextCells)->Apply(Threads);

void BM_TextCellsQuadKernels(benchmark::State& state) { TextCellsWith(state, false); }
BENCHMARK(BM_TextCellsQuadKernels)->Apply(Threads);

void BM_LinearImage(benchmark::State& state)
{
    Gui gui(static_cast<unsigned>(state.range(0)));
    gui.Begin();
    gui.ClearTarget();
    for (auto _ : state) {
        gui.Rectangle(100, 100, 256, 256, kLogoTint, true);
        gui.End();
    }
    state.SetItemsProcessed(state.iterations() * 256 * 256);
}
BENCHMARK(BM_LinearImage)->Apply(Threads);

// The same image scaled to 300x300 pixels: every sample between texels.
void BM_ScaledImage(benchmark::State& state)
{
    Gui gui(static_cast<unsigned>(state.range(0)));
    gui.Begin();
    gui.ClearTarget();
    for (auto _ : state) {
        gui.Rectangle(100, 100, 300, 300, kLogoTint, true);
        gui.End();
    }
    state.SetItemsProcessed(state.iterations() * 300 * 300);
}
BENCHMARK(BM_ScaledImage)->Apply(Threads);

void BM_ClearColour(benchmark::State& state)
{
    Gui gui(1);
    for (auto _ : state) {
        gui.ClearTarget();
        gui.End();
    }
}
BENCHMARK(BM_ClearColour)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)
    ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
    ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
    ->ReportAggregatesOnly(true);

void BM_ClearDepth(benchmark::State& state)
{
    Gui gui(1);
    for (auto _ : state) {
        gui.ClearDepth();
        gui.End();
    }
}
BENCHMARK(BM_ClearDepth)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)
    ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
    ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
    ->ReportAggregatesOnly(true);

// The ceiling: writing and copying a frame's bytes.
void BM_MemoryFill(benchmark::State& state)
{
    std::vector<std::uint32_t> frame(kWidth * kHeight);
    for (auto _ : state) {
        std::memset(frame.data(), state.iterations() & 0xFF, frame.size() * 4);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemoryFill)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)
    ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
    ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
    ->ReportAggregatesOnly(true);

void BM_MemoryReadWrite(benchmark::State& state)
{
    std::vector<std::uint32_t> frame(kWidth * kHeight);
    for (auto _ : state) {
        for (std::uint32_t& pixel : frame) {
            pixel = pixel * 3 + 1;
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemoryReadWrite)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)
    ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
    ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
    ->ReportAggregatesOnly(true);

}  // namespace
