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
// batches of many pixels by all raster threads, each taking its own bands of rows.
class PrimitiveBatch {
public:
    PrimitiveBatch(const RasterState& raster, OutputMerger& merger, WorkerPool* workers)
        : raster_(raster), merger_(merger), workers_(workers)
    {
        primitives_.reserve(kBatchSize);
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
        if (workers_ && EstimatedPixels() >= kParallelPixels) {
            const unsigned threads = workers_->Threads();
            workers_->Run([&](unsigned index) {
                RasterState band = raster_;
                band.bandCount = static_cast<int>(threads);
                band.bandIndex = static_cast<int>(index);
                DrawAll(band);
            });
        } else {
            DrawAll(raster_);
        }
        primitives_.clear();
    }

private:
    static constexpr std::size_t kBatchSize = 256;
    static constexpr double kParallelPixels = 2048.0;

    void DrawAll(const RasterState& state) const
    {
        Rasterizer rasterizer(state, merger_);
        for (const Primitive& primitive : primitives_) {
            const auto& v = primitive.vertices;
            switch (primitive.vertexCount) {
            case 1: rasterizer.Point(v[0]); break;
            case 2: rasterizer.Line(v[0], v[1]); break;
            default: rasterizer.Triangle(v[0], v[1], v[2]); break;
            }
        }
    }

    // Screen bounds of the primitives; one reaching behind the eye counts the whole
    // drawing area.
    double EstimatedPixels() const
    {
        const double area = static_cast<double>(raster_.right - raster_.left) * (raster_.bottom - raster_.top);
        const D3D11_VIEWPORT& vp = raster_.viewport;
        double total = 0.0;
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
            if (behind) {
                total += area;
                continue;
            }
            const double width = std::min<double>(high[0], raster_.right) - std::max<double>(low[0], raster_.left);
            const double height = std::min<double>(high[1], raster_.bottom) - std::max<double>(low[1], raster_.top);
            total += std::max(width, 1.0) * std::max(height, 1.0);
        }
        return total;
    }

    const RasterState& raster_;
    OutputMerger& merger_;
    WorkerPool* workers_;
    std::vector<Primitive> primitives_;
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

void DrawPrimitives(const PipelineState& state, UINT count, const VertexNumbers& numbers, WorkerPool* workers)
{
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
    PrimitiveBatch batch(raster, merger, workers);
    Assemble(state.topology, count, numbers, vertices, batch);
}

}  // namespace

void DeviceContext::Draw(UINT vertexCount, UINT startVertex)
{
    DrawPrimitives(*state_, vertexCount, VertexNumbers::Sequential(startVertex), Workers());
}

void DeviceContext::DrawIndexed(UINT indexCount, UINT startIndex, INT baseVertex)
{
    DrawPrimitives(*state_, indexCount, VertexNumbers::Indexed(*state_, startIndex, baseVertex), Workers());
}

}  // namespace d3d11sw
