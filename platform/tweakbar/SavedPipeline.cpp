#include "platform/tweakbar/SavedPipeline.h"

namespace platform::tweakbar {

namespace {

template <class T, UINT N>
void Gather(T* (&raw)[N], d3d11sw::ComPtr<T> (&owners)[N])
{
    // The getters hand out references, which the owners take over.
    for (UINT i = 0; i < N; ++i) owners[i] = d3d11sw::ComPtr<T>::Attach(raw[i]);
}

template <class T, UINT N>
void Spread(const d3d11sw::ComPtr<T> (&owners)[N], T* (&raw)[N])
{
    for (UINT i = 0; i < N; ++i) raw[i] = owners[i].Get();
}

}  // namespace

SavedPipeline::SavedPipeline(ID3D11DeviceContext* context) : context_(context)
{
    context->IAGetInputLayout(layout_.ReleaseAndGetAddressOf());
    context->IAGetPrimitiveTopology(&topology_);
    context->VSGetShader(vertexShader_.ReleaseAndGetAddressOf(), nullptr, nullptr);
    context->PSGetShader(pixelShader_.ReleaseAndGetAddressOf(), nullptr, nullptr);
    ID3D11Buffer* buffers[ConstantSlots] = {};
    context->PSGetConstantBuffers(0, ConstantSlots, buffers);
    Gather(buffers, pixelConstants_);
    context->RSGetState(raster_.ReleaseAndGetAddressOf());
    context->RSGetViewports(&viewportCount_, viewports_);
    context->RSGetScissorRects(&scissorCount_, scissors_);
    context->OMGetBlendState(blend_.ReleaseAndGetAddressOf(), blendFactor_, &sampleMask_);
    context->OMGetDepthStencilState(depth_.ReleaseAndGetAddressOf(), &stencilRef_);
}

SavedPipeline::~SavedPipeline()
{
    context_->IASetInputLayout(layout_.Get());
    context_->IASetPrimitiveTopology(topology_);
    context_->VSSetShader(vertexShader_.Get(), nullptr, 0);
    context_->PSSetShader(pixelShader_.Get(), nullptr, 0);
    ID3D11Buffer* buffers[ConstantSlots] = {};
    Spread(pixelConstants_, buffers);
    context_->PSSetConstantBuffers(0, ConstantSlots, buffers);
    context_->RSSetState(raster_.Get());
    context_->RSSetViewports(viewportCount_, viewports_);
    context_->RSSetScissorRects(scissorCount_, scissors_);
    context_->OMSetBlendState(blend_.Get(), blendFactor_, sampleMask_);
    context_->OMSetDepthStencilState(depth_.Get(), stencilRef_);
}

}  // namespace platform::tweakbar
