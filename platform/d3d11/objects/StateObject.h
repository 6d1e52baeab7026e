#pragma once
// The four immutable pipeline states (blend, depth-stencil, rasteriser, sampler): a
// checked description, and Direct3D's defaults, which stand in for a null state.

#include "platform/d3d11/com/HandOut.h"
#include "platform/d3d11/objects/DeviceChild.h"

namespace d3d11sw {

template <class Face, class Desc>
class StateObject final : public DeviceChild<Face> {
public:
    StateObject(ID3D11Device* device, const Desc& desc) : DeviceChild<Face>(device), desc_(desc) {}
    void GetDesc(Desc* desc) override { *desc = desc_; }
    const Desc& Description() const { return desc_; }

protected:
    void* Query(REFIID riid) override { return QueryFaces<Face, ID3D11DeviceChild>(this, riid); }

private:
    Desc desc_;
};

using BlendState = StateObject<ID3D11BlendState, D3D11_BLEND_DESC>;
using DepthStencilState = StateObject<ID3D11DepthStencilState, D3D11_DEPTH_STENCIL_DESC>;
using RasterizerState = StateObject<ID3D11RasterizerState, D3D11_RASTERIZER_DESC>;
using SamplerState = StateObject<ID3D11SamplerState, D3D11_SAMPLER_DESC>;

// A state from a description that passed (or failed) its check.
template <class State, class Face, class Desc>
HRESULT MakeState(ID3D11Device* device, const Desc* desc, HRESULT checked, Face** out)
{
    if (out) {
        *out = nullptr;
    }
    if (FAILED(checked)) {
        return checked;
    }
    if (!out) {
        return S_FALSE;
    }
    return HandOut(new State(device, *desc), S_OK, out);
}

inline bool InRange(UINT value, UINT low, UINT high) { return value >= low && value <= high; }

D3D11_BLEND_DESC DefaultBlendDesc();
D3D11_DEPTH_STENCIL_DESC DefaultDepthStencilDesc();
D3D11_RASTERIZER_DESC DefaultRasterizerDesc();
D3D11_SAMPLER_DESC DefaultSamplerDesc();

// Each returns E_INVALIDARG for a description Direct3D refuses, and E_NOTIMPL for what
// this device does not draw: stencil tests and wireframe fill.
HRESULT CreateBlendState(ID3D11Device* device, const D3D11_BLEND_DESC* desc, ID3D11BlendState** state);
HRESULT CreateDepthStencilState(ID3D11Device* device, const D3D11_DEPTH_STENCIL_DESC* desc,
                                ID3D11DepthStencilState** state);
HRESULT CreateRasterizerState(ID3D11Device* device, const D3D11_RASTERIZER_DESC* desc,
                              ID3D11RasterizerState** state);
HRESULT CreateSamplerState(ID3D11Device* device, const D3D11_SAMPLER_DESC* desc, ID3D11SamplerState** state);

}  // namespace d3d11sw
