// Draw and DrawIndexed: vertex kernels, primitive assembly, rasterisation.

#include "platform/d3d11/DeviceContext.h"
#include "platform/d3d11/FormatCodec.h"
#include "platform/d3d11/InputAssembler.h"
#include "platform/d3d11/Rasterizer.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace d3d11sw {
namespace {

// Vertex kernel runs, with a small cache so that indexed draws shade a shared vertex
// once as long as it is used again soon.
class VertexStage {
public:
    VertexStage(const PipelineState& state, const VertexShader& shader)
        : desc_(shader.Description()), resources_(state.vertexStage), assembler_(state, desc_)
    {
        attributes_.resize(desc_.inputs.size());
        for (Entry& entry : cache_) {
            entry.vertex = ~0u;
        }
    }

    void Shade(UINT vertex, VertexOutput& output)
    {
        Entry& entry = cache_[vertex % cache_.size()];
        if (entry.vertex != vertex) {
            entry.vertex = vertex;
            entry.output = VertexOutput{};
            assembler_.Fetch(vertex, attributes_.data());
            const VertexInput input{vertex, 0, attributes_.data()};
            desc_.kernel(resources_, input, entry.output);
        }
        output = entry.output;
    }

private:
    struct Entry {
        UINT vertex;
        VertexOutput output;
    };

    const VertexShaderDesc& desc_;
    StageResources resources_;
    InputAssembler assembler_;
    std::vector<Float4> attributes_;
    std::array<Entry, 32> cache_;
};

bool MakeRasterState(const PipelineState& state, const OutputMerger& merger, UINT varyings, bool derivatives,
                     RasterState& raster)
{
    if (state.viewportCount == 0) {
        return false;
    }
    const D3D11_RASTERIZER_DESC desc = state.rasterizer.Get() ? state.rasterizer.Get()->Description()
                                                              : DefaultRasterizerDesc();
    const D3D11_VIEWPORT& vp = state.viewports[0];
    raster.viewport = vp;
    // Pixels whose centres lie inside the viewport.
    auto firstPixel = [](float edge) { return static_cast<int>(std::clamp(std::ceil(edge - 0.5f), -1.0e8f, 1.0e8f)); };
    raster.left = std::max(0, firstPixel(vp.TopLeftX));
    raster.top = std::max(0, firstPixel(vp.TopLeftY));
    raster.right = std::min(static_cast<int>(merger.Width()), firstPixel(vp.TopLeftX + vp.Width));
    raster.bottom = std::min(static_cast<int>(merger.Height()), firstPixel(vp.TopLeftY + vp.Height));
    if (desc.ScissorEnable) {
        if (state.scissorCount == 0) {
            return false;
        }
        const D3D11_RECT& scissor = state.scissors[0];
        raster.left = std::max<int>(raster.left, scissor.left);
        raster.top = std::max<int>(raster.top, scissor.top);
        raster.right = std::min<int>(raster.right, scissor.right);
        raster.bottom = std::min<int>(raster.bottom, scissor.bottom);
    }
    if (raster.left >= raster.right || raster.top >= raster.bottom) {
        return false;
    }
    raster.cull = desc.CullMode;
    raster.frontCounterClockwise = desc.FrontCounterClockwise != FALSE;
    raster.depthClip = desc.DepthClipEnable != FALSE;
    raster.depthBias = desc.DepthBias;
    raster.slopeScaledDepthBias = desc.SlopeScaledDepthBias;
    raster.depthBiasClamp = desc.DepthBiasClamp;
    raster.depthResolution = merger.Depth() ? merger.Depth()->resolution : 0.0f;
    raster.varyingCount = varyings;
    raster.derivatives = derivatives;
    return true;
}

struct Primitive {
    UINT vertexCount = 0;  // 1 point, 2 line, 3 triangle
    std::array<VertexOutput, 3> vertices;
};

// Primitives of a draw, rasterised a batch at a time: on the calling thread, or for
// batches of many pixels in bands of rows by all raster threads.
class PrimitiveBatch {
public:
    PrimitiveBatch(const RasterState& raster, OutputMerger& merger, DeviceContext& context)
        : raster_(raster), merger_(merger), context_(context)
    {
        primitives_.reserve(kBatchSize);
        rows_.reserve(kBatchSize);
    }

