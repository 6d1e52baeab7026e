#include "platform/tweakbar/BarRenderer.h"

#include "platform/d3d11/kernels/ShaderKernels.h"
#include "platform/tweakbar/SavedPipeline.h"

#include <algorithm>
#include <cstring>

namespace platform::tweakbar {

namespace {

using d3d11sw::Float4;
using platform::dxut::GlyphAtlas;

constexpr UINT CellBytes = MaxCells * sizeof(std::uint32_t);

// The bar's rectangle from the vertex number of a four-vertex strip.
void ShadeCorner(const d3d11sw::StageResources& resources, const d3d11sw::VertexInput& in,
                 d3d11sw::VertexOutput& out)
{
    const auto bar = resources.Constant<BarConstants>(0, 0);
    const float x = bar.origin[0] + static_cast<float>(in.vertexId & 1) * bar.size[0];
    const float y = bar.origin[1] + static_cast<float>((in.vertexId >> 1) & 1) * bar.size[1];
    out.position = {2.0f * x / bar.windowSize[0] - 1.0f, 1.0f - 2.0f * y / bar.windowSize[1], 0.0f, 1.0f};
}

// Each pixel from the text cell it lies in: the cell's background, the glyph's coverage
// of the cell's foreground over it; the scroll bar over the right edge.
class BarPixels final : public d3d11sw::PixelKernel {
public:
    explicit BarPixels(std::shared_ptr<const GlyphAtlas> atlas) : atlas_(std::move(atlas)) {}

    void Shade(const d3d11sw::StageResources& resources, d3d11sw::PixelSpan& span) const override
    {
        UINT headerSize = 0;
        UINT cellSize = 0;
        const std::byte* header = resources.ConstantBuffer(0, &headerSize);
        const std::byte* cellBytes = resources.ConstantBuffer(1, &cellSize);
        if (!header || headerSize < sizeof(BarConstants) || !cellBytes) {
            for (int quad = 0; quad < span.Count(); ++quad) span.Discard(quad, 0xF);
            return;
        }
        BarConstants bar;
        std::memcpy(&bar, header, sizeof bar);
        const auto* cells = reinterpret_cast<const std::uint32_t*>(cellBytes);
        const int rows = std::min(bar.rows, static_cast<int>(cellSize / 4) / std::max(1, bar.columns));
        const int left = static_cast<int>(bar.origin[0]);
        const int top = static_cast<int>(bar.origin[1]);
        const std::uint8_t* coverage = atlas_->Coverage().data();

        for (int half = 0; half < 2; ++half) {
            const int y = span.Y() + half - top;
            const int row = y >= 0 ? y / RowHeight : -1;
            const int glyphY = y - row * RowHeight - TextTop;
            const bool glyphRow = glyphY >= 0 && glyphY < CellHeight;
            const std::uint32_t* rowCells = row >= 0 && row < rows ? cells + row * bar.columns : nullptr;
            const bool thumbRow = y >= bar.thumbTop && y < bar.thumbBottom;
            for (int quad = 0; quad < span.Count(); ++quad) {
                d3d11sw::Quad<Float4>& target = span.Target(quad, 0);
                for (int lane = 2 * half; lane < 2 * half + 2; ++lane) {
                    const int x = span.X(quad) + (lane & 1) - left;
                    if (row >= 1 && x >= bar.scrollLeft) {
                        target[lane] = Colour(bar, thumbRow ? ScrollThumb : ScrollTrack);
                        continue;
                    }
                    const int textX = x - TextLeft;
                    const int column = std::clamp(textX >= 0 ? textX / CellWidth : 0, 0, bar.columns - 1);
                    const std::uint32_t cell = rowCells ? rowCells[column] : cell::Make(' ', LabelInk, BarBackground);
                    const bool background = (cell & cell::Inset) && !glyphRow;
                    Float4 colour = Colour(bar, background ? BarBackground : (cell >> cell::BackgroundShift) & cell::ColourMask);
                    if (glyphRow && textX >= 0 && textX < bar.columns * CellWidth) {
                        const unsigned glyph = cell & cell::GlyphMask;
                        const std::uint8_t ink = coverage[static_cast<std::size_t>(GlyphAtlas::CellY(glyph) + glyphY) * GlyphAtlas::Width +
                                                          GlyphAtlas::CellX(glyph) + (textX & (CellWidth - 1))];
                        if (ink != 0) {
                            const float a = ink * (1.0f / 255.0f);
                            colour = colour * (1.0f - a) + Colour(bar, (cell >> cell::ForegroundShift) & cell::ColourMask) * a;
                        }
                    }
                    target[lane] = colour;
                }
            }
        }
    }

private:
    static Float4 Colour(const BarConstants& bar, std::uint32_t index)
    {
        const float* c = bar.palette[std::min<std::uint32_t>(index, ColourCount - 1)];
        return {c[0], c[1], c[2], c[3]};
    }

