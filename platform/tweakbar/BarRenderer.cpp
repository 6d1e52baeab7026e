#include "platform/tweakbar/BarRenderer.h"

#include "platform/d3d11/kernels/ShaderKernels.h"
#include "platform/tweakbar/SavedPipeline.h"

#include <algorithm>
#include <cstring>

namespace platform::tweakbar {

namespace {

using d3d11sw::Float4;
using platform::dxut::GlyphAtlas;

// One triangle over the whole window (within the device's guard band, so never clipped);
// the scissor cuts it to what a draw covers.
void ShadeWindowCorner(const d3d11sw::StageResources&, const d3d11sw::VertexInput& in, d3d11sw::VertexOutput& out)
{
    out.position = {in.vertexId == 1 ? 3.0f : -1.0f, in.vertexId == 2 ? -3.0f : 1.0f, 0.0f, 1.0f};
}

// What both kernels read: the header, and the cells of the rows that fit the buffer.
struct BarView {
    BarConstants bar;
    Float4 palette[ColourCount];
    const std::uint32_t* cells = nullptr;
    int rows = 0;
    int left = 0;
    int top = 0;

    bool Read(const d3d11sw::StageResources& resources)
    {
        UINT headerSize = 0;
        UINT cellSize = 0;
        const std::byte* header = resources.ConstantBuffer(0, &headerSize);
        const std::byte* cellBytes = resources.ConstantBuffer(1, &cellSize);
        if (!header || headerSize < sizeof(BarConstants) || !cellBytes) return false;
        std::memcpy(&bar, header, sizeof bar);
        if (bar.columns < 1) return false;
        for (std::uint32_t i = 0; i < ColourCount; ++i) {
            palette[i] = {bar.palette[i][0], bar.palette[i][1], bar.palette[i][2], bar.palette[i][3]};
        }
        cells = reinterpret_cast<const std::uint32_t*>(cellBytes);
        rows = std::min(bar.rows, static_cast<int>(cellSize / sizeof(std::uint32_t)) / bar.columns);
        left = static_cast<int>(bar.origin[0]);
        top = static_cast<int>(bar.origin[1]);
        return true;
    }

    // The cells of the bar row at a bar-local y, or null.
    const std::uint32_t* RowCells(int y) const
    {
        const int row = y >= 0 ? y / RowHeight : -1;
        return row >= 0 && row < rows ? cells + static_cast<std::size_t>(row) * bar.columns : nullptr;
    }
    // A cell's colour of the palette.
    const Float4& Colour(std::uint32_t cell, int shift) const { return palette[std::min((cell >> shift) & cell::ColourMask, static_cast<std::uint32_t>(ColourCount - 1))]; }
};

// Where a bar-local x lies in the text cells: its column (clamped to the cells, so the
// margins take the nearest cell) and its pixel in the glyph.
struct TextPlace {
    int column;
    int glyphX;
    bool inside;

    TextPlace(int x, int columns)
    {
        const int textX = x - TextLeft;
        inside = textX >= 0 && textX < columns * CellWidth;
        column = textX < 0 ? 0 : std::min(textX / CellWidth, columns - 1);
        glyphX = textX & (CellWidth - 1);
    }
};

void DiscardAll(d3d11sw::PixelSpan& span)
{
    for (int quad = 0; quad < span.Count(); ++quad) span.Discard(quad, 0xF);
}

class BackgroundPixels final : public d3d11sw::PixelKernel {
public:
    void Shade(const d3d11sw::StageResources& resources, d3d11sw::PixelSpan& span) const override
    {
        BarView view;
        if (!view.Read(resources)) return DiscardAll(span);
        const BarConstants& bar = view.bar;
        const Float4& empty = view.palette[BarBackground];
        for (int half = 0; half < 2; ++half) {
            const int y = span.Y() + half - view.top;
            const std::uint32_t* rowCells = view.RowCells(y);
            const int insideY = y - (y / RowHeight) * RowHeight - TextTop;
            const bool glyphBand = insideY >= 0 && insideY < CellHeight;
            const Float4& scroll = view.palette[y >= bar.thumbTop && y < bar.thumbBottom ? ScrollThumb : ScrollTrack];
            // Neighbouring pixels mostly share a cell.
            int lastColumn = -1;
            const Float4* lastColour = &empty;
            for (int quad = 0; quad < span.Count(); ++quad) {
                d3d11sw::Quad<Float4>& target = span.Target(quad, 0);
                for (int lane = 2 * half; lane < 2 * half + 2; ++lane) {
                    const int x = span.X(quad) + (lane & 1) - view.left;
                    if (y >= RowHeight && x >= bar.scrollLeft) {
                        target[lane] = scroll;
                        continue;
                    }
                    if (rowCells) {
                        const int column = TextPlace(x, bar.columns).column;
                        if (column != lastColumn) {
                            const std::uint32_t cell = rowCells[column];
                            lastColour = (cell & cell::Inset) && !glyphBand ? &empty : &view.Colour(cell, cell::BackgroundShift);
                            lastColumn = column;
                        }
                    }
                    target[lane] = *lastColour;
                }
            }
        }
    }
};

// The ink of the glyphs, with their coverage as alpha; pixels without ink write nothing.
class InkPixels final : public d3d11sw::PixelKernel {
public:
    explicit InkPixels(std::shared_ptr<const GlyphAtlas> atlas) : atlas_(std::move(atlas)) {}

