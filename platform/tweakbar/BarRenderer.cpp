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

// Calls f(from, to, column) for the runs of pixels [from, to) of [first, end) (bar-local
// x) that lie in one text column; the margins belong to the nearest column.
template <class F>
void ForEachCellRun(int first, int end, int columns, F f)
{
    for (int x = first; x < end;) {
        const int textX = x - TextLeft;
        const int column = textX < 0 ? 0 : std::min(textX / CellWidth, columns - 1);
        const int runEnd = column == columns - 1 ? end : std::min(end, TextLeft + (column + 1) * CellWidth);
        f(x, runEnd, column);
        x = runEnd;
    }
}

// One pixel row of a span: the lanes of its pixels by bar-local x.
class SpanRow {
public:
    SpanRow(d3d11sw::PixelSpan& span, int half, int left)
        : span_(span), half_(half), first_(span.X(0) - left), end_(first_ + 2 * span.Count())
    {
    }

    int First() const { return first_; }
    int End() const { return end_; }
    void Put(int from, int to, const Float4& colour)
    {
        for (int x = std::max(from, first_); x < std::min(to, end_); ++x) Lane(x) = colour;
    }
    Float4& Lane(int x)
    {
        const int i = x - first_;
        return span_.Target(i >> 1, 0)[2 * half_ + (i & 1)];
    }
    void Discard(int x)
    {
        const int i = x - first_;
        span_.Discard(i >> 1, 1u << (2 * half_ + (i & 1)));
    }
    void DiscardAll()
    {
        for (int quad = 0; quad < span_.Count(); ++quad) span_.Discard(quad, half_ ? 0xCu : 0x3u);
    }

private:
    d3d11sw::PixelSpan& span_;
    int half_;
    int first_;
    int end_;
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
            SpanRow row(span, half, view.left);
            const int y = span.Y() + half - view.top;
            const std::uint32_t* rowCells = view.RowCells(y);
            const int insideY = y - (y / RowHeight) * RowHeight - TextTop;
            const bool glyphBand = insideY >= 0 && insideY < CellHeight;
            // Below the title the scroll bar takes the pixels from its left edge on.
            const int rowsEnd = y >= RowHeight ? std::min(row.End(), bar.scrollLeft) : row.End();
            if (rowCells) {
                ForEachCellRun(row.First(), rowsEnd, bar.columns, [&](int from, int to, int column) {
                    const std::uint32_t cell = rowCells[column];
                    row.Put(from, to, (cell & cell::Inset) && !glyphBand ? empty : view.Colour(cell, cell::BackgroundShift));
                });
            } else {
                row.Put(row.First(), rowsEnd, empty);
            }
            row.Put(rowsEnd, row.End(), view.palette[y >= bar.thumbTop && y < bar.thumbBottom ? ScrollThumb : ScrollTrack]);
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
            SpanRow row(span, half, view.left);
            const int y = span.Y() + half - view.top;
            const std::uint32_t* rowCells = view.RowCells(y);
            const int glyphY = y - (y / RowHeight) * RowHeight - TextTop;
            if (!rowCells || glyphY < 0 || glyphY >= CellHeight) {
                row.DiscardAll();
                continue;
            }
            ForEachCellRun(row.First(), row.End(), view.bar.columns, [&](int from, int to, int column) {
                const std::uint32_t cell = rowCells[column];
                const unsigned glyph = cell & cell::GlyphMask;
                const int cellLeft = TextLeft + column * CellWidth;
                const std::uint8_t* glyphRow =
                    coverage + static_cast<std::size_t>(GlyphAtlas::CellY(glyph) + glyphY) * GlyphAtlas::Width + GlyphAtlas::CellX(glyph);
                const Float4& ink = view.Colour(cell, cell::ForegroundShift);
                for (int x = from; x < to; ++x) {
                    const int glyphX = x - cellLeft;
                    const std::uint8_t covered = glyph != ' ' && glyphX >= 0 && glyphX < CellWidth ? glyphRow[glyphX] : 0;
                    if (covered == 0) {
                        row.Discard(x);
                    } else {
                        row.Lane(x) = {ink.x, ink.y, ink.z, ink.w * covered * (1.0f / 255.0f)};
                    }
                }
            });
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
