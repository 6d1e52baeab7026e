// A frame dump of a 1280x720 back buffer (the swap chain's sRGB texture) as PNG and as raw
// bytes, and a whole dump with settings and statistics, beside the ceilings of the same
// run: copying the frame in memory and writing its bytes to a file. Two contents: a
// rendered-looking frame (gradient background, soft particles, transparent corners) and
// noise, the worst case for PNG. Counters give the file sizes.

#include "tarnwick/core/Logging.h"
#include "tarnwick/dev/FrameDump.h"
#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

namespace {

using d3d11sw::ComPtr;
namespace fs = std::filesystem;

constexpr UINT kWidth = 1280;
constexpr UINT kHeight = 720;

std::vector<std::uint8_t> SceneFrame()
{
    std::vector<std::uint8_t> pixels(std::size_t{kWidth} * kHeight * 4);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> where(0.0f, 1.0f);
    std::vector<std::array<float, 3>> particles(400);
    for (auto& particle : particles) particle = {where(random) * kWidth, where(random) * kHeight, 4 + where(random) * 12};
    for (UINT y = 0; y < kHeight; ++y) {
        for (UINT x = 0; x < kWidth; ++x) {
            std::uint8_t* pixel = &pixels[(std::size_t{y} * kWidth + x) * 4];
            float glow = 0.0f;
            for (const auto& [px, py, radius] : particles) {
                const float dx = x - px;
                const float dy = y - py;
                if (std::abs(dx) < radius && std::abs(dy) < radius) glow += std::max(0.0f, 1.0f - std::sqrt(dx * dx + dy * dy) / radius);
            }
            const float background = 20.0f + 60.0f * y / kHeight;
            pixel[0] = static_cast<std::uint8_t>(std::min(255.0f, background + 200.0f * glow));
            pixel[1] = static_cast<std::uint8_t>(std::min(255.0f, background + 120.0f * glow));
            pixel[2] = static_cast<std::uint8_t>(std::min(255.0f, background * 1.5f + 40.0f * glow));
            pixel[3] = (x < 64 && y < 64) ? 0 : 255;
        }
    }
    return pixels;
}

std::vector<std::uint8_t> NoiseFrame()
{
    std::vector<std::uint8_t> pixels(std::size_t{kWidth} * kHeight * 4);
    std::mt19937 random(11);
    for (auto& byte : pixels) byte = static_cast<std::uint8_t>(random());
    return pixels;
}

// A device, a headless swap chain and its back buffer holding the frame.
class BackBuffer {
public:
    explicit BackBuffer(const std::vector<std::uint8_t>& frame)
    {
        ComPtr<ID3D11DeviceContext> context;
        D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                          device_.ReleaseAndGetAddressOf(), nullptr, context.ReleaseAndGetAddressOf());
        ComPtr<IDXGIFactory1> factory;
        CreateDXGIFactory1(IDXGIFactory1::Iid, reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf()));
        DXGI_SWAP_CHAIN_DESC desc{};
        desc.BufferDesc.Width = kWidth;
        desc.BufferDesc.Height = kHeight;
        desc.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
        desc.SampleDesc = {1, 0};
        desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
        desc.BufferCount = 1;
        desc.Windowed = TRUE;
        factory->CreateSwapChain(device_.Get(), &desc, swapChain_.ReleaseAndGetAddressOf());
        swapChain_->GetBuffer(0, ID3D11Texture2D::Iid, reinterpret_cast<void**>(texture_.ReleaseAndGetAddressOf()));
        context->UpdateSubresource(texture_.Get(), 0, nullptr, frame.data(), kWidth * 4, 0);
    }

    ID3D11Texture2D* Texture() const { return texture_.Get(); }

private:
    ComPtr<ID3D11Device> device_;
    ComPtr<IDXGISwapChain> swapChain_;
    ComPtr<ID3D11Texture2D> texture_;
};

const std::vector<std::uint8_t>& Frame(int content)
{
    static const std::vector<std::uint8_t> scene = SceneFrame();
    static const std::vector<std::uint8_t> noise = NoiseFrame();
    return content == 0 ? scene : noise;
}

fs::path Folder()
{
    static const fs::path folder = [] {
        // Dump messages stay out of the benchmark's table.
        qz::core::Logger::Instance()->Streams().front()->SetMinLevel(2);
        const fs::path made = fs::temp_directory_path() / "qz_frame_dump_bench";
        fs::create_directories(made);
        return made;
    }();
    return folder;
}

void DumpBackBuffer(benchmark::State& state, bool raw)
{
    const int content = static_cast<int>(state.range(0));
    BackBuffer backBuffer(Frame(content));
    const std::string path = (Folder() / (raw ? "backbuffer.raw" : "backbuffer.png")).string();
    for (auto _ : state) {
        qz::dev::FrameDump::Dump({backBuffer.Texture(), true, raw}, path, {0, 0, 0, 0});
    }
    state.counters["file_bytes"] = static_cast<double>(fs::file_size(path));
    state.SetLabel(content == 0 ? "scene" : "noise");
}

void BM_DumpBackBufferPng(benchmark::State& state) { DumpBackBuffer(state, false); }
void BM_DumpBackBufferRaw(benchmark::State& state) { DumpBackBuffer(state, true); }

// The whole dump: folder, a small settings copy with its index, statistics, the PNG.
void BM_WholeDump(benchmark::State& state)
{
    BackBuffer backBuffer(Frame(0));
    qz::dev::FrameDump dump;
    dump.screenshots["backbuffer"] = {backBuffer.Texture(), true, false};
    const auto settings = [](const std::string& file) {
        std::FILE* out = std::fopen(file.c_str(), "w");
        if (out) std::fputs("<tarnwick-config><app-settings/></tarnwick-config>\n", out), std::fclose(out);
    };
    for (auto _ : state) {
        dump.Dump(Folder().string(), "dump", settings);
    }
}

// Ceilings of the same run.
void BM_CopyFrameInMemory(benchmark::State& state)
{
    const std::vector<std::uint8_t>& frame = Frame(0);
    std::vector<std::uint8_t> copy(frame.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), frame.data(), frame.size());
        benchmark::DoNotOptimize(copy.data());
    }
}

void BM_WriteFrameToFile(benchmark::State& state)
{
    const std::vector<std::uint8_t>& frame = Frame(0);
    const std::string path = (Folder() / "plain.raw").string();
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(frame.data(), 1, frame.size(), file);
        std::fclose(file);
    }
}

double Min(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }
double Max(const std::vector<double>& values) { return *std::max_element(values.begin(), values.end()); }

#define QZ_STATISTICS                                                                                       \
    Unit(benchmark::kMillisecond)->Repetitions(7)->ComputeStatistics("min", Min)->ComputeStatistics("max", Max) \
        ->DisplayAggregatesOnly(true)

BENCHMARK(BM_CopyFrameInMemory)->QZ_STATISTICS;
BENCHMARK(BM_WriteFrameToFile)->QZ_STATISTICS;
BENCHMARK(BM_DumpBackBufferRaw)->Arg(0)->QZ_STATISTICS;
BENCHMARK(BM_DumpBackBufferPng)->Arg(0)->Arg(1)->QZ_STATISTICS;
BENCHMARK(BM_WholeDump)->QZ_STATISTICS;

}  // namespace
