#pragma once
// One 2D slice of a view: an array slice of a mip level, or a depth slice of a 3D mip.

#include "platform/d3d11/objects/View.h"

namespace d3d11sw {

struct Surface {
    std::byte* data = nullptr;
    UINT rowPitch = 0;
    UINT width = 0;
    UINT height = 0;
    UINT elementBytes = 0;

    std::byte* Element(UINT x, UINT y) const { return data + std::size_t{y} * rowPitch + std::size_t{x} * elementBytes; }
};

// Slice `index` (0 to range.sliceCount - 1) of the view's first mip level.
Surface SurfaceOf(ResourceCore& core, const ViewRange& range, UINT index);

}  // namespace d3d11sw
