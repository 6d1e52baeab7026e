#include "platform/d3d11/objects/Texture3D.h"

#include "platform/d3d11/objects/TextureCreation.h"

namespace d3d11sw {

HRESULT Texture3D::Create(ID3D11Device* device, const D3D11_TEXTURE3D_DESC* desc, const D3D11_SUBRESOURCE_DATA* data,
                          ID3D11Texture3D** texture)
{
    return CreateTexture<Texture3D>(device, desc, data, texture);
}

void* Texture3D::Query(REFIID riid)
{
    return QueryFaces<ID3D11Texture3D, ID3D11Resource, ID3D11DeviceChild>(this, riid);
}

}  // namespace d3d11sw
