// The effect compiler's cache against a compile of shader/graph.fx, beside a plain read of
// the same two files (the ceiling); and Apply + a 4-vertex draw of the overlay's rectangle
// pass through the effect, 300x200 and full screen on a 1280x720 sRGB target, beside a
// fill of the frame's memory. Draw arguments: width, height, raster threads.

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"
#include "platform/d3d11/pipeline/RasterThreads.h"
#include "shader/BuiltInEffects.h"
#include "tarnwick/core/Logging.h"
#include "tarnwick/dx11/EffectCompiler.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

using d3d11sw::ComPtr;
constexpr UINT kWidth = 1280;
constexpr UINT kHeight = 720;

template <class Benchmark>
void Statistics(Benchmark* benchmark)
{
    benchmark->Unit(benchmark::kMicrosecond)
        ->UseRealTime()
        ->Repetitions(9)
        ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
        ->ReportAggregatesOnly(true);
}

// graph.fx copied into a folder of its own, with its cache made.
std::string PreparedSource()
{
    static const std::string path = [] {
        qz::core::Logger::Release();  // the compiler's log lines are not measured
        const std::filesystem::path folder = std::filesystem::temp_directory_path() / "qz_effects_bench";
        std::filesystem::create_directories(folder);
        const std::filesystem::path file = folder / "graph.fx";
        std::filesystem::copy_file(std::string(QZ_SHADER_DIR) + "/graph.fx", file,
                                   std::filesystem::copy_options::overwrite_existing);
        qz::dx11::EffectBytes bytes;
        qz::dx11::EffectCompiler::CompileFromFile(file.string(), bytes, qz::dx11::EffectCompiler::kIgnoreCache, {});
        return file.string();
    }();
    return path;
}

void BM_GraphCacheHit(benchmark::State& state)
{
    const std::string source = PreparedSource();
    qz::dx11::EffectBytes bytes;
    for (auto _ : state) {
        qz::dx11::EffectCompiler::CompileFromFile(source, bytes, 0, {});
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_GraphCacheHit)->Apply(Statistics<benchmark::internal::Benchmark>);

void BM_GraphCompile(benchmark::State& state)
{
    const std::string source = PreparedSource();
    qz::dx11::EffectBytes bytes;
    for (auto _ : state) {
        qz::dx11::EffectCompiler::CompileFromFile(
            source, bytes, qz::dx11::EffectCompiler::kIgnoreCache | qz::dx11::EffectCompiler::kNoCacheWrite, {});
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_GraphCompile)->Apply(Statistics<benchmark::internal::Benchmark>);

// The ceiling of a cache hit: reading the source and the cache file, nothing else.
void BM_GraphReadFiles(benchmark::State& state)
{
    const std::string source = PreparedSource();
    const std::string cache = source.substr(0, source.size() - 3) + ".prc";
    std::vector<char> buffer(1 << 16);
    for (auto _ : state) {
        for (const std::string& name : {source, cache}) {
            std::FILE* file = std::fopen(name.c_str(), "rb");
            benchmark::DoNotOptimize(std::fread(buffer.data(), 1, buffer.size(), file));
            std::fclose(file);
        }
    }
}
BENCHMARK(BM_GraphReadFiles)->Apply(Statistics<benchmark::internal::Benchmark>);

class Overlay {
public:
    explicit Overlay(unsigned threads)
    {
        D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                          device_.ReleaseAndGetAddressOf(), nullptr, context_.ReleaseAndGetAddressOf());
        d3d11sw::SetRasterThreads(context_.Get(), threads);
        const D3D11_TEXTURE2D_DESC desc{kWidth, kHeight, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, {1, 0},
                                        D3D11_USAGE_DEFAULT, D3D11_BIND_RENDER_TARGET, 0, 0};
        device_->CreateTexture2D(&desc, nullptr, target_.ReleaseAndGetAddressOf());
        device_->CreateRenderTargetView(target_.Get(), nullptr, view_.ReleaseAndGetAddressOf());
        ID3D11RenderTargetView* view = view_.Get();
        context_->OMSetRenderTargets(1, &view, nullptr);
        const D3D11_VIEWPORT viewport{0, 0, kWidth, kHeight, 0, 1};
        context_->RSSetViewports(1, &viewport);
        const FLOAT clear[4] = {0.1f, 0.2f, 0.3f, 1.0f};
        context_->ClearRenderTargetView(view_.Get(), clear);
        qz::dx11::EffectCompiler::LoadFromMemory(device_.Get(), qz::shaders::CompiledEffect("graph"),
                                                 graph_.ReleaseAndGetAddressOf());
        pass_ = graph_->GetTechniqueByName("RenderGraphs")->GetPassByName("RenderBackground");
        position_ = graph_->GetVariableByName("g_graphPos")->AsVector();
        size_ = graph_->GetVariableByName("g_graphSize")->AsVector();
        color_ = graph_->GetVariableByName("g_graphColor")->AsVector();
    }

    // What the GUI does for one rectangle, and the end of the frame.
    void Rectangle(float x, float y, float w, float h)
    {
        const float position[4] = {2.0f * x / kWidth - 1.0f, 1.0f - 2.0f * y / kHeight, 0, 0};
        const float size[4] = {2.0f * w / kWidth, -2.0f * h / kHeight, 0, 0};
        const float color[4] = {0.2f, 0.3f, 0.4f, 0.5f};
        position_->SetFloatVector(position);
        size_->SetFloatVector(size);
        color_->SetFloatVector(color);
        context_->IASetInputLayout(nullptr);
        context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
        pass_->Apply(0, context_.Get());
        context_->Draw(4, 0);
        context_->Flush();
    }

private:
    ComPtr<ID3D11Device> device_;
    ComPtr<ID3D11DeviceContext> context_;
    ComPtr<ID3D11Texture2D> target_;
    ComPtr<ID3D11RenderTargetView> view_;
    ComPtr<ID3DX11Effect> graph_;
    ID3DX11EffectPass* pass_ = nullptr;
    ID3DX11EffectVectorVariable* position_ = nullptr;
    ID3DX11EffectVectorVariable* size_ = nullptr;
    ID3DX11EffectVectorVariable* color_ = nullptr;
};

void BM_GraphRectangle(benchmark::State& state)
{
    Overlay overlay(static_cast<unsigned>(state.range(2)));
    const auto width = static_cast<float>(state.range(0));
    const auto height = static_cast<float>(state.range(1));
    for (auto _ : state) {
        overlay.Rectangle(100.0f * (width < kWidth), 100.0f * (height < kHeight), width, height);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}
BENCHMARK(BM_GraphRectangle)
    ->Args({8, 8, 1})
    ->Args({300, 200, 1})
    ->Args({300, 200, 2})
    ->Args({300, 200, 8})
    ->Args({kWidth, kHeight, 1})
    ->Args({kWidth, kHeight, 2})
    ->Args({kWidth, kHeight, 8})
    ->Apply(Statistics<benchmark::internal::Benchmark>);

// The ceiling of a full-screen rectangle: writing the frame's bytes.
void BM_FrameFill(benchmark::State& state)
{
    std::vector<std::uint32_t> frame(std::size_t{kWidth} * kHeight);
    for (auto _ : state) {
        std::memset(frame.data(), static_cast<int>(state.iterations() & 0xFF), frame.size() * 4);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FrameFill)->Apply(Statistics<benchmark::internal::Benchmark>);

}  // namespace
