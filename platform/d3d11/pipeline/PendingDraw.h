#pragma once
// A draw whose primitives wait in the tile bins: what its pixels need when the bins are
// shaded. It holds the bound targets, the pixel kernel and a snapshot of the pixel
// stage's resources, so the application may change or release them meanwhile.

#include "platform/d3d11/pipeline/PixelStage.h"
#include "platform/d3d11/pipeline/RasterState.h"

#include <array>

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

private:
    OutputMerger merger_;
    RasterState raster_;
    bool drawable_ = false;
    PixelStage pixels_;
    std::array<Bound<RenderTargetView>, D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT> targets_;
    Bound<DepthStencilView> depth_;
};

}  // namespace d3d11sw
