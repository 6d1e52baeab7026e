#include "platform/d3d11/PipelineState.h"
#include "platform/d3d11/ShaderKernels.h"

namespace d3d11sw {

const std::byte* StageResources::ConstantBuffer(UINT slot, UINT* size) const
{
    Buffer* buffer = slot < bindings_.constantBuffers.size() ? bindings_.constantBuffers[slot].Get() : nullptr;
    if (size) {
        *size = buffer ? buffer->Desc().ByteWidth : 0;
    }
    return buffer ? buffer->Data(0) : nullptr;
}

Float4 StageResources::Sample(UINT, UINT, const Float4&, const Float4&, const Float4&) const { return {}; }
Float4 StageResources::SampleLevel(UINT, UINT, const Float4&, float) const { return {}; }
Float4 StageResources::Load(UINT, int, int, int, UINT) const { return {}; }
const std::byte* StageResources::Element(UINT, UINT) const { return nullptr; }
bool StageResources::Dimensions(UINT, UINT, UINT&, UINT&, UINT&, UINT&) const { return false; }

}  // namespace d3d11sw
