#include "platform/d3d11/objects/StateObject.h"

namespace d3d11sw {
namespace {

HRESULT CheckSampler(const D3D11_SAMPLER_DESC* desc)
{
    if (!desc) {
        return E_INVALIDARG;
    }
    const UINT filter = desc->Filter & ~0x80u;  // comparison filters
    const bool known = (filter & ~0x15u) == 0 || filter == D3D11_FILTER_ANISOTROPIC;
    const bool addresses = InRange(desc->AddressU, D3D11_TEXTURE_ADDRESS_WRAP, D3D11_TEXTURE_ADDRESS_BORDER) &&
                           InRange(desc->AddressV, D3D11_TEXTURE_ADDRESS_WRAP, D3D11_TEXTURE_ADDRESS_BORDER) &&
                           InRange(desc->AddressW, D3D11_TEXTURE_ADDRESS_WRAP, D3D11_TEXTURE_ADDRESS_BORDER);
    const bool comparison = (desc->Filter & 0x80u) == 0 ||
                            InRange(desc->ComparisonFunc, D3D11_COMPARISON_NEVER, D3D11_COMPARISON_ALWAYS);
    if (!known || !addresses || !comparison || desc->MaxAnisotropy > 16 || desc->MipLODBias < -16.0f ||
        desc->MipLODBias > 15.99f || !(desc->MinLOD <= desc->MaxLOD)) {
        return E_INVALIDARG;
    }
    return S_OK;
}

}  // namespace

D3D11_SAMPLER_DESC DefaultSamplerDesc()
{
    return D3D11_SAMPLER_DESC{D3D11_FILTER_MIN_MAG_MIP_LINEAR,
                              D3D11_TEXTURE_ADDRESS_CLAMP,
                              D3D11_TEXTURE_ADDRESS_CLAMP,
                              D3D11_TEXTURE_ADDRESS_CLAMP,
                              0.0f,
                              1,
                              D3D11_COMPARISON_NEVER,
                              {1.0f, 1.0f, 1.0f, 1.0f},
                              -D3D11_FLOAT32_MAX,
                              D3D11_FLOAT32_MAX};
}

HRESULT CreateSamplerState(ID3D11Device* device, const D3D11_SAMPLER_DESC* desc, ID3D11SamplerState** state)
{
    return MakeState<SamplerState>(device, desc, CheckSampler(desc), state);
}

}  // namespace d3d11sw
