#include "platform/d3d11/pipeline/PixelStage.h"

namespace d3d11sw {

PixelStage::PixelStage(const PipelineState& state, const OutputMerger& merger)
    : merger_(merger),
      kernel_(state.pixelShader.Get() ? state.pixelShader.Get()->Description().kernel : nullptr),
      resources_(state.pixelStage)
{
    oneColour_ = kernel_ && merger_.TargetCount() <= 1 && kernel_->OneColour(resources_, colour_);
}

}  // namespace d3d11sw
