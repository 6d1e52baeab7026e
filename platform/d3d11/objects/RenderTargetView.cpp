#include "platform/d3d11/formats/FormatLayout.h"
#include "platform/d3d11/objects/ViewRules.h"

namespace d3d11sw {
namespace {

D3D11_RENDER_TARGET_VIEW_DESC WholeResource(const ResourceShape& shape)
{
    D3D11_RENDER_TARGET_VIEW_DESC desc{};
    desc.Format = shape.format;
    if (IsBuffer(shape)) {
        desc.ViewDimension = D3D11_RTV_DIMENSION_UNKNOWN;
    } else if (Is3D(shape)) {
        desc.ViewDimension = D3D11_RTV_DIMENSION_TEXTURE3D;
        desc.Texture3D = {0, 0, shape.depth};
    } else if (shape.arraySize == 1) {
        desc.ViewDimension = shape.sampleCount > 1 ? D3D11_RTV_DIMENSION_TEXTURE2DMS : D3D11_RTV_DIMENSION_TEXTURE2D;
        desc.Texture2D = {0};
    } else if (shape.sampleCount > 1) {
        desc.ViewDimension = D3D11_RTV_DIMENSION_TEXTURE2DMSARRAY;
        desc.Texture2DMSArray = {0, shape.arraySize};
    } else {
        desc.ViewDimension = D3D11_RTV_DIMENSION_TEXTURE2DARRAY;
        desc.Texture2DArray = {0, 0, shape.arraySize};
    }
    return desc;
}

bool Fits(const ResourceShape& shape, const D3D11_RENDER_TARGET_VIEW_DESC& desc, ViewRange& range)
{
    if (IsBuffer(shape) || !ResolveViewFormat(shape.format, desc.Format, false, range) ||
        LayoutOf(range.format).blockSize != 1) {
        return false;
    }
    const bool single = shape.sampleCount == 1;
    switch (desc.ViewDimension) {
    case D3D11_RTV_DIMENSION_TEXTURE2D:
        return Is2D(shape) && single && ResolveMips(desc.Texture2D.MipSlice, 1, shape.mipLevels, range);
    case D3D11_RTV_DIMENSION_TEXTURE2DARRAY:
        return Is2D(shape) && single && ResolveMips(desc.Texture2DArray.MipSlice, 1, shape.mipLevels, range) &&
               ResolveSlices(desc.Texture2DArray.FirstArraySlice, desc.Texture2DArray.ArraySize, shape.arraySize,
                             range);
    case D3D11_RTV_DIMENSION_TEXTURE2DMS:
        return Is2D(shape) && !single;
    case D3D11_RTV_DIMENSION_TEXTURE2DMSARRAY:
        return Is2D(shape) && !single &&
               ResolveSlices(desc.Texture2DMSArray.FirstArraySlice, desc.Texture2DMSArray.ArraySize,
                             shape.arraySize, range);
    case D3D11_RTV_DIMENSION_TEXTURE3D:
        return Is3D(shape) && ResolveMips(desc.Texture3D.MipSlice, 1, shape.mipLevels, range) &&
               ResolveSlices(desc.Texture3D.FirstWSlice, desc.Texture3D.WSize,
                             MipSize(shape.depth, desc.Texture3D.MipSlice), range);
    default:
        return false;
    }
}

}  // namespace

HRESULT CreateRenderTargetView(ID3D11Device* device, ID3D11Resource* resource, const D3D11_RENDER_TARGET_VIEW_DESC* desc, ID3D11RenderTargetView** view)
{
    return CreateView<RenderTargetView>(device, resource, desc, view, D3D11_BIND_RENDER_TARGET, WholeResource, Fits);
}

}  // namespace d3d11sw
