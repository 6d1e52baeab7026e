#pragma once
// The workloads of a live GUI on the software device, on a 1280x720 sRGB target: a GUI
// frame (full-screen root, a 256x256 logo, 1,800 cells of statistics text, two tweak-bar
// panels with rows and 1,200 cells of text), a full-screen blended rectangle, text cells,
// 256x256 images drawn at their size and scaled, clears. The benchmark and the driver
// (byte dumps, instruction counts) run the same draws.

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"
#include "platform/d3d11/kernels/ShaderKernels.h"
#include "platform/d3d11/pipeline/RasterThreads.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace guibench {

using d3d11sw::ComPtr;
using Quad4 = d3d11sw::Quad<d3d11sw::Float4>;
constexpr UINT kWidth = 1280;
constexpr UINT kHeight = 720;

struct RectConstants {
    float position[2];
    float size[2];
    float colour[4];
    float rotation;
    float pad[3];
};

struct GlyphVertex {
    float x, y, u, v;
    float colour[4];
};

// A font of 16x16 cells of 8x16 coverage bytes, as a text helper would bake it: each
// glyph two to four anti-aliased strokes (about a quarter of the cell covered).
inline std::vector<std::uint8_t> MakeFont()
{
    std::vector<std::uint8_t> font(128 * 256);
    std::mt19937 random(3);
    std::uniform_real_distribution<float> across(1.5f, 6.5f);
    std::uniform_real_distribution<float> down(2.5f, 13.5f);
    for (int cell = 0; cell < 256; ++cell) {
        struct Stroke {
            float x0, y0, x1, y1;
        };
        std::vector<Stroke> strokes;
        const int count = 2 + static_cast<int>(random() % 3);
        for (int i = 0; i < count; ++i) {
            switch (random() % 3) {
            case 0: {
                const float x = across(random);
                strokes.push_back({x, 2.5f, x, 13.5f});
                break;
            }
            case 1: {
                const float y = down(random);
                strokes.push_back({1.5f, y, 6.5f, y});
                break;
            }
            default: strokes.push_back({across(random), 2.5f, across(random), 13.5f}); break;
            }
        }
        const int left = (cell % 16) * 8;
        const int top = (cell / 16) * 16;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 8; ++x) {
                float coverage = 0.0f;
                for (const Stroke& s : strokes) {
                    // Distance from the pixel centre to the stroke's segment.
                    const float dx = s.x1 - s.x0;
                    const float dy = s.y1 - s.y0;
                    const float px = x + 0.5f - s.x0;
                    const float py = y + 0.5f - s.y0;
                    const float t = std::clamp((px * dx + py * dy) / (dx * dx + dy * dy), 0.0f, 1.0f);
                    const float distance = std::hypot(px - t * dx, py - t * dy);
                    coverage = std::max(coverage, std::clamp(1.1f - distance, 0.0f, 1.0f));
                }
                font[static_cast<std::size_t>(top + y) * 128 + left + x] = static_cast<std::uint8_t>(coverage * 255.0f + 0.5f);
            }
        }
    }
    return font;
}

// Kernels that shade whole spans: the constants read once per span, the values of a span
// as arrays (SpanFloat4).
class ColourPixels final : public d3d11sw::PixelKernel {
public:
    bool OneColour(const d3d11sw::StageResources& resources, d3d11sw::Float4& colour) const override
    {
        const auto rect = resources.Constant<RectConstants>(0, 0);
        colour = {rect.colour[0], rect.colour[1], rect.colour[2], rect.colour[3]};
        return true;
    }
    void Shade(const d3d11sw::StageResources& resources, d3d11sw::PixelSpan& span) const override
    {
        const auto rect = resources.Constant<RectConstants>(0, 0);
        const Quad4 colour = Quad4::Splat({rect.colour[0], rect.colour[1], rect.colour[2], rect.colour[3]});
        for (int quad = 0; quad < span.Count(); ++quad) {
            span.Target(quad, 0) = colour;
        }
    }
};

