#pragma once
// The creation of 2D and 3D textures: check the description, then allocate and fill.

#include "platform/d3d11/com/HandOut.h"
#include "platform/d3d11/objects/ResourceValidation.h"

namespace d3d11sw {

ResourceShape ShapeOf(const D3D11_TEXTURE2D_DESC& desc);
ResourceShape ShapeOf(const D3D11_TEXTURE3D_DESC& desc);
inline UINT SampleQualityOf(const D3D11_TEXTURE2D_DESC& desc) { return desc.SampleDesc.Quality; }
inline UINT SampleQualityOf(const D3D11_TEXTURE3D_DESC&) { return 0; }

template <class Object, class Face, class Desc>
HRESULT CreateTexture(ID3D11Device* device, const Desc* desc, const D3D11_SUBRESOURCE_DATA* data, Face** out)
{
    if (out) {
        *out = nullptr;
    }
    if (!desc) {
        return E_INVALIDARG;
    }
    ResourceShape shape = ShapeOf(*desc);
    if (const HRESULT checked = CheckTextureShape(shape, SampleQualityOf(*desc), data != nullptr); FAILED(checked)) {
        return checked;
    }
    if (!out) {
        return S_FALSE;
    }
    Desc kept = *desc;
    kept.MipLevels = shape.mipLevels;  // the real count
    return AllocateAndHandOut(new Object(device, kept, shape), data, out);
}

}  // namespace d3d11sw
