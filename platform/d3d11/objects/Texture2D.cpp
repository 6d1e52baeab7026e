#include "platform/d3d11/objects/Texture2D.h"

#include "platform/d3d11/objects/TextureCreation.h"

namespace d3d11sw {

HRESULT Texture2D::Create(ID3D11Device* device, const D3D11_TEXTURE2D_DESC* desc, const D3D11_SUBRESOURCE_DATA* data,
                          ID3D11Texture2D** texture)
{
    return CreateTexture<Texture2D>(device, desc, data, texture);
}

HRESULT Texture2D::GetDesc(DXGI_SURFACE_DESC* desc)
{
    if (!desc) {
        return E_INVALIDARG;
    }
    *desc = DXGI_SURFACE_DESC{desc_.Width, desc_.Height, desc_.Format, desc_.SampleDesc};
    return S_OK;
}

void* Texture2D::Query(REFIID riid)
{
    return QueryFaces<ID3D11Texture2D, ID3D11Resource, ID3D11DeviceChild, IDXGISurface>(this, riid);
}

}  // namespace d3d11sw