class ImagePixels final : public d3d11sw::PixelKernel {
public:
    void Shade(const d3d11sw::StageResources& resources, d3d11sw::PixelSpan& span) const override
    {
        const auto rect = resources.Constant<RectConstants>(0, 0);
        d3d11sw::SpanFloat4 coord;
        d3d11sw::SpanFloat4 texel;
        span.Varying(0, coord, 2);
        resources.Sample(0, 0, span, coord.x, coord.y, texel);
        const int lanes = span.Lanes();
        for (int c = 0; c < 4; ++c) {
            float* values = texel[c].lane;
            const float tint = rect.colour[c];
            for (int lane = 0; lane < lanes; ++lane) {
                values[lane] *= tint;
            }
        }
        span.SetTarget(0, texel);
    }
};

// One texel of coverage per pixel times the colour of the vertices.
class GlyphPixels final : public d3d11sw::PixelKernel {
public:
    void Shade(const d3d11sw::StageResources& resources, d3d11sw::PixelSpan& span) const override
    {
        d3d11sw::SpanFloat4 texel;
        d3d11sw::SpanFloat4 colour;
        d3d11sw::SpanFloat4 coverage;
        span.Varying(0, texel, 2);
        span.Varying(1, colour);
        resources.Sample(1, 1, span, texel.x, texel.y, coverage);
        float* __restrict alpha = colour.w.lane;
        const float* __restrict covered = coverage.x.lane;
        const int lanes = span.Lanes();
        for (int lane = 0; lane < lanes; ++lane) {
            alpha[lane] *= covered[lane];
        }
        span.SetTarget(0, colour);
    }
};

class Gui {
public:
    // spanKernels: the kernels above; else kernels written per quad, which give the same
    // pixels.
    explicit Gui(unsigned threads, bool spanKernels = true)
    {
        D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                          device_.ReleaseAndGetAddressOf(), nullptr, context_.ReleaseAndGetAddressOf());
        d3d11sw::SetRasterThreads(context_.Get(), threads);
        D3D11_TEXTURE2D_DESC desc{kWidth, kHeight, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, {1, 0}, D3D11_USAGE_DEFAULT,
                                  D3D11_BIND_RENDER_TARGET, 0, 0};
        device_->CreateTexture2D(&desc, nullptr, target_.ReleaseAndGetAddressOf());
        device_->CreateRenderTargetView(target_.Get(), nullptr, view_.ReleaseAndGetAddressOf());
        D3D11_TEXTURE2D_DESC depthDesc = desc;
        depthDesc.Format = DXGI_FORMAT_D32_FLOAT;
        depthDesc.BindFlags = D3D11_BIND_DEPTH_STENCIL;
        device_->CreateTexture2D(&depthDesc, nullptr, depth_.ReleaseAndGetAddressOf());
        device_->CreateDepthStencilView(depth_.Get(), nullptr, depthView_.ReleaseAndGetAddressOf());

        d3d11sw::VertexShaderDesc rectVertex;
        rectVertex.varyingCount = 1;
        rectVertex.kernel = d3d11sw::MakeVertexKernel(
            [](const d3d11sw::StageResources& resources, const d3d11sw::VertexInput& in, d3d11sw::VertexOutput& out) {
                const auto rect = resources.Constant<RectConstants>(0, 0);
                const float u = static_cast<float>(in.vertexId & 1);
                const float v = static_cast<float>((in.vertexId >> 1) & 1);
                out.position = {rect.position[0] + u * rect.size[0], rect.position[1] + v * rect.size[1], 0.0f, 1.0f};
                out.varyings[0] = {u, v, 0.0f, 0.0f};
            });
        d3d11sw::CreateVertexShader(device_.Get(), rectVertex, rectVs_.ReleaseAndGetAddressOf());
        d3d11sw::PixelShaderDesc colour;
        colour.kernel = d3d11sw::MakePixelKernel([](const d3d11sw::StageResources& resources, d3d11sw::PixelQuad& quad) {
            const auto rect = resources.Constant<RectConstants>(0, 0);
            quad.Target(0) = Quad4::Splat({rect.colour[0], rect.colour[1], rect.colour[2], rect.colour[3]});
        });
        d3d11sw::CreatePixelShader(device_.Get(), colour, colourPs_.ReleaseAndGetAddressOf());
        d3d11sw::PixelShaderDesc image;
        image.kernel = d3d11sw::MakePixelKernel([](const d3d11sw::StageResources& resources, d3d11sw::PixelQuad& quad) {
            const auto rect = resources.Constant<RectConstants>(0, 0);
            const d3d11sw::Float4 tint{rect.colour[0], rect.colour[1], rect.colour[2], rect.colour[3]};
            quad.Target(0) = resources.Sample(0, 0, quad.Varying(0)) * tint;
        });
        d3d11sw::CreatePixelShader(device_.Get(), image, imagePs_.ReleaseAndGetAddressOf());

