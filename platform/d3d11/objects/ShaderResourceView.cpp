#include "platform/d3d11/objects/ViewRules.h"

namespace d3d11sw {
namespace {

D3D11_SHADER_RESOURCE_VIEW_DESC WholeResource(const ResourceShape& shape)
{
    D3D11_SHADER_RESOURCE_VIEW_DESC desc{};
    desc.Format = shape.format;
    if (IsBuffer(shape)) {
        // Only a structured buffer has a format of its own (none).
        const bool structured = (shape.miscFlags & D3D11_RESOURCE_MISC_BUFFER_STRUCTURED) != 0;
        desc.ViewDimension = structured ? D3D11_SRV_DIMENSION_BUFFER : D3D11_SRV_DIMENSION_UNKNOWN;
        desc.Buffer.FirstElement = 0;
        desc.Buffer.NumElements = structured ? shape.width / shape.structureStride : 0;
    } else if (Is3D(shape)) {
        desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE3D;
        desc.Texture3D = {0, shape.mipLevels};
    } else if (shape.arraySize == 1) {
        desc.ViewDimension = shape.sampleCount > 1 ? D3D11_SRV_DIMENSION_TEXTURE2DMS : D3D11_SRV_DIMENSION_TEXTURE2D;
        desc.Texture2D = {0, shape.mipLevels};
    } else if (shape.sampleCount > 1) {
        desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2DMSARRAY;
        desc.Texture2DMSArray = {0, shape.arraySize};
    } else {
        desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2DARRAY;
        desc.Texture2DArray = {0, shape.mipLevels, 0, shape.arraySize};
    }
    return desc;
}

bool Fits(const ResourceShape& shape, const D3D11_SHADER_RESOURCE_VIEW_DESC& desc, ViewRange& range)
{
    if (IsBuffer(shape)) {
        switch (desc.ViewDimension) {
        case D3D11_SRV_DIMENSION_BUFFER:
            return ResolveElements(shape, desc.Format, desc.Buffer.FirstElement, desc.Buffer.NumElements, range);
        case D3D11_SRV_DIMENSION_BUFFEREX:
            return desc.BufferEx.Flags == 0 &&
                   ResolveElements(shape, desc.Format, desc.BufferEx.FirstElement, desc.BufferEx.NumElements, range);
        default:
            return false;
        }
    }
    if (!ResolveViewFormat(shape.format, desc.Format, false, range)) {
        return false;
    }
    const bool single = shape.sampleCount == 1;
    switch (desc.ViewDimension) {
    case D3D11_SRV_DIMENSION_TEXTURE2D:
        return Is2D(shape) && single && ResolveMips(desc.Texture2D.MostDetailedMip, desc.Texture2D.MipLevels,
                                                    shape.mipLevels, range);
    case D3D11_SRV_DIMENSION_TEXTURE2DARRAY:
        return Is2D(shape) && single &&
               ResolveMips(desc.Texture2DArray.MostDetailedMip, desc.Texture2DArray.MipLevels, shape.mipLevels,
                           range) &&
               ResolveSlices(desc.Texture2DArray.FirstArraySlice, desc.Texture2DArray.ArraySize, shape.arraySize,
                             range);
    case D3D11_SRV_DIMENSION_TEXTURE2DMS:
        return Is2D(shape) && !single;
    case D3D11_SRV_DIMENSION_TEXTURE2DMSARRAY:
        return Is2D(shape) && !single &&
               ResolveSlices(desc.Texture2DMSArray.FirstArraySlice, desc.Texture2DMSArray.ArraySize,
                             shape.arraySize, range);
    case D3D11_SRV_DIMENSION_TEXTURE3D:
        return Is3D(shape) && ResolveMips(desc.Texture3D.MostDetailedMip, desc.Texture3D.MipLevels,
                                          shape.mipLevels, range);
    default:
        return false;
    }
}

}  // namespace

HRESULT CreateShaderResourceView(ID3D11Device* device, ID3D11Resource* resource, const D3D11_SHADER_RESOURCE_VIEW_DESC* desc, ID3D11ShaderResourceView** view)
{
    return CreateView<ShaderResourceView>(device, resource, desc, view, D3D11_BIND_SHADER_RESOURCE, WholeResource, Fits);
}

}  // namespace d3d11sw
