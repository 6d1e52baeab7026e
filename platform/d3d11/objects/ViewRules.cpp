#include "platform/d3d11/objects/ViewRules.h"

#include "platform/d3d11/formats/FormatLayout.h"

namespace d3d11sw {

bool ResolveViewFormat(DXGI_FORMAT resourceFormat, DXGI_FORMAT requested, bool depthView, ViewRange& range)
{
    const DXGI_FORMAT format = requested == DXGI_FORMAT_UNKNOWN ? resourceFormat : requested;
    const FormatLayout& layout = LayoutOf(format);
    if (!IsStorable(format) || layout.typeless || layout.depth != depthView) {
        return false;
    }
    if (!LayoutOf(resourceFormat).typeless ? format != resourceFormat : !SameFamily(format, resourceFormat)) {
        return false;
    }
    range.format = format;
    return true;
}

bool ResolveMips(UINT first, UINT count, UINT total, ViewRange& range)
{
    if (first >= total) {
        return false;
    }
    const UINT resolved = count == kAll ? total - first : count;
    if (resolved == 0 || resolved > total - first) {
        return false;
    }
    range.firstMip = first;
    range.mipCount = resolved;
    return true;
}

bool ResolveSlices(UINT first, UINT count, UINT total, ViewRange& range)
{
    if (first >= total) {
        return false;
    }
    const UINT resolved = count == kAll ? total - first : count;
    if (resolved == 0 || resolved > total - first) {
        return false;
    }
    range.firstSlice = first;
    range.sliceCount = resolved;
    return true;
}

bool ResolveElements(const ResourceShape& shape, DXGI_FORMAT format, UINT first, UINT count, ViewRange& range)
{
    const bool structured = (shape.miscFlags & D3D11_RESOURCE_MISC_BUFFER_STRUCTURED) != 0;
    UINT elementBytes = 0;
    if (structured) {
        if (format != DXGI_FORMAT_UNKNOWN) {
            return false;
        }
        elementBytes = shape.structureStride;
    } else {
        const FormatLayout& layout = LayoutOf(format);
        if (!IsStorable(format) || layout.typeless || layout.depth || layout.blockSize != 1) {
            return false;
        }
        elementBytes = layout.bytes;
    }
    const UINT total = shape.width / elementBytes;
    if (count == 0 || first >= total || count > total - first) {
        return false;
    }
    range.format = format;
    range.firstElement = first;
    range.elementCount = count;
    range.elementBytes = elementBytes;
    return true;
}

bool Is2D(const ResourceShape& shape) { return shape.dimension == D3D11_RESOURCE_DIMENSION_TEXTURE2D; }
bool Is3D(const ResourceShape& shape) { return shape.dimension == D3D11_RESOURCE_DIMENSION_TEXTURE3D; }
bool IsBuffer(const ResourceShape& shape) { return shape.dimension == D3D11_RESOURCE_DIMENSION_BUFFER; }

}  // namespace d3d11sw
