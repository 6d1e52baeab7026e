#pragma once
// ID3D11Buffer: bytes in host memory.

#include "platform/d3d11/objects/DeviceChild.h"
#include "platform/d3d11/objects/Resource.h"

namespace d3d11sw {

class Buffer final : public DeviceChild<ID3D11Buffer>, public ResourceCore {
public:
    static HRESULT Create(ID3D11Device* device, const D3D11_BUFFER_DESC* desc, const D3D11_SUBRESOURCE_DATA* data,
                          ID3D11Buffer** buffer);

    void GetType(D3D11_RESOURCE_DIMENSION* dimension) override { *dimension = D3D11_RESOURCE_DIMENSION_BUFFER; }
    void GetDesc(D3D11_BUFFER_DESC* desc) override { *desc = desc_; }
    const D3D11_BUFFER_DESC& Desc() const { return desc_; }

protected:
    void* Query(REFIID riid) override;

private:
    Buffer(ID3D11Device* device, const D3D11_BUFFER_DESC& desc, const ResourceShape& shape)
        : DeviceChild(device), ResourceCore(shape, *this), desc_(desc)
    {
    }

    D3D11_BUFFER_DESC desc_;
};

}  // namespace d3d11sw
