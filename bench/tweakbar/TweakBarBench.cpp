// TwDraw of the main menu (five items) and one open bar of a settings group with 40
// lines (floats, integers, booleans, a sub-group), placed for a 1280x720 window, over a
// 1280x720 sRGB target as the window's back buffer, shaded by a Flush as Present would
// (the device defers shading until then). The argument is the number of raster threads. Beside it: the bars' text cells alone, and the ceilings of the same run (a
// frame-sized memory fill, a clear of the target).

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"
#include "platform/d3d11/kernels/ShaderKernels.h"
#include "platform/d3d11/pipeline/RasterThreads.h"
#include "platform/tweakbar/AntTweakBar.h"
#include "platform/tweakbar/Context.h"
#include "tarnwick/dev/TweakBarMenu.h"
#include "tarnwick/utils/Settings.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using d3d11sw::ComPtr;
constexpr UINT Width = 1280;
constexpr UINT Height = 720;

struct Values {
    float floats[16] = {};
    int integers[12] = {};
    bool flags[12] = {};
};

class Scene {
public:
    explicit Scene(unsigned threads) : group_("volume", "Volume")
    {
        D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                          device_.ReleaseAndGetAddressOf(), nullptr, context_.ReleaseAndGetAddressOf());
        d3d11sw::SetRasterThreads(context_.Get(), threads);
        D3D11_TEXTURE2D_DESC desc {Width, Height, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, {1, 0}, D3D11_USAGE_DEFAULT,
                                   D3D11_BIND_RENDER_TARGET, 0, 0};
        device_->CreateTexture2D(&desc, nullptr, target_.ReleaseAndGetAddressOf());
        device_->CreateRenderTargetView(target_.Get(), nullptr, view_.ReleaseAndGetAddressOf());
        ID3D11RenderTargetView* views[1] = {view_.Get()};
        context_->OMSetRenderTargets(1, views, nullptr);
        if (!TwInit(TW_DIRECT3D11, device_.Get())) throw std::runtime_error("TwInit failed");
        TwWindowSize(Width, Height);

        for (int i = 0; i < 16; ++i) {
            values_.floats[i] = 0.25f * i;
            group_.AddTypedItem("f" + std::to_string(i), &values_.floats[i],
                                "Float setting " + std::to_string(i) + " <!ATB min=0 max=10>");
        }
        for (int i = 0; i < 12; ++i) {
            values_.integers[i] = i * 7;
            group_.AddTypedItem("i" + std::to_string(i), &values_.integers[i], "Integer " + std::to_string(i));
        }
        for (int i = 0; i < 12; ++i) {
            values_.flags[i] = i % 2 == 0;
            group_.AddTypedItem("b" + std::to_string(i), &values_.flags[i],
                                "Flag " + std::to_string(i) + (i >= 6 ? " <!ATB group=effects>" : ""));
        }
        menu_ = std::make_unique<qz::dev::TweakBarMenu>();
        menu_->windowWidth = Width;
        menu_->windowHeight = Height;
        for (const char* item : {"camera", "renderingdevice", "volume", "rendering", "statistics"}) {
            menu_->AddItem(item, item);
        }
        group_.AddToAntTweakBar(menu_->GetItem("volume").bar, true);
        qz::dev::TweakBarMenu::OnButton(&menu_->GetItem("volume"));
    }
    ~Scene()
    {
        menu_.reset();
        TwTerminate();
    }

    void Flush() { context_->Flush(); }

    // The bars' rectangles in one translucent colour, each as one scissored triangle.
    void BlendRectangles()
    {
        if (!flat_) MakeFlat();
        context_->RSSetState(scissored_.Get());
        context_->OMSetBlendState(blend_.Get(), nullptr, D3D11_DEFAULT_SAMPLE_MASK);
        context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        context_->VSSetShader(window_.Get(), nullptr, 0);
        context_->PSSetShader(flat_.Get(), nullptr, 0);
        const D3D11_VIEWPORT viewport {0, 0, Width, Height, 0, 1};
        context_->RSSetViewports(1, &viewport);
        for (const platform::tweakbar::DrawnBar& bar : platform::tweakbar::BarsToDraw()) {
            const D3D11_RECT rect {bar.frame.x, bar.frame.y, bar.frame.x + bar.frame.width, bar.frame.y + bar.frame.height};
            context_->RSSetScissorRects(1, &rect);
            context_->Draw(3, 0);
        }
    }

    void Clear()
    {
        const FLOAT colour[4] = {0.1f, 0.2f, 0.3f, 1.0f};
        context_->ClearRenderTargetView(view_.Get(), colour);
    }

