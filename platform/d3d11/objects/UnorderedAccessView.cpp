#include "platform/d3d11/formats/FormatLayout.h"
#include "platform/d3d11/objects/ViewRules.h"

namespace d3d11sw {
namespace {

D3D11_UNORDERED_ACCESS_VIEW_DESC WholeResource(const ResourceShape& shape)
{
    D3D11_UNORDERED_ACCESS_VIEW_DESC desc{};
    desc.Format = shape.format;
    if (IsBuffer(shape)) {
        const bool structured = (shape.miscFlags & D3D11_RESOURCE_MISC_BUFFER_STRUCTURED) != 0;
        desc.ViewDimension = structured ? D3D11_UAV_DIMENSION_BUFFER : D3D11_UAV_DIMENSION_UNKNOWN;
        desc.Buffer = {0, structured ? shape.width / shape.structureStride : 0, 0};
    } else if (Is3D(shape)) {
        desc.ViewDimension = D3D11_UAV_DIMENSION_TEXTURE3D;
        desc.Texture3D = {0, 0, shape.depth};
    } else if (shape.arraySize == 1) {
        desc.ViewDimension = D3D11_UAV_DIMENSION_TEXTURE2D;
        desc.Texture2D = {0};
    } else {
        desc.ViewDimension = D3D11_UAV_DIMENSION_TEXTURE2DARRAY;
        desc.Texture2DArray = {0, 0, shape.arraySize};
    }
    return desc;
}

bool Fits(const ResourceShape& shape, const D3D11_UNORDERED_ACCESS_VIEW_DESC& desc, ViewRange& range)
{
    if (IsBuffer(shape)) {
        return desc.ViewDimension == D3D11_UAV_DIMENSION_BUFFER && desc.Buffer.Flags == 0 &&
               ResolveElements(shape, desc.Format, desc.Buffer.FirstElement, desc.Buffer.NumElements, range);
    }
    // Unordered access writes linear values; sRGB formats cannot take it.
    if (!ResolveViewFormat(shape.format, desc.Format, false, range) || LayoutOf(range.format).srgb) {
        return false;
    }
    switch (desc.ViewDimension) {
    case D3D11_UAV_DIMENSION_TEXTURE2D:
        return Is2D(shape) && ResolveMips(desc.Texture2D.MipSlice, 1, shape.mipLevels, range);
    case D3D11_UAV_DIMENSION_TEXTURE2DARRAY:
        return Is2D(shape) && ResolveMips(desc.Texture2DArray.MipSlice, 1, shape.mipLevels, range) &&
               ResolveSlices(desc.Texture2DArray.FirstArraySlice, desc.Texture2DArray.ArraySize, shape.arraySize,
                             range);
    case D3D11_UAV_DIMENSION_TEXTURE3D:
        return Is3D(shape) && ResolveMips(desc.Texture3D.MipSlice, 1, shape.mipLevels, range) &&
               ResolveSlices(desc.Texture3D.FirstWSlice, desc.Texture3D.WSize,
                             MipSize(shape.depth, desc.Texture3D.MipSlice), range);
    default:
        return false;
    }
}

}  // namespace

HRESULT CreateUnorderedAccessView(ID3D11Device* device, ID3D11Resource* resource, const D3D11_UNORDERED_ACCESS_VIEW_DESC* desc, ID3D11UnorderedAccessView** view)
{
    return CreateView<UnorderedAccessView>(device, resource, desc, view, D3D11_BIND_UNORDERED_ACCESS, WholeResource, Fits);
}

}  // namespace d3d11sw
