// One frame of the window framework at 1280x720 without a display: clear, 40 lines of
// text through the text helper, present into the window (SDL's offscreen driver). Run it
// on 2 and 8 cores with taskset; the raster threads follow the cores the process may
// use. The ceiling is writing and copying one frame's bytes in the same run.
//
//   taskset -c 0-1 build/release/bench/dxut/dxut_frame_bench
//   taskset -c 0-7 build/release/bench/dxut/dxut_frame_bench

#include "platform/d3d11/pipeline/RasterThreads.h"
#include "platform/dxut/DXUT.h"

#include <benchmark/benchmark.h>
#include <sched.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kLines = 40;
constexpr int kColumns = 100;

unsigned CoresOfThisProcess()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    return sched_getaffinity(0, sizeof(set), &set) == 0 ? static_cast<unsigned>(CPU_COUNT(&set)) : 1u;
}

// The window, the device without vsync, and the text helper's resources.
class Frame {
public:
    Frame()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        // As the rendering device sets it up, but presents come as fast as they can.
        DXUTSetCallbackDeviceChanging([](DXUTDeviceSettings* settings, void*) {
            settings->d3d11.AutoDepthStencilFormat = DXGI_FORMAT_D32_FLOAT;
            settings->d3d11.sd.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
            settings->d3d11.SyncInterval = 0;
            return true;
        });
        if (FAILED(DXUTCreateWindow(L"frame benchmark")) ||
            FAILED(DXUTCreateDevice(D3D_FEATURE_LEVEL_11_0, true, kWidth, kHeight)) ||
            FAILED(manager_.OnD3D11CreateDevice(DXUTGetD3D11Device(), DXUTGetD3D11DeviceContext()))) {
            std::abort();
        }
        manager_.m_nBackBufferWidth = kWidth;
        manager_.m_nBackBufferHeight = kHeight;
        d3d11sw::SetRasterThreads(DXUTGetD3D11DeviceContext(), CoresOfThisProcess());
        for (int row = 0; row < kLines; ++row) {
            std::wstring line;
            for (int i = 0; i < kColumns; ++i) line += static_cast<wchar_t>(33 + (row * 7 + i * 13) % 90);
            lines_.push_back(line);
        }
    }
    ~Frame()
    {
        manager_.OnD3D11DestroyDevice();
        DXUTShutdown(0);
    }

    void Clear()
    {
        const FLOAT background[4] = {0.1f, 0.2f, 0.3f, 1.0f};
        ID3D11DeviceContext* context = DXUTGetD3D11DeviceContext();
        context->ClearRenderTargetView(DXUTGetD3D11RenderTargetView(), background);
        context->ClearDepthStencilView(DXUTGetD3D11DepthStencilView(), D3D11_CLEAR_DEPTH, 1.0f, 0);
    }

    void Text()
    {
        CDXUTTextHelper text(DXUTGetD3D11Device(), DXUTGetD3D11DeviceContext(), &manager_, 16);
        text.Begin();
        text.SetInsertionPos(20, 20);
        for (int row = 0; row < kLines; ++row) {
            text.SetForegroundColor(row % 5 == 0 ? DirectX::XMFLOAT4(1.0f, 1.0f, 0.0f, 1.0f) : DirectX::XMFLOAT4(1.0f, 1.0f, 1.0f, 1.0f));
            text.DrawTextLine(lines_[row].c_str());
        }
        text.End();
    }

    void Present() { DXUTGetDXGISwapChain()->Present(0, 0); }
    void Flush() { DXUTGetD3D11DeviceContext()->Flush(); }

private:
    CDXUTDialogResourceManager manager_;
    std::vector<std::wstring> lines_;
};

Frame& TheFrame()
{
    static Frame frame;
    return frame;
}

void Statistics(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)
        ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
        ->ReportAggregatesOnly(true);
}

void BM_ClearTextPresent(benchmark::State& state)
{
    Frame& frame = TheFrame();
    for (auto _ : state) {
        frame.Clear();
        frame.Text();
        frame.Present();
    }
    state.counters["cores"] = CoresOfThisProcess();
}
BENCHMARK(BM_ClearTextPresent)->Apply(Statistics);

// The parts: the text alone, and clear with present alone.
void BM_TextOnly(benchmark::State& state)
{
    Frame& frame = TheFrame();
    frame.Clear();
    for (auto _ : state) {
        frame.Text();
        frame.Flush();
    }
}
BENCHMARK(BM_TextOnly)->Apply(Statistics);

void BM_ClearPresent(benchmark::State& state)
{
    Frame& frame = TheFrame();
    for (auto _ : state) {
        frame.Clear();
        frame.Present();
    }
}
BENCHMARK(BM_ClearPresent)->Apply(Statistics);

// The ceiling: one frame's bytes written, then copied (what a present does at least).
void BM_FrameFillAndCopy(benchmark::State& state)
{
    std::vector<std::uint32_t> frame(kWidth * kHeight);
    std::vector<std::uint32_t> window(kWidth * kHeight);
    std::uint32_t value = 0;
    for (auto _ : state) {
        std::fill(frame.begin(), frame.end(), ++value);
        std::memcpy(window.data(), frame.data(), frame.size() * sizeof(std::uint32_t));
        benchmark::DoNotOptimize(window.data());
    }
}
BENCHMARK(BM_FrameFillAndCopy)->Apply(Statistics);

}  // namespace
