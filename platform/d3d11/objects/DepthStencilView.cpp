#include "platform/d3d11/objects/ViewRules.h"

namespace d3d11sw {
namespace {

D3D11_DEPTH_STENCIL_VIEW_DESC WholeResource(const ResourceShape& shape)
{
    D3D11_DEPTH_STENCIL_VIEW_DESC desc{};
    desc.Format = shape.format;
    if (!Is2D(shape)) {
        desc.ViewDimension = D3D11_DSV_DIMENSION_UNKNOWN;
    } else if (shape.arraySize == 1) {
        desc.ViewDimension = shape.sampleCount > 1 ? D3D11_DSV_DIMENSION_TEXTURE2DMS : D3D11_DSV_DIMENSION_TEXTURE2D;
        desc.Texture2D = {0};
    } else if (shape.sampleCount > 1) {
        desc.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2DMSARRAY;
        desc.Texture2DMSArray = {0, shape.arraySize};
    } else {
        desc.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2DARRAY;
        desc.Texture2DArray = {0, 0, shape.arraySize};
    }
    return desc;
}

bool Fits(const ResourceShape& shape, const D3D11_DEPTH_STENCIL_VIEW_DESC& desc, ViewRange& range)
{
    constexpr UINT kReadOnlyFlags = D3D11_DSV_READ_ONLY_DEPTH | D3D11_DSV_READ_ONLY_STENCIL;
    if (!Is2D(shape) || (desc.Flags & ~kReadOnlyFlags) != 0 ||
        !ResolveViewFormat(shape.format, desc.Format, true, range)) {
        return false;
    }
    const bool single = shape.sampleCount == 1;
    switch (desc.ViewDimension) {
    case D3D11_DSV_DIMENSION_TEXTURE2D:
        return single && ResolveMips(desc.Texture2D.MipSlice, 1, shape.mipLevels, range);
    case D3D11_DSV_DIMENSION_TEXTURE2DARRAY:
        return single && ResolveMips(desc.Texture2DArray.MipSlice, 1, shape.mipLevels, range) &&
               ResolveSlices(desc.Texture2DArray.FirstArraySlice, desc.Texture2DArray.ArraySize, shape.arraySize,
                             range);
    case D3D11_DSV_DIMENSION_TEXTURE2DMS:
        return !single;
    case D3D11_DSV_DIMENSION_TEXTURE2DMSARRAY:
        return !single && ResolveSlices(desc.Texture2DMSArray.FirstArraySlice, desc.Texture2DMSArray.ArraySize,
                                        shape.arraySize, range);
    default:
        return false;
    }
}

}  // namespace

HRESULT CreateDepthStencilView(ID3D11Device* device, ID3D11Resource* resource, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc, ID3D11DepthStencilView** view)
{
    return CreateView<DepthStencilView>(device, resource, desc, view, D3D11_BIND_DEPTH_STENCIL, WholeResource, Fits);
}

}  // namespace d3d11sw
