#include "platform/d3d11/objects/StateObject.h"

namespace d3d11sw {
namespace {

bool ValidBlend(D3D11_BLEND blend, bool alpha)
{
    if (!InRange(blend, D3D11_BLEND_ZERO, D3D11_BLEND_SRC_ALPHA_SAT) &&
        !InRange(blend, D3D11_BLEND_BLEND_FACTOR, D3D11_BLEND_INV_BLEND_FACTOR)) {
        return false;
    }
    // Alpha factors cannot name colours.
    const bool colour = blend == D3D11_BLEND_SRC_COLOR || blend == D3D11_BLEND_INV_SRC_COLOR ||
                        blend == D3D11_BLEND_DEST_COLOR || blend == D3D11_BLEND_INV_DEST_COLOR;
    return !(alpha && colour);
}

HRESULT CheckBlend(const D3D11_BLEND_DESC* desc)
{
    if (!desc) {
        return E_INVALIDARG;
    }
    for (const D3D11_RENDER_TARGET_BLEND_DESC& target : desc->RenderTarget) {
        if (target.RenderTargetWriteMask > D3D11_COLOR_WRITE_ENABLE_ALL) {
            return E_INVALIDARG;
        }
        if (target.BlendEnable &&
            (!ValidBlend(target.SrcBlend, false) || !ValidBlend(target.DestBlend, false) ||
             !ValidBlend(target.SrcBlendAlpha, true) || !ValidBlend(target.DestBlendAlpha, true) ||
             !InRange(target.BlendOp, D3D11_BLEND_OP_ADD, D3D11_BLEND_OP_MAX) ||
             !InRange(target.BlendOpAlpha, D3D11_BLEND_OP_ADD, D3D11_BLEND_OP_MAX))) {
            return E_INVALIDARG;
        }
    }
    return S_OK;
}

}  // namespace

D3D11_BLEND_DESC DefaultBlendDesc()
{
    D3D11_BLEND_DESC desc{};
    for (D3D11_RENDER_TARGET_BLEND_DESC& target : desc.RenderTarget) {
        target = {FALSE,
                  D3D11_BLEND_ONE,
                  D3D11_BLEND_ZERO,
                  D3D11_BLEND_OP_ADD,
                  D3D11_BLEND_ONE,
                  D3D11_BLEND_ZERO,
                  D3D11_BLEND_OP_ADD,
                  D3D11_COLOR_WRITE_ENABLE_ALL};
    }
    return desc;
}

HRESULT CreateBlendState(ID3D11Device* device, const D3D11_BLEND_DESC* desc, ID3D11BlendState** state)
{
    return MakeState<BlendState>(device, desc, CheckBlend(desc), state);
}

}  // namespace d3d11sw