    Primitive& Add(UINT vertexCount)
    {
        if (primitives_.size() == kBatchSize) {
            Flush();
        }
        Primitive& primitive = primitives_.emplace_back();
        primitive.vertexCount = vertexCount;
        return primitive;
    }

    void Flush()
    {
        if (primitives_.empty()) {
            return;
        }
        const Extent extent = Measure();
        // The threads start with the first draw that needs them.
        WorkerPool* workers = extent.pixels >= kParallelPixels ? context_.Workers() : nullptr;
        if (workers) {
            const int span = extent.bottom - extent.top;
            const int bandHeight = std::max(kMinBandHeight, (span + 2 * static_cast<int>(workers->Threads()) - 1) /
                                                                (2 * static_cast<int>(workers->Threads())));
            const auto bands = static_cast<unsigned>((span + bandHeight - 1) / bandHeight);
            workers->ForEach(bands, [&](unsigned band) {
                RasterState rows = raster_;
                rows.top = extent.top + static_cast<int>(band) * bandHeight;
                rows.bottom = std::min(extent.bottom, rows.top + bandHeight);
                DrawAll(rows);
            });
        } else {
            DrawAll(raster_);
        }
        primitives_.clear();
        rows_.clear();
    }

private:
    static constexpr std::size_t kBatchSize = 256;
    static constexpr double kParallelPixels = 2048.0;
    static constexpr int kMinBandHeight = 4;

    struct Extent {
        double pixels = 0.0;
        int top = 0;
        int bottom = 0;
    };

    // The primitives that reach the rows of the state, in order.
    void DrawAll(const RasterState& state) const
    {
        Rasterizer rasterizer(state, merger_);
        for (std::size_t i = 0; i < primitives_.size(); ++i) {
            if (!rows_.empty() && (rows_[i].second < state.top || rows_[i].first >= state.bottom)) {
                continue;
            }
            const auto& v = primitives_[i].vertices;
            switch (primitives_[i].vertexCount) {
            case 1: rasterizer.Point(v[0]); break;
            case 2: rasterizer.Line(v[0], v[1]); break;
            default: rasterizer.Triangle(v[0], v[1], v[2]); break;
            }
        }
    }

    // Screen bounds of every primitive (its rows kept for the bands) and of the batch; a
    // primitive reaching behind the eye counts the whole drawing area.
    Extent Measure()
    {
        const D3D11_VIEWPORT& vp = raster_.viewport;
        const double width = raster_.right - raster_.left;
        Extent extent{0.0, raster_.bottom, raster_.top};
        for (const Primitive& primitive : primitives_) {
            double low[2] = {1e30, 1e30};
            double high[2] = {-1e30, -1e30};
            bool behind = false;
            for (UINT k = 0; k < primitive.vertexCount && !behind; ++k) {
                const Float4& p = primitive.vertices[k].position;
                behind = !(p.w > 0.0f);
                const double x = vp.TopLeftX + (p.x / p.w + 1.0) * 0.5 * vp.Width;
                const double y = vp.TopLeftY + (1.0 - p.y / p.w) * 0.5 * vp.Height;
                low[0] = std::min(low[0], x);
                low[1] = std::min(low[1], y);
                high[0] = std::max(high[0], x);
                high[1] = std::max(high[1], y);
            }
            // Rows with a pixel of margin; NaN positions count as everywhere.
            int top = raster_.top;
            int bottom = raster_.bottom;
            if (!behind && low[1] == low[1] && high[1] == high[1]) {
                top = static_cast<int>(std::clamp(std::floor(low[1]) - 1.0, static_cast<double>(raster_.top), static_cast<double>(raster_.bottom)));
                bottom = static_cast<int>(std::clamp(std::ceil(high[1]) + 1.0, static_cast<double>(raster_.top), static_cast<double>(raster_.bottom)));
            }
            rows_.emplace_back(top, bottom);
            extent.top = std::min(extent.top, top);
            extent.bottom = std::max(extent.bottom, bottom);
            const double columns = behind ? width : std::clamp(high[0] - low[0], 1.0, width);
            extent.pixels += columns * std::max(bottom - top, 1);
        }
        return extent;
    }