    std::shared_ptr<const GlyphAtlas> atlas_;
};

}  // namespace

BarConstants ConstantsOf(const DrawnBar& drawn, int width, int height)
{
    const BarFrame& frame = drawn.frame;
    BarConstants bar {};
    bar.windowSize[0] = static_cast<float>(width);
    bar.windowSize[1] = static_cast<float>(height);
    bar.origin[0] = static_cast<float>(frame.x);
    bar.origin[1] = static_cast<float>(frame.y);
    bar.size[0] = static_cast<float>(frame.width);
    bar.size[1] = static_cast<float>(frame.height);
    bar.columns = drawn.cells.columns;
    bar.rows = drawn.cells.rows;
    bar.scrollLeft = frame.scrollBar ? frame.width - ScrollBarWidth : frame.width;
    bar.thumbTop = frame.thumbTop - frame.y;
    bar.thumbBottom = frame.thumbBottom - frame.y;
    const float alpha = static_cast<float>(std::clamp(drawn.alpha, 0, 255)) / 255.0f;
    for (std::uint32_t i = 0; i < ColourCount; ++i) {
        const Rgba& c = Palette()[i];
        const float a = c.a * (i < TitleInk ? alpha : 1.0f);
        const float premultiplied[4] = {c.r * a, c.g * a, c.b * a, a};
        std::copy(premultiplied, premultiplied + 4, bar.palette[i]);
    }
    return bar;
}

HRESULT BarRenderer::Create(ID3D11Device* device, std::unique_ptr<BarRenderer>& renderer)
{
    renderer.reset();
    if (!device) return E_INVALIDARG;
    auto created = std::make_unique<BarRenderer>();
    auto atlas = std::make_shared<GlyphAtlas>();
    HRESULT result = atlas->Load(platform::dxut::DefaultFontPath);
    if (FAILED(result)) return result;
    created->atlas_ = atlas;

    d3d11sw::VertexShaderDesc vertex;
    vertex.kernel = d3d11sw::MakeVertexKernel(&ShadeCorner);
    result = d3d11sw::CreateVertexShader(device, vertex, created->vertexShader_.ReleaseAndGetAddressOf());
    if (FAILED(result)) return result;
    d3d11sw::PixelShaderDesc pixel;
    pixel.kernel = std::make_shared<BarPixels>(atlas);
    result = d3d11sw::CreatePixelShader(device, pixel, created->pixelShader_.ReleaseAndGetAddressOf());
    if (FAILED(result)) return result;

    const D3D11_BUFFER_DESC constants {sizeof(BarConstants), D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
    result = device->CreateBuffer(&constants, nullptr, created->constants_.ReleaseAndGetAddressOf());
    if (FAILED(result)) return result;
    const D3D11_BUFFER_DESC cells {CellBytes, D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
    result = device->CreateBuffer(&cells, nullptr, created->cells_.ReleaseAndGetAddressOf());
    if (FAILED(result)) return result;

    // Premultiplied colours over the frame.
    D3D11_BLEND_DESC blend {};
    blend.RenderTarget[0] = {TRUE, D3D11_BLEND_ONE, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD,
                             D3D11_BLEND_ONE, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD,
                             D3D11_COLOR_WRITE_ENABLE_ALL};
    result = device->CreateBlendState(&blend, created->blend_.ReleaseAndGetAddressOf());
    if (FAILED(result)) return result;
    const D3D11_DEPTH_STENCIL_DESC depth {FALSE, D3D11_DEPTH_WRITE_MASK_ZERO, D3D11_COMPARISON_ALWAYS, FALSE, 0, 0, {}, {}};
    result = device->CreateDepthStencilState(&depth, created->depth_.ReleaseAndGetAddressOf());
    if (FAILED(result)) return result;
    const D3D11_RASTERIZER_DESC raster {D3D11_FILL_SOLID, D3D11_CULL_NONE, FALSE, 0, 0.0f, 0.0f, FALSE, FALSE, FALSE, FALSE};
    result = device->CreateRasterizerState(&raster, created->raster_.ReleaseAndGetAddressOf());
    if (FAILED(result)) return result;
    renderer = std::move(created);
    return S_OK;
}

void BarRenderer::Draw(ID3D11DeviceContext* context, const std::vector<DrawnBar>& bars, int width, int height)
{
    if (!context || bars.empty() || width <= 0 || height <= 0) return;
    const SavedPipeline saved(context);
    const D3D11_VIEWPORT viewport {0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), 0.0f, 1.0f};
    context->RSSetViewports(1, &viewport);
    context->RSSetState(raster_.Get());
    context->OMSetBlendState(blend_.Get(), nullptr, D3D11_DEFAULT_SAMPLE_MASK);
    context->OMSetDepthStencilState(depth_.Get(), 0);
    context->IASetInputLayout(nullptr);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    context->VSSetShader(vertexShader_.Get(), nullptr, 0);
    context->PSSetShader(pixelShader_.Get(), nullptr, 0);
    ID3D11Buffer* buffers[2] = {constants_.Get(), cells_.Get()};
    context->VSSetConstantBuffers(0, 2, buffers);
    context->PSSetConstantBuffers(0, 2, buffers);

    std::vector<std::uint32_t> cells(MaxCells);
    for (const DrawnBar& bar : bars) {
        if (bar.frame.width <= 0 || bar.frame.height <= 0) continue;
        const BarConstants constants = ConstantsOf(bar, width, height);
        context->UpdateSubresource(constants_.Get(), 0, nullptr, &constants, 0, 0);
        const std::size_t count = std::min(bar.cells.cells.size(), cells.size());
        std::copy_n(bar.cells.cells.begin(), count, cells.begin());
        context->UpdateSubresource(cells_.Get(), 0, nullptr, cells.data(), 0, 0);
        context->Draw(4, 0);
    }
}

}  // namespace platform::tweakbar
