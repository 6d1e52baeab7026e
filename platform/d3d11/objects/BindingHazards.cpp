#include "platform/d3d11/objects/BindingHazards.h"

#include "platform/d3d11/formats/FormatCodec.h"

namespace d3d11sw {
namespace {

bool Intersect(UINT firstA, UINT countA, UINT firstB, UINT countB)
{
    return firstA < firstB + countB && firstB < firstA + countA;
}

// A depth view that reads depth and stencil only (or a format without stencil) may be
// bound beside views of its texture.
bool WritesDepth(const DepthStencilView& view)
{
    const UINT flags = view.Description().Flags;
    const bool stencilReadOnly = (flags & D3D11_DSV_READ_ONLY_STENCIL) != 0 ||
                                 DepthCodecOf(view.Range().format).writeStencil == nullptr;
    return (flags & D3D11_DSV_READ_ONLY_DEPTH) == 0 || !stencilReadOnly;
}

template <class View>
bool Overlap(const View& written, const ShaderResourceView& read)
{
    return Overlap(written.Core(), written.Range(), read.Core(), read.Range());
}

}  // namespace

bool Overlap(const ResourceCore& a, const ViewRange& first, const ResourceCore& b, const ViewRange& second)
{
    if (&a != &b) {
        return false;
    }
    const D3D11_RESOURCE_DIMENSION dimension = a.Shape().dimension;
    if (dimension == D3D11_RESOURCE_DIMENSION_BUFFER) {
        return true;
    }
    if (!Intersect(first.firstMip, first.mipCount, second.firstMip, second.mipCount)) {
        return false;
    }
    // Views of a 3D texture choose depth slices, not subresources.
    return dimension == D3D11_RESOURCE_DIMENSION_TEXTURE3D ||
           Intersect(first.firstSlice, first.sliceCount, second.firstSlice, second.sliceCount);
}

bool BoundForWriting(const PipelineState& state, const ShaderResourceView& view)
{
    for (const auto& target : state.renderTargets) {
        if (target.Get() && Overlap(*target.Get(), view)) {
            return true;
        }
    }
    const DepthStencilView* depth = state.depthStencilView.Get();
    return depth && WritesDepth(*depth) && Overlap(*depth, view);
}

void UnbindWrittenViews(PipelineState& state)
{
    for (StageBindings* stage : {&state.vertexStage, &state.pixelStage}) {
        for (auto& slot : stage->views) {
            if (slot.Get() && BoundForWriting(state, *slot.Get())) {
                slot.Set(nullptr);
            }
        }
    }
}

}  // namespace d3d11sw
