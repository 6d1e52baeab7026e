#include "platform/d3d11/objects/Buffer.h"

#include "platform/d3d11/com/HandOut.h"
#include "platform/d3d11/objects/ResourceValidation.h"

namespace d3d11sw {

HRESULT Buffer::Create(ID3D11Device* device, const D3D11_BUFFER_DESC* desc, const D3D11_SUBRESOURCE_DATA* data,
                       ID3D11Buffer** buffer)
{
    if (buffer) {
        *buffer = nullptr;
    }
    ResourceShape shape;
    if (!desc) {
        return E_INVALIDARG;
    }
    if (const HRESULT checked = CheckBufferDesc(*desc, data != nullptr, shape); FAILED(checked)) {
        return checked;
    }
    if (!buffer) {
        return S_FALSE;
    }
    auto* object = new Buffer(device, *desc, shape);
    return AllocateAndHandOut(object, data, buffer);
}

void* Buffer::Query(REFIID riid)
{
    return QueryFaces<ID3D11Buffer, ID3D11Resource, ID3D11DeviceChild>(this, riid);
}

}  // namespace d3d11sw