    void Shade(const d3d11sw::StageResources& resources, d3d11sw::PixelSpan& span) const override
    {
        BarView view;
        if (!view.Read(resources)) return DiscardAll(span);
        const std::uint8_t* coverage = atlas_->Coverage().data();
        for (int half = 0; half < 2; ++half) {
            const UINT halfLanes = half ? 0xCu : 0x3u;
            const int y = span.Y() + half - view.top;
            const std::uint32_t* rowCells = view.RowCells(y);
            const int glyphY = y - (y / RowHeight) * RowHeight - TextTop;
            if (!rowCells || glyphY < 0 || glyphY >= CellHeight) {
                for (int quad = 0; quad < span.Count(); ++quad) span.Discard(quad, halfLanes);
                continue;
            }
            // Neighbouring pixels mostly share a cell: its glyph's row of coverage and its ink.
            int lastColumn = -1;
            const std::uint8_t* glyphRow = nullptr;
            const Float4* ink = nullptr;
            for (int quad = 0; quad < span.Count(); ++quad) {
                d3d11sw::Quad<Float4>& target = span.Target(quad, 0);
                UINT blank = halfLanes;
                for (int lane = 2 * half; lane < 2 * half + 2; ++lane) {
                    const TextPlace place(span.X(quad) + (lane & 1) - view.left, view.bar.columns);
                    if (place.column != lastColumn) {
                        const std::uint32_t cell = rowCells[place.column];
                        const unsigned glyph = cell & cell::GlyphMask;
                        glyphRow = glyph == ' ' ? nullptr
                                                : coverage + static_cast<std::size_t>(GlyphAtlas::CellY(glyph) + glyphY) * GlyphAtlas::Width +
                                                      GlyphAtlas::CellX(glyph);
                        ink = &view.Colour(cell, cell::ForegroundShift);
                        lastColumn = place.column;
                    }
                    const std::uint8_t covered = glyphRow && place.inside ? glyphRow[place.glyphX] : 0;
                    if (covered == 0) continue;
                    target[lane] = {ink->x, ink->y, ink->z, ink->w * covered * (1.0f / 255.0f)};
                    blank &= ~(1u << lane);
                }
                if (blank) span.Discard(quad, blank);
            }
        }
    }

private:
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
        const float colour[4] = {c.r, c.g, c.b, c.a * (i < TitleInk ? alpha : 1.0f)};
        std::copy(colour, colour + 4, bar.palette[i]);
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