private:
    void MakeFlat()
    {
        d3d11sw::VertexShaderDesc window;
        window.kernel = d3d11sw::MakeVertexKernel(
            [](const d3d11sw::StageResources&, const d3d11sw::VertexInput& in, d3d11sw::VertexOutput& out) {
                out.position = {in.vertexId == 1 ? 3.0f : -1.0f, in.vertexId == 2 ? -3.0f : 1.0f, 0.0f, 1.0f};
            });
        d3d11sw::CreateVertexShader(device_.Get(), window, window_.ReleaseAndGetAddressOf());
        d3d11sw::PixelShaderDesc flat;
        flat.kernel = d3d11sw::MakePixelKernel([](const d3d11sw::StageResources&, d3d11sw::PixelQuad& quad) {
            quad.Target(0) = d3d11sw::Quad<d3d11sw::Float4>::Splat({0.02f, 0.02f, 0.03f, 0.78f});
        });
        d3d11sw::CreatePixelShader(device_.Get(), flat, flat_.ReleaseAndGetAddressOf());
        D3D11_BLEND_DESC blend {};
        blend.RenderTarget[0] = {TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD,
                                 D3D11_BLEND_ONE, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL};
        device_->CreateBlendState(&blend, blend_.ReleaseAndGetAddressOf());
        const D3D11_RASTERIZER_DESC raster {D3D11_FILL_SOLID, D3D11_CULL_NONE, FALSE, 0, 0, 0, FALSE, TRUE, FALSE, FALSE};
        device_->CreateRasterizerState(&raster, scissored_.ReleaseAndGetAddressOf());
    }

    ComPtr<ID3D11VertexShader> window_;
    ComPtr<ID3D11PixelShader> flat_;
    ComPtr<ID3D11BlendState> blend_;
    ComPtr<ID3D11RasterizerState> scissored_;
    ComPtr<ID3D11Device> device_;
    ComPtr<ID3D11DeviceContext> context_;
    ComPtr<ID3D11Texture2D> target_;
    ComPtr<ID3D11RenderTargetView> view_;
    Values values_;
    qz::utils::SettingsGroup group_;
    std::unique_ptr<qz::dev::TweakBarMenu> menu_;
};

double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
double Max(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

void Statistics(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(9)->ComputeStatistics("min", Min)
        ->ComputeStatistics("max", Max)->ReportAggregatesOnly(true);
}

int PixelsDrawn()
{
    int pixels = 0;
    for (const platform::tweakbar::DrawnBar& bar : platform::tweakbar::BarsToDraw()) {
        pixels += bar.frame.width * bar.frame.height;
    }
    return pixels;
}

void BM_TwDrawMenuAndOpenBar(benchmark::State& state)
{
    Scene scene(static_cast<unsigned>(state.range(0)));
    scene.Clear();
    const int pixels = PixelsDrawn();
    for (auto _ : state) {
        TwDraw();
        scene.Flush();
    }
    state.SetItemsProcessed(state.iterations() * pixels);
    state.counters["bar_pixels"] = pixels;
}
BENCHMARK(BM_TwDrawMenuAndOpenBar)->Arg(1)->Arg(2)->Arg(8)->Apply(Statistics);

void BM_BarRectanglesInOneColour(benchmark::State& state)
{
    Scene scene(static_cast<unsigned>(state.range(0)));
    scene.Clear();
    const int pixels = PixelsDrawn();
    for (auto _ : state) {
        scene.BlendRectangles();
        scene.Flush();
    }
    state.SetItemsProcessed(state.iterations() * pixels);
}
BENCHMARK(BM_BarRectanglesInOneColour)->Arg(1)->Arg(2)->Arg(8)->Apply(Statistics);

void BM_BarCells(benchmark::State& state)
{
    Scene scene(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(platform::tweakbar::BarsToDraw());
    }
}
BENCHMARK(BM_BarCells)->Apply(Statistics);

void BM_ClearTarget(benchmark::State& state)
{
    Scene scene(1);
    for (auto _ : state) {
        scene.Clear();
        scene.Flush();
    }
}
BENCHMARK(BM_ClearTarget)->Apply(Statistics);

// The ceiling: writing a frame's bytes.
void BM_MemoryFill(benchmark::State& state)
{
    std::vector<std::uint32_t> frame(Width * Height);
    for (auto _ : state) {
        std::memset(frame.data(), static_cast<int>(state.iterations() & 0xFF), frame.size() * 4);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemoryFill)->Apply(Statistics);

}  // namespace
