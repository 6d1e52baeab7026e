#include "platform/d3d11/objects/StateObject.h"

namespace d3d11sw {
namespace {

HRESULT CheckDepthStencil(const D3D11_DEPTH_STENCIL_DESC* desc)
{
    if (!desc || desc->DepthWriteMask > D3D11_DEPTH_WRITE_MASK_ALL ||
        (desc->DepthEnable && !InRange(desc->DepthFunc, D3D11_COMPARISON_NEVER, D3D11_COMPARISON_ALWAYS))) {
        return E_INVALIDARG;
    }
    return desc->StencilEnable ? E_NOTIMPL : S_OK;
}

}  // namespace

D3D11_DEPTH_STENCIL_DESC DefaultDepthStencilDesc()
{
    const D3D11_DEPTH_STENCILOP_DESC keep{D3D11_STENCIL_OP_KEEP, D3D11_STENCIL_OP_KEEP, D3D11_STENCIL_OP_KEEP,
                                         D3D11_COMPARISON_ALWAYS};
    return D3D11_DEPTH_STENCIL_DESC{TRUE, D3D11_DEPTH_WRITE_MASK_ALL, D3D11_COMPARISON_LESS, FALSE, 0xFF, 0xFF,
                                    keep, keep};
}

HRESULT CreateDepthStencilState(ID3D11Device* device, const D3D11_DEPTH_STENCIL_DESC* desc,
                                ID3D11DepthStencilState** state)
{
    return MakeState<DepthStencilState>(device, desc, CheckDepthStencil(desc), state);
}

}  // namespace d3d11sw