    d3d11sw::VertexShaderDesc window;
    window.kernel = d3d11sw::MakeVertexKernel(&ShadeWindowCorner);
    const auto pixelShader = [device](std::shared_ptr<const d3d11sw::PixelKernel> kernel,
                                      d3d11sw::ComPtr<ID3D11PixelShader>& shader) {
        return d3d11sw::CreatePixelShader(device, d3d11sw::PixelShaderDesc {std::move(kernel)},
                                          shader.ReleaseAndGetAddressOf());
    };
    const D3D11_BUFFER_DESC constants {sizeof(BarConstants), D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
    // Colours over the frame by their alpha; the frame's alpha only grows.
    D3D11_BLEND_DESC blend {};
    blend.RenderTarget[0] = {TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD,
                             D3D11_BLEND_ONE, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL};
    const D3D11_DEPTH_STENCIL_DESC depth {FALSE, D3D11_DEPTH_WRITE_MASK_ZERO, D3D11_COMPARISON_ALWAYS, FALSE, 0, 0, {}, {}};
    const D3D11_RASTERIZER_DESC raster {D3D11_FILL_SOLID, D3D11_CULL_NONE, FALSE, 0, 0.0f, 0.0f, FALSE, TRUE, FALSE, FALSE};

    const HRESULT results[] = {
        d3d11sw::CreateVertexShader(device, window, created->window_.ReleaseAndGetAddressOf()),
        pixelShader(std::make_shared<BackgroundPixels>(), created->backgroundPixels_),
        pixelShader(std::make_shared<InkPixels>(atlas), created->inkPixels_),
        device->CreateBuffer(&constants, nullptr, created->constants_.ReleaseAndGetAddressOf()),
        device->CreateBlendState(&blend, created->blend_.ReleaseAndGetAddressOf()),
        device->CreateDepthStencilState(&depth, created->depth_.ReleaseAndGetAddressOf()),
        device->CreateRasterizerState(&raster, created->raster_.ReleaseAndGetAddressOf()),
    };
    for (const HRESULT made : results) {
        if (FAILED(made)) return made;
    }
    device->AddRef();
    created->device_ = d3d11sw::ComPtr<ID3D11Device>::Attach(device);
    renderer = std::move(created);
    return S_OK;
}

ID3D11Buffer* BarRenderer::CellBuffer(std::size_t cells)
{
    std::size_t size = 0;
    while (size + 1 < std::size(cellBuffers_) && (std::size_t {1024} << size) < cells * sizeof(std::uint32_t)) ++size;
    d3d11sw::ComPtr<ID3D11Buffer>& buffer = cellBuffers_[size];
    if (!buffer) {
        const D3D11_BUFFER_DESC desc {UINT {1024} << size, D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
        device_->CreateBuffer(&desc, nullptr, buffer.ReleaseAndGetAddressOf());
    }
    return buffer.Get();
}

void BarRenderer::DrawIn(ID3D11DeviceContext* context, int left, int top, int right, int bottom)
{
    if (left >= right || top >= bottom) return;
    const D3D11_RECT scissor {left, top, right, bottom};
    context->RSSetScissorRects(1, &scissor);
    context->Draw(3, 0);
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
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context->VSSetShader(window_.Get(), nullptr, 0);

    std::vector<std::uint32_t> cells;
    for (const DrawnBar& bar : bars) {
        const BarFrame& frame = bar.frame;
        if (frame.width <= 0 || frame.height <= 0) continue;
        const BarConstants constants = ConstantsOf(bar, width, height);
        context->UpdateSubresource(constants_.Get(), 0, nullptr, &constants, 0, 0);
        ID3D11Buffer* cellBuffer = CellBuffer(bar.cells.cells.size());
        if (!cellBuffer) continue;
        D3D11_BUFFER_DESC cellDesc {};
        cellBuffer->GetDesc(&cellDesc);
        cells.assign(cellDesc.ByteWidth / sizeof(std::uint32_t), 0);
        std::copy_n(bar.cells.cells.begin(), std::min(bar.cells.cells.size(), cells.size()), cells.begin());
        context->UpdateSubresource(cellBuffer, 0, nullptr, cells.data(), 0, 0);
        ID3D11Buffer* buffers[2] = {constants_.Get(), cellBuffer};
        context->PSSetConstantBuffers(0, 2, buffers);

        // The scroll bar apart, so the rows' spans stay one colour up to it.
        const int right = frame.x + frame.width;
        const int scrollLeft = frame.x + constants.scrollLeft;
        const int bottom = frame.y + frame.height;
        context->PSSetShader(backgroundPixels_.Get(), nullptr, 0);
        DrawIn(context, frame.x, frame.y, scrollLeft, bottom);
        DrawIn(context, scrollLeft, frame.y, right, bottom);
        context->PSSetShader(inkPixels_.Get(), nullptr, 0);
        const int textLeft = frame.x + TextLeft;
        DrawIn(context, textLeft, frame.y, std::min(right, textLeft + bar.cells.columns * CellWidth), bottom);
    }
}

}  // namespace platform::tweakbar
