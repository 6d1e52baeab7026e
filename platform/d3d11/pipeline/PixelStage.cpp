#include "platform/d3d11/pipeline/PixelStage.h"

namespace d3d11sw {

PixelStage::PixelStage(const PipelineState& state, const OutputMerger& merger)
    : merger_(merger),
      kernel_(state.pixelShader.Get() ? state.pixelShader.Get()->Description().kernel : nullptr),
      resources_(state.pixelStage)
{
}

}  // namespace d3d11sw
