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
    // Render-target slots whose outputs the kernel writes.
    UINT TargetCount() const { return merger_.TargetCount(); }
    const StageResources& Resources() const { return resources_; }

    void Shade(PixelSpan& span) const
    {
        if (!merger_.DepthTest(span)) {
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
};

}  // namespace d3d11sw
