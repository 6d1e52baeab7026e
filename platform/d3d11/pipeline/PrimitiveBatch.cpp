#include "platform/d3d11/pipeline/PrimitiveBatch.h"

#include "platform/d3d11/objects/DeviceContext.h"

#include <algorithm>
#include <cmath>

namespace d3d11sw {
namespace {

constexpr std::size_t kBatchSize = 256;
constexpr double kParallelPixels = 2048.0;
constexpr int kMinBandHeight = 4;

}  // namespace

PrimitiveBatch::PrimitiveBatch(const RasterState& raster, const PixelStage& pixels, DeviceContext& context)
    : raster_(raster), pixels_(pixels), context_(context)
{
    primitives_.reserve(kBatchSize);
    rows_.reserve(kBatchSize);
}

Primitive& PrimitiveBatch::Add(UINT vertexCount)
{
    if (primitives_.size() == kBatchSize) {
        Flush();
    }
    Primitive& primitive = primitives_.emplace_back();
    primitive.vertexCount = vertexCount;
    return primitive;
}

void PrimitiveBatch::Flush()
{
    if (primitives_.empty()) {
        return;
    }
    const Extent extent = Measure();
    // The threads start with the first draw that needs them.
    WorkerPool* workers = extent.pixels >= kParallelPixels ? context_.Workers() : nullptr;
    if (workers) {
        // Bands of whole quads (pairs of rows), so that no quad is shaded by two threads.
        const int top = extent.top & ~1;
        const int span = extent.bottom - top;
        const int threads = static_cast<int>(workers->Threads());
        const int bandHeight = std::max(kMinBandHeight, ((span + 2 * threads - 1) / (2 * threads) + 1) & ~1);
        const auto bands = static_cast<unsigned>((span + bandHeight - 1) / bandHeight);
        workers->ForEach(bands, [&](unsigned band) {
            RasterState rows = raster_;
            const int start = top + static_cast<int>(band) * bandHeight;
            rows.top = std::max(raster_.top, start);
            rows.bottom = std::min(extent.bottom, start + bandHeight);
            DrawAll(rows);
        });
    } else {
        DrawAll(raster_);
    }
    primitives_.clear();
    rows_.clear();
}

// The primitives that reach the rows of the state, in order.
void PrimitiveBatch::DrawAll(const RasterState& state) const
{
    Rasterizer rasterizer(state, pixels_);
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
PrimitiveBatch::Extent PrimitiveBatch::Measure()
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

}  // namespace d3d11sw
