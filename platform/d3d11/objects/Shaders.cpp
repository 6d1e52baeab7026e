#include "platform/d3d11/objects/Shaders.h"

#include "platform/d3d11/com/HandOut.h"

namespace d3d11sw {

HRESULT CreateVertexShader(ID3D11Device* device, VertexShaderDesc desc, ID3D11VertexShader** shader)
{
    if (!shader || !device) {
        return E_INVALIDARG;
    }
    *shader = nullptr;
    if (!desc.kernel || desc.varyingCount > kMaxVaryings) {
        return E_INVALIDARG;
    }
    return HandOut(new VertexShader(device, std::move(desc)), S_OK, shader);
}

HRESULT CreatePixelShader(ID3D11Device* device, PixelShaderDesc desc, ID3D11PixelShader** shader)
{
    if (!shader || !device) {
        return E_INVALIDARG;
    }
    *shader = nullptr;
    if (!desc.kernel) {
        return E_INVALIDARG;
    }
    return HandOut(new PixelShader(device, std::move(desc)), S_OK, shader);
}

}  // namespace d3d11sw