        d3d11sw::VertexShaderDesc glyphVertex;
        glyphVertex.inputs = {{"POSITION", 0, d3d11sw::ComponentType::Float, 4},
                              {"COLOR", 0, d3d11sw::ComponentType::Float, 4}};
        glyphVertex.varyingCount = 2;
        glyphVertex.kernel = d3d11sw::MakeVertexKernel(
            [](const d3d11sw::StageResources&, const d3d11sw::VertexInput& in, d3d11sw::VertexOutput& out) {
                const d3d11sw::Float4& p = in.attributes[0];
                out.position = {p.x * (2.0f / kWidth) - 1.0f, 1.0f - p.y * (2.0f / kHeight), 0.0f, 1.0f};
                out.varyings[0] = {p.z, p.w, 0.0f, 0.0f};
                out.varyings[1] = in.attributes[1];
            });
        d3d11sw::CreateVertexShader(device_.Get(), glyphVertex, glyphVs_.ReleaseAndGetAddressOf());
        const std::vector<std::byte> signature = d3d11sw::EncodeInputSignature(glyphVertex.inputs);
        const D3D11_INPUT_ELEMENT_DESC elements[2] = {
            {"POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
            {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 16, D3D11_INPUT_PER_VERTEX_DATA, 0}};
        device_->CreateInputLayout(elements, 2, signature.data(), signature.size(), glyphLayout_.ReleaseAndGetAddressOf());
        d3d11sw::PixelShaderDesc glyph;
        glyph.kernel = d3d11sw::MakePixelKernel([](const d3d11sw::StageResources& resources, d3d11sw::PixelQuad& quad) {
            const Quad4 coverage = resources.Sample(1, 1, quad.Varying(0));
            const Quad4 colour = quad.Varying(1);
            Quad4& out = quad.Target(0);
            for (int lane = 0; lane < 4; ++lane) {
                out[lane] = {colour[lane].x, colour[lane].y, colour[lane].z, colour[lane].w * coverage[lane].x};
            }
        });
        if (spanKernels) {
            colour.kernel = std::make_shared<ColourPixels>();
            image.kernel = std::make_shared<ImagePixels>();
            glyph.kernel = std::make_shared<GlyphPixels>();
            d3d11sw::CreatePixelShader(device_.Get(), colour, colourPs_.ReleaseAndGetAddressOf());
            d3d11sw::CreatePixelShader(device_.Get(), image, imagePs_.ReleaseAndGetAddressOf());
        }
        d3d11sw::CreatePixelShader(device_.Get(), glyph, glyphPs_.ReleaseAndGetAddressOf());

        D3D11_BLEND_DESC blend{};
        blend.RenderTarget[0] = {TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD,
                                 D3D11_BLEND_ONE, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL};
        device_->CreateBlendState(&blend, blend_.ReleaseAndGetAddressOf());
        D3D11_DEPTH_STENCIL_DESC depth{FALSE, D3D11_DEPTH_WRITE_MASK_ZERO, D3D11_COMPARISON_LESS, FALSE, 0, 0, {}, {}};
        device_->CreateDepthStencilState(&depth, noDepth_.ReleaseAndGetAddressOf());
        D3D11_RASTERIZER_DESC raster{D3D11_FILL_SOLID, D3D11_CULL_NONE, FALSE, 0, 0, 0, TRUE, FALSE, FALSE, FALSE};
        device_->CreateRasterizerState(&raster, raster_.ReleaseAndGetAddressOf());
        D3D11_SAMPLER_DESC linear{D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_CLAMP,
                                  D3D11_TEXTURE_ADDRESS_CLAMP, D3D11_TEXTURE_ADDRESS_CLAMP, 0, 1,
                                  D3D11_COMPARISON_NEVER, {0, 0, 0, 0}, 0, D3D11_FLOAT32_MAX};
        device_->CreateSamplerState(&linear, linear_.ReleaseAndGetAddressOf());
        D3D11_SAMPLER_DESC point = linear;
        point.Filter = D3D11_FILTER_MIN_MAG_MIP_POINT;
        device_->CreateSamplerState(&point, point_.ReleaseAndGetAddressOf());
        D3D11_BUFFER_DESC constants{sizeof(RectConstants), D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
        device_->CreateBuffer(&constants, nullptr, constants_.ReleaseAndGetAddressOf());
        D3D11_BUFFER_DESC glyphs{sizeof(GlyphVertex) * 6 * 256, D3D11_USAGE_DYNAMIC, D3D11_BIND_VERTEX_BUFFER,
                                 D3D11_CPU_ACCESS_WRITE, 0, 0};
        device_->CreateBuffer(&glyphs, nullptr, glyphBuffer_.ReleaseAndGetAddressOf());

        // The logo: a 256x256 RGBA image.
        std::vector<std::uint32_t> logo(256 * 256);
        for (UINT y = 0; y < 256; ++y) {
            for (UINT x = 0; x < 256; ++x) {
                logo[y * 256 + x] = (x) | (y << 8) | (((x ^ y) & 0xFF) << 16) | (((x + y) / 2 & 0xFF) << 24);
            }
        }
        D3D11_TEXTURE2D_DESC logoDesc{256, 256, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D11_USAGE_DEFAULT,
                                      D3D11_BIND_SHADER_RESOURCE, 0, 0};
        const D3D11_SUBRESOURCE_DATA logoData{logo.data(), 256 * 4, 0};
        ComPtr<ID3D11Texture2D> logoTexture;
        device_->CreateTexture2D(&logoDesc, &logoData, logoTexture.ReleaseAndGetAddressOf());
        device_->CreateShaderResourceView(logoTexture.Get(), nullptr, logo_.ReleaseAndGetAddressOf());

        const std::vector<std::uint8_t> font = MakeFont();
        D3D11_TEXTURE2D_DESC fontDesc{128, 256, 1, 1, DXGI_FORMAT_R8_UNORM, {1, 0}, D3D11_USAGE_DEFAULT,
                                      D3D11_BIND_SHADER_RESOURCE, 0, 0};
        const D3D11_SUBRESOURCE_DATA fontData{font.data(), 128, 0};
        ComPtr<ID3D11Texture2D> fontTexture;
        device_->CreateTexture2D(&fontDesc, &fontData, fontTexture.ReleaseAndGetAddressOf());
        device_->CreateShaderResourceView(fontTexture.Get(), nullptr, font_.ReleaseAndGetAddressOf());
    }

    void Begin()
    {
        ID3D11RenderTargetView* view = view_.Get();
        context_->OMSetRenderTargets(1, &view, nullptr);
        const D3D11_VIEWPORT viewport{0, 0, kWidth, kHeight, 0, 1};
        context_->RSSetViewports(1, &viewport);
        context_->RSSetState(raster_.Get());
        context_->OMSetBlendState(blend_.Get(), nullptr, D3D11_DEFAULT_SAMPLE_MASK);
        context_->OMSetDepthStencilState(noDepth_.Get(), 0);
        ID3D11Buffer* constants = constants_.Get();
        context_->VSSetConstantBuffers(0, 1, &constants);
        context_->PSSetConstantBuffers(0, 1, &constants);
        ID3D11SamplerState* samplers[2] = {linear_.Get(), point_.Get()};
        context_->PSSetSamplers(0, 2, samplers);
        ID3D11ShaderResourceView* views[2] = {logo_.Get(), font_.Get()};
        context_->PSSetShaderResources(0, 2, views);
    }

    void ClearTarget()
    {
        const FLOAT background[4] = {0.1f, 0.2f, 0.3f, 1.0f};
        context_->ClearRenderTargetView(view_.Get(), background);
    }
    void ClearDepth() { context_->ClearDepthStencilView(depthView_.Get(), D3D11_CLEAR_DEPTH, 1.0f, 0); }

    // A rectangle in pixels, as the GUI draws it.
    void Rectangle(int x, int y, int w, int h, const float colour[4], bool image = false)
    {
        RectConstants rect{{2.0f * x / kWidth - 1.0f, 1.0f - 2.0f * y / kHeight},
                           {2.0f * w / kWidth, -2.0f * h / kHeight},
                           {colour[0], colour[1], colour[2], colour[3]},
                           0.0f,
                           {}};
        context_->UpdateSubresource(constants_.Get(), 0, nullptr, &rect, 0, 0);
        context_->IASetInputLayout(nullptr);
        context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
        context_->VSSetShader(rectVs_.Get(), nullptr, 0);
        context_->PSSetShader(image ? imagePs_.Get() : colourPs_.Get(), nullptr, 0);
        context_->Draw(4, 0);
    }

    // One line of text cells from (x, y), one draw per line, as a text helper batches it.
    void Text(int x, int y, const std::string& text, const float colour[4])
    {
        D3D11_MAPPED_SUBRESOURCE mapped{};
        context_->Map(glyphBuffer_.Get(), 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped);
        auto* vertices = static_cast<GlyphVertex*>(mapped.pData);
        UINT count = 0;
        for (std::size_t i = 0; i < text.size() && i < 256; ++i) {
            const auto code = static_cast<unsigned char>(text[i]);
            const float u0 = (code % 16) / 16.0f;
            const float v0 = (code / 16 % 16) / 16.0f;
            const float u1 = u0 + 1.0f / 16.0f;
            const float v1 = v0 + 1.0f / 16.0f;
            const float left = static_cast<float>(x + 8 * static_cast<int>(i));
            const float top = static_cast<float>(y);
            const GlyphVertex corners[4] = {{left, top, u0, v0, {}},
                                            {left + 8, top, u1, v0, {}},
                                            {left, top + 16, u0, v1, {}},
                                            {left + 8, top + 16, u1, v1, {}}};
            for (int k : {0, 1, 2, 1, 3, 2}) {
                vertices[count] = corners[k];
                std::memcpy(vertices[count].colour, colour, sizeof(float) * 4);
                ++count;
            }
        }
        context_->Unmap(glyphBuffer_.Get(), 0);
        ID3D11Buffer* buffer = glyphBuffer_.Get();
        const UINT stride = sizeof(GlyphVertex);
        const UINT offset = 0;
        context_->IASetVertexBuffers(0, 1, &buffer, &stride, &offset);
        context_->IASetInputLayout(glyphLayout_.Get());
        context_->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        context_->VSSetShader(glyphVs_.Get(), nullptr, 0);
        context_->PSSetShader(glyphPs_.Get(), nullptr, 0);
        context_->Draw(count, 0);
    }

    void End() { context_->Flush(); }

    // Keeps the target's pixels, and puts them back.
    void Keep()
    {
        if (!kept_) {
            D3D11_TEXTURE2D_DESC desc{kWidth, kHeight, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, {1, 0}, D3D11_USAGE_DEFAULT,
                                      0, 0, 0};
            device_->CreateTexture2D(&desc, nullptr, kept_.ReleaseAndGetAddressOf());
        }
        context_->CopyResource(kept_.Get(), target_.Get());
    }
    void PutBack() { context_->CopyResource(target_.Get(), kept_.Get()); }

    // The target's bytes, row after row.
    std::vector<std::uint8_t> ReadBack()
    {
        D3D11_TEXTURE2D_DESC desc{kWidth, kHeight, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, {1, 0}, D3D11_USAGE_STAGING,
                                  0, D3D11_CPU_ACCESS_READ, 0};
        ComPtr<ID3D11Texture2D> staging;
        device_->CreateTexture2D(&desc, nullptr, staging.ReleaseAndGetAddressOf());
        context_->CopyResource(staging.Get(), target_.Get());
        D3D11_MAPPED_SUBRESOURCE mapped{};
        context_->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped);
        std::vector<std::uint8_t> bytes(std::size_t{kWidth} * kHeight * 4);
        for (UINT y = 0; y < kHeight; ++y) {
            std::memcpy(bytes.data() + std::size_t{y} * kWidth * 4, static_cast<const std::uint8_t*>(mapped.pData) + std::size_t{y} * mapped.RowPitch,
                        std::size_t{kWidth} * 4);
        }
        context_->Unmap(staging.Get(), 0);
        return bytes;
    }

private:
    ComPtr<ID3D11Device> device_;
    ComPtr<ID3D11DeviceContext> context_;
    ComPtr<ID3D11Texture2D> target_;
    ComPtr<ID3D11Texture2D> kept_;
    ComPtr<ID3D11RenderTargetView> view_;
    ComPtr<ID3D11Texture2D> depth_;
    ComPtr<ID3D11DepthStencilView> depthView_;
    ComPtr<ID3D11VertexShader> rectVs_;
    ComPtr<ID3D11VertexShader> glyphVs_;
    ComPtr<ID3D11PixelShader> colourPs_;
    ComPtr<ID3D11PixelShader> imagePs_;
    ComPtr<ID3D11PixelShader> glyphPs_;
    ComPtr<ID3D11InputLayout> glyphLayout_;
    ComPtr<ID3D11BlendState> blend_;
    ComPtr<ID3D11DepthStencilState> noDepth_;
    ComPtr<ID3D11RasterizerState> raster_;
    ComPtr<ID3D11SamplerState> linear_;
    ComPtr<ID3D11SamplerState> point_;
    ComPtr<ID3D11Buffer> constants_;
    ComPtr<ID3D11Buffer> glyphBuffer_;
    ComPtr<ID3D11ShaderResourceView> logo_;
    ComPtr<ID3D11ShaderResourceView> font_;
};