    const RasterState& raster_;
    OutputMerger& merger_;
    DeviceContext& context_;
    std::vector<Primitive> primitives_;
    std::vector<std::pair<int, int>> rows_;  // per primitive: first row, row after the last
};

// Feeds the vertices of a draw to the batch as primitives of the bound topology.
void Assemble(D3D11_PRIMITIVE_TOPOLOGY topology, UINT count, const VertexNumbers& numbers, VertexStage& vertices,
              PrimitiveBatch& batch)
{
    std::array<VertexOutput, 3> window;
    UINT filled = 0;   // vertices in the window since the last primitive or cut
    UINT inStrip = 0;  // vertices since the strip began, for the winding of odd triangles
    for (UINT position = 0; position < count; ++position) {
        const std::optional<UINT> vertex = numbers.At(position);
        if (!vertex) {
            filled = 0;
            inStrip = 0;
            continue;
        }
        switch (topology) {
        case D3D11_PRIMITIVE_TOPOLOGY_POINTLIST:
            vertices.Shade(*vertex, batch.Add(1).vertices[0]);
            break;
        case D3D11_PRIMITIVE_TOPOLOGY_LINELIST:
            vertices.Shade(*vertex, window[filled++]);
            if (filled == 2) {
                batch.Add(2).vertices = window;
                filled = 0;
            }
            break;
        case D3D11_PRIMITIVE_TOPOLOGY_LINESTRIP:
            vertices.Shade(*vertex, window[std::min<UINT>(filled, 1)]);
            if (++filled >= 2) {
                batch.Add(2).vertices = window;
                window[0] = window[1];
            }
            break;
        case D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST:
            vertices.Shade(*vertex, window[filled++]);
            if (filled == 3) {
                batch.Add(3).vertices = window;
                filled = 0;
            }
            break;
        case D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP:
            vertices.Shade(*vertex, window[std::min<UINT>(filled, 2)]);
            ++inStrip;
            if (++filled >= 3) {
                // Every second triangle swaps its first two vertices to keep the winding.
                auto& triangle = batch.Add(3).vertices;
                triangle = window;
                if (inStrip % 2 == 0) {
                    std::swap(triangle[0], triangle[1]);
                }
                window[0] = window[1];
                window[1] = window[2];
            }
            break;
        default:
            return;
        }
    }
    batch.Flush();
}

void DrawPrimitives(DeviceContext& context, UINT count, const VertexNumbers& numbers)
{
    const PipelineState& state = context.State();
    const VertexShader* vertexShader = state.vertexShader.Get();
    if (!vertexShader || count == 0) {
        return;
    }
    OutputMerger merger(state);
    if (!merger.HasTargets()) {
        return;
    }
    const PixelShader* pixelShader = state.pixelShader.Get();
    RasterState raster;
    if (!MakeRasterState(state, merger, vertexShader->Description().varyingCount,
                         pixelShader && pixelShader->Description().usesDerivatives, raster)) {
        return;
    }
    VertexStage vertices(state, *vertexShader);
    PrimitiveBatch batch(raster, merger, context);
    Assemble(state.topology, count, numbers, vertices, batch);
}

}  // namespace

void DeviceContext::Draw(UINT vertexCount, UINT startVertex)
{
    DrawPrimitives(*this, vertexCount, VertexNumbers::Sequential(startVertex));
}

void DeviceContext::DrawIndexed(UINT indexCount, UINT startIndex, INT baseVertex)
{
    DrawPrimitives(*this, indexCount, VertexNumbers::Indexed(*state_, startIndex, baseVertex));
}

}  // namespace d3d11sw
