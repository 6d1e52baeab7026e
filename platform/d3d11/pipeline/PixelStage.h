#pragma once
// The pixel stage of a draw: spans of quads from the rasteriser go through the early depth
// test, the pixel kernel and the output merger.

#include "platform/d3d11/pipeline/OutputMerger.h"

#include <memory>

namespace d3d11sw {

class PixelStage {
public:
    PixelStage(const PipelineState& state, const OutputMerger& merger);

    const OutputMerger& Merger() const { return merger_; }
    // Render-target slots whose outputs the kernel writes (none when the output merger
    // writes the kernel's one colour itself).
    UINT TargetCount() const { return oneColour_ ? 0 : merger_.TargetCount(); }
    const StageResources& Resources() const { return resources_; }

    void Shade(PixelSpan& span) const
    {
        if (!merger_.DepthTest(span)) {
            return;
        }
        if (oneColour_) {
            merger_.WriteOneColour(span, colour_);
            return;
        }
        if (kernel_) {
            kernel_->Shade(resources_, span);
        }
        merger_.Write(span, kernel_ != nullptr);
    }

private:
    const OutputMerger& merger_;
    std::shared_ptr<const PixelKernel> kernel_;
    StageResources resources_;
    bool oneColour_ = false;
    Float4 colour_{};
};

}  // namespace d3d11sw
