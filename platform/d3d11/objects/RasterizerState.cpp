#include "platform/d3d11/objects/StateObject.h"

namespace d3d11sw {
namespace {

HRESULT CheckRasterizer(const D3D11_RASTERIZER_DESC* desc)
{
    if (!desc || !InRange(desc->FillMode, D3D11_FILL_WIREFRAME, D3D11_FILL_SOLID) ||
        !InRange(desc->CullMode, D3D11_CULL_NONE, D3D11_CULL_BACK)) {
        return E_INVALIDARG;
    }
    return desc->FillMode == D3D11_FILL_WIREFRAME ? E_NOTIMPL : S_OK;
}

}  // namespace

D3D11_RASTERIZER_DESC DefaultRasterizerDesc()
{
    return D3D11_RASTERIZER_DESC{D3D11_FILL_SOLID, D3D11_CULL_BACK, FALSE, 0, 0.0f, 0.0f, TRUE, FALSE, FALSE, FALSE};
}

HRESULT CreateRasterizerState(ID3D11Device* device, const D3D11_RASTERIZER_DESC* desc,
                              ID3D11RasterizerState** state)
{
    return MakeState<RasterizerState>(device, desc, CheckRasterizer(desc), state);
}

}  // namespace d3d11sw