inline std::string TextLine(int row, int length)
{
    std::string line;
    for (int i = 0; i < length; ++i) {
        line += static_cast<char>(33 + (row * 7 + i * 13) % 90);
    }
    return line;
}

constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr float kClear[4] = {0.0f, 0.0f, 0.0f, 0.0f};
constexpr float kLogoTint[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr float kPanel[4] = {0.15f, 0.15f, 0.2f, 0.8f};
constexpr float kRow[4] = {0.3f, 0.3f, 0.35f, 0.5f};
constexpr float kTitle[4] = {0.2f, 0.3f, 0.6f, 0.9f};
constexpr float kYellow[4] = {1.0f, 0.9f, 0.2f, 1.0f};

// Statistics: 30 lines of 60 cells (1,800); two tweak-bar panels of 300x600 pixels, each
// with a title bar, 30 row fields and 30 lines of 20 cells (1,200 together).
inline void GuiFrame(Gui& gui)
{
    gui.ClearTarget();
    gui.Rectangle(0, 0, kWidth, kHeight, kClear);
    gui.Rectangle(kWidth - 266, 10, 256, 256, kLogoTint, true);
    for (int row = 0; row < 30; ++row) {
        gui.Text(10, 10 + 16 * row, TextLine(row, 60), row % 5 == 0 ? kYellow : kWhite);
    }
    for (int panel = 0; panel < 2; ++panel) {
        const int left = 520 + 320 * panel - 500 * (panel == 1 ? 0 : 0);
        const int top = 100 + 10 * panel;
        gui.Rectangle(left, top, 300, 600, kPanel);
        gui.Rectangle(left, top, 300, 20, kTitle);
        gui.Text(left + 8, top + 2, TextLine(99, 20), kWhite);
        for (int row = 0; row < 29; ++row) {
            gui.Rectangle(left + 150, top + 24 + 19 * row, 140, 17, kRow);
            gui.Text(left + 6, top + 25 + 19 * row, TextLine(row + panel, 20), kWhite);
        }
    }
    gui.End();
}

// 3,000 cells (24 lines of 125) cover 384,000 pixels.
constexpr int kTextLines = 24;
constexpr int kTextCells = 125;

inline std::vector<std::string> TextCellLines()
{
    std::vector<std::string> lines;
    for (int row = 0; row < kTextLines; ++row) {
        lines.push_back(TextLine(row, kTextCells));
    }
    return lines;
}

inline void TextCells(Gui& gui, const std::vector<std::string>& lines)
{
    for (int row = 0; row < kTextLines; ++row) {
        gui.Text(140, 20 + 24 * row, lines[row], kWhite);
    }
    gui.End();
}

}  // namespace guibench
