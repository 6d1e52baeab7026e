// A 1280x720 overlay frame on the software device: 200 alpha-blended quads that tile
// the whole target, each drawn as the 2D GUI draws its rectangles (a constant buffer
// update and a four-vertex strip without vertex input).

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"
#include "platform/d3d11/kernels/ShaderKernels.h"
#include "platform/d3d11/pipeline/RasterThreads.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

using d3d11sw::ComPtr;

struct Rectangle {
    float position[2];  // top-left corner in clip space
    float size[2];
    float colour[4];
};

class Overlay {
public:
    Overlay(DXGI_FORMAT format, unsigned threads)
    {
        D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                          device_.ReleaseAndGetAddressOf(), nullptr, context_.ReleaseAndGetAddressOf());
        d3d11sw::SetRasterThreads(context_.Get(), threads);
        D3D11_TEXTURE2D_DESC desc{kWidth, kHeight, 1, 1, format, {1, 0}, D3D11_USAGE_DEFAULT,
                                  D3D11_BIND_RENDER_TARGET, 0, 0};
        device_->CreateTexture2D(&desc, nullptr, target_.ReleaseAndGetAddressOf());
        device_->CreateRenderTargetView(target_.Get(), nullptr, view_.ReleaseAndGetAddressOf());

        d3d11sw::VertexShaderDesc vertex;
        vertex.varyingCount = 1;
        vertex.kernel = d3d11sw::MakeVertexKernel(
            [](const d3d11sw::StageResources& resources, const d3d11sw::VertexInput& in, d3d11sw::VertexOutput& out) {
                const auto rect = resources.Constant<Rectangle>(0, 0);
                const float u = static_cast<float>(in.vertexId & 1);
                const float v = static_cast<float>((in.vertexId >> 1) & 1);
                out.position = {rect.position[0] + u * rect.size[0], rect.position[1] + v * rect.size[1], 0.0f, 1.0f};
                out.varyings[0] = {u, v, 0.0f, 0.0f};
            });
        d3d11sw::CreateVertexShader(device_.Get(), vertex, vertexShader_.ReleaseAndGetAddressOf());
        d3d11sw::PixelShaderDesc pixel;
        pixel.kernel = d3d11sw::MakePixelKernel([](const d3d11sw::StageResources& resources, d3d11sw::PixelQuad& quad) {
            const auto rect = resources.Constant<Rectangle>(0, 0);
            quad.Target(0) = d3d11sw::Quad<d3d11sw::Float4>::Splat({rect.colour[0], rect.colour[1], rect.colour[2], rect.colour[3]});
        });
        d3d11sw::CreatePixelShader(device_.Get(), pixel, pixelShader_.ReleaseAndGetAddressOf());

        D3D11_BLEND_DESC blend{};
        blend.RenderTarget[0] = {TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD,
                                 D3D11_BLEND_ONE, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL};
        device_->CreateBlendState(&blend, blend_.ReleaseAndGetAddressOf());
        D3D11_DEPTH_STENCIL_DESC depth{FALSE, D3D11_DEPTH_WRITE_MASK_ZERO, D3D11_COMPARISON_LESS, FALSE, 0, 0, {}, {}};
        device_->CreateDepthStencilState(&depth, depth_.ReleaseAndGetAddressOf());
        D3D11_RASTERIZER_DESC raster{D3D11_FILL_SOLID, D3D11_CULL_NONE, FALSE, 0, 0, 0, TRUE, FALSE, FALSE, FALSE};
        device_->CreateRasterizerState(&raster, raster_.ReleaseAndGetAddressOf());
        D3D11_BUFFER_DESC constants{sizeof(Rectangle), D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
        device_->CreateBuffer(&constants, nullptr, constants_.ReleaseAndGetAddressOf());
    }

    void Frame()
    {
        ID3D11RenderTargetView* view = view_.Get();
        context_->OMSetRenderTargets(1, &view, nullptr);
        const D3D11_VIEWPORT viewport{0, 0, kWidth, kHeight, 0, 1};
        context_->RSSetViewports(1, &viewport);
        context_->RSSetState(raster_.Get());
        context_->OMSetBlendState(blend_.Get(), nullptr, D3D11_DEFAULT_SAMPLE_MASK);
        context_->OMSetDepthStencilState(depth_.Get(), 0);
        context_->IASetInputLayout(nullptr);
        context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
        context_->VSSetShader(vertexShader_.Get(), nullptr, 0);
        context_->PSSetShader(pixelShader_.Get(), nullptr, 0);
        ID3D11Buffer* constants = constants_.Get();
        context_->VSSetConstantBuffers(0, 1, &constants);
        context_->PSSetConstantBuffers(0, 1, &constants);
        const FLOAT background[4] = {0.1f, 0.2f, 0.3f, 1.0f};
        context_->ClearRenderTargetView(view, background);
        constexpr int kColumns = 20;
        constexpr int kRows = 10;
        for (int row = 0; row < kRows; ++row) {
            for (int column = 0; column < kColumns; ++column) {
                const Rectangle rect{{-1.0f + 2.0f * column / kColumns, 1.0f - 2.0f * row / kRows},
                                     {2.0f / kColumns, -2.0f / kRows},
                                     {column / 20.0f, row / 10.0f, 0.5f, 0.6f}};
                context_->UpdateSubresource(constants_.Get(), 0, nullptr, &rect, 0, 0);
                context_->Draw(4, 0);
            }
        }
    }

private:
    static constexpr UINT kWidth = 1280;
    static constexpr UINT kHeight = 720;

    ComPtr<ID3D11Device> device_;
    ComPtr<ID3D11DeviceContext> context_;
    ComPtr<ID3D11Texture2D> target_;
    ComPtr<ID3D11RenderTargetView> view_;
    ComPtr<ID3D11VertexShader> vertexShader_;
    ComPtr<ID3D11PixelShader> pixelShader_;
    ComPtr<ID3D11BlendState> blend_;
    ComPtr<ID3D11DepthStencilState> depth_;
    ComPtr<ID3D11RasterizerState> raster_;
    ComPtr<ID3D11Buffer> constants_;
};

// The argument is the number of raster threads.
void OverlayFrame(benchmark::State& state, DXGI_FORMAT format)
{
    Overlay overlay(format, static_cast<unsigned>(state.range(0)));
    for (auto _ : state) {
        overlay.Frame();
    }
    state.SetItemsProcessed(state.iterations() * 1280 * 720);
}

BENCHMARK_CAPTURE(OverlayFrame, Unorm, DXGI_FORMAT_R8G8B8A8_UNORM)
    ->Arg(1)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(OverlayFrame, Srgb, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB)
    ->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
