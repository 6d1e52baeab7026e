#pragma once
// ID3D11Texture2D, also answering as IDXGISurface (the swap chain's back buffer is one).

#include "platform/d3d11/api/DxgiInterfaces.h"
#include "platform/d3d11/objects/DeviceChild.h"
#include "platform/d3d11/objects/Resource.h"

namespace d3d11sw {

class Texture2D final : public DeviceChild<ID3D11Texture2D, IDXGISurface>, public ResourceCore {
public:
    static HRESULT Create(ID3D11Device* device, const D3D11_TEXTURE2D_DESC* desc,
                          const D3D11_SUBRESOURCE_DATA* data, ID3D11Texture2D** texture);

    void GetType(D3D11_RESOURCE_DIMENSION* dimension) override { *dimension = D3D11_RESOURCE_DIMENSION_TEXTURE2D; }
    // The description as created, with the real mip count.
    void GetDesc(D3D11_TEXTURE2D_DESC* desc) override { *desc = desc_; }
    HRESULT GetDesc(DXGI_SURFACE_DESC* desc) override;
    const D3D11_TEXTURE2D_DESC& Desc() const { return desc_; }

    Texture2D(ID3D11Device* device, const D3D11_TEXTURE2D_DESC& desc, const ResourceShape& shape)
        : DeviceChild(device), ResourceCore(shape, *this), desc_(desc)
    {
    }

protected:
    void* Query(REFIID riid) override;

private:
    D3D11_TEXTURE2D_DESC desc_;
};

}  // namespace d3d11sw
