#pragma once
// ID3D11Texture3D.

#include "platform/d3d11/objects/DeviceChild.h"
#include "platform/d3d11/objects/Resource.h"

namespace d3d11sw {

class Texture3D final : public DeviceChild<ID3D11Texture3D>, public ResourceCore {
public:
    static HRESULT Create(ID3D11Device* device, const D3D11_TEXTURE3D_DESC* desc,
                          const D3D11_SUBRESOURCE_DATA* data, ID3D11Texture3D** texture);

    void GetType(D3D11_RESOURCE_DIMENSION* dimension) override { *dimension = D3D11_RESOURCE_DIMENSION_TEXTURE3D; }
    void GetDesc(D3D11_TEXTURE3D_DESC* desc) override { *desc = desc_; }
    const D3D11_TEXTURE3D_DESC& Desc() const { return desc_; }

    Texture3D(ID3D11Device* device, const D3D11_TEXTURE3D_DESC& desc, const ResourceShape& shape)
        : DeviceChild(device), ResourceCore(shape, *this), desc_(desc)
    {
    }

protected:
    void* Query(REFIID riid) override;

private:
    D3D11_TEXTURE3D_DESC desc_;
};

}  // namespace d3d11sw
