#pragma once
// The end of the pipeline for one draw: the depth test against the bound depth-stencil
// view, and blending and the writes into the bound render targets, each through a
// routine chosen for its format and blend state when the draw is made. Integer targets
// are written with the bits of the kernel's outputs and never blended, as Direct3D
// requires.

#include "platform/d3d11/objects/PipelineState.h"
#include "platform/d3d11/pipeline/ColourWriters.h"

#include <array>

namespace d3d11sw {

class OutputMerger {
public:
    explicit OutputMerger(const PipelineState& state);

    // Something is bound to draw into; the common size of the bound views.
    bool HasTargets() const { return hasTargets_; }
    UINT Width() const { return width_; }
    UINT Height() const { return height_; }
    UINT TargetCount() const { return targetCount_; }
    // The depth format's step for depth bias (0 for floats), when depth is bound.
    const DepthCodec* Depth() const { return depthCodec_; }

    // Removes the lanes that fail the depth test; false when no lane is left.
    bool DepthTest(PixelSpan& span) const;
    // Writes the colours of the live lanes (covered, not discarded; none without a pixel
    // kernel), then their depths.
    void Write(const PixelSpan& span, bool colours) const;
    // The same for a kernel of one colour into slot 0, which left the span's outputs
    // unwritten.
    void WriteOneColour(PixelSpan& span, const Float4& colour) const;

    // Asks the processor for the elements of the bound views in x left..right - 1, y
    // top..bottom - 1 (within the views), which a tile is about to blend into or test.
    void Prefetch(int left, int top, int right, int bottom) const;
    // Where the first bound view's pixels start: two mergers with the same one prefetch the
    // same elements.
    const std::byte* FirstView() const;

private:
    void WriteDepths(const PixelSpan& span) const;

    std::array<ColourTarget, D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT> targets_{};
    UINT targetCount_ = 0;
    Surface depthSurface_;
    const DepthCodec* depthCodec_ = nullptr;
    bool depthTest_ = false;
    bool depthWrite_ = false;
    D3D11_COMPARISON_FUNC depthFunc_ = D3D11_COMPARISON_LESS;
    bool hasTargets_ = false;
    UINT width_ = 0;
    UINT height_ = 0;
};

}  // namespace d3d11sw
