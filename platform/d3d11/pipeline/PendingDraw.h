#pragma once
// A draw whose primitives wait to be binned and shaded: what its pixels need when the
// frame is shaded. It holds the bound targets, the pixel kernel and a snapshot of the
// pixel stage's resources, so the application may change or release them meanwhile; and
// the primitives set up so far, or the vertices of a small draw that is set up with the
// frame.

#include "platform/d3d11/pipeline/BinnedPrimitive.h"
#include "platform/d3d11/pipeline/DeferredGeometry.h"
#include "platform/d3d11/pipeline/PixelStage.h"
#include "platform/d3d11/pipeline/RasterState.h"

#include <array>
#include <memory>
#include <vector>

namespace d3d11sw {

class PendingDraw {
public:
    PendingDraw(const PipelineState& state, UINT varyingCount)
        : merger_(state), pixels_(state, merger_)
    {
        drawable_ = merger_.HasTargets() && MakeRasterState(state, merger_, varyingCount, raster_);
        for (std::size_t slot = 0; slot < targets_.size(); ++slot) {
            targets_[slot].Set(state.renderTargets[slot].Get());
        }
        depth_.Set(state.depthStencilView.Get());
    }
    PendingDraw(const PendingDraw&) = delete;
    PendingDraw& operator=(const PendingDraw&) = delete;

    // Something is bound to draw into, and the viewport and scissor leave pixels to draw.
    bool Drawable() const { return drawable_; }
    const RasterState& Raster() const { return raster_; }
    const OutputMerger& Merger() const { return merger_; }
    const PixelStage& Pixels() const { return pixels_; }
    const std::array<Bound<RenderTargetView>, D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT>& Targets() const
    {
        return targets_;
    }
    const DepthStencilView* Depth() const { return depth_.Get(); }

    // Set up when the frame is shaded (null: set up when drawn); the geometry is kept
    // with the draw, so what it holds is released on the thread that draws.
    void Defer(std::unique_ptr<DeferredGeometry> geometry) { geometry_ = std::move(geometry); }
    const DeferredGeometry* Geometry() const { return geometry_.get(); }
    bool WaitsForSetUp() const { return geometry_ && !setUp_; }
    void SetUpDeferred(PrimitiveSink& sink)
    {
        setUp_ = true;
        geometry_->SetUp(raster_, merger_.Depth() != nullptr, sink);
    }
    // Its primitives in order, until the frame is binned.
    std::vector<const BinnedPrimitive*>& Primitives() { return primitives_; }

private:
    OutputMerger merger_;
    RasterState raster_;
    bool drawable_ = false;
    PixelStage pixels_;
    std::array<Bound<RenderTargetView>, D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT> targets_;
    Bound<DepthStencilView> depth_;
    std::unique_ptr<DeferredGeometry> geometry_;
    bool setUp_ = false;
    std::vector<const BinnedPrimitive*> primitives_;
};

}  // namespace d3d11sw
