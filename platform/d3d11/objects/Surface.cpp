#include "platform/d3d11/objects/Surface.h"

#include "platform/d3d11/formats/FormatLayout.h"

namespace d3d11sw {

Surface SurfaceOf(ResourceCore& core, const ViewRange& range, UINT index)
{
    const bool is3D = core.Shape().dimension == D3D11_RESOURCE_DIMENSION_TEXTURE3D;
    const UINT subresource = is3D ? range.firstMip : core.Subresource(range.firstMip, range.firstSlice + index);
    const SubresourceLayout& layout = core.Layout(subresource);
    Surface surface;
    surface.data = core.Data(subresource) + (is3D ? std::size_t{layout.depthPitch} * (range.firstSlice + index) : 0);
    surface.rowPitch = layout.rowPitch;
    surface.width = layout.width;
    surface.height = layout.height;
    surface.elementBytes = LayoutOf(core.Shape().format).bytes;
    return surface;
}

}  // namespace d3d11sw
