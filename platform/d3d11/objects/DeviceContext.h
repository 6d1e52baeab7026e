#pragma once
// ID3D11DeviceContext: the immediate context. It lives inside its device; a reference
// to it is a reference to the device.

#include "platform/d3d11/objects/PipelineState.h"
#include "platform/d3d11/pipeline/BinnedFrame.h"
#include "platform/d3d11/pipeline/WorkerPool.h"

#include <atomic>
#include <memory>

namespace d3d11sw {

class DeviceContext final : public ID3D11DeviceContext {
public:
    explicit DeviceContext(ID3D11Device* device);
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;
    ~DeviceContext() = default;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    void GetDevice(ID3D11Device** device) override;

    void IASetInputLayout(ID3D11InputLayout* layout) override;
    void IAGetInputLayout(ID3D11InputLayout** layout) override;
    void IASetVertexBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers, const UINT* strides,
                            const UINT* offsets) override;
    void IAGetVertexBuffers(UINT startSlot, UINT count, ID3D11Buffer** buffers, UINT* strides,
                            UINT* offsets) override;
    void IASetIndexBuffer(ID3D11Buffer* buffer, DXGI_FORMAT format, UINT offset) override;
    void IAGetIndexBuffer(ID3D11Buffer** buffer, DXGI_FORMAT* format, UINT* offset) override;
    void IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY topology) override;
    void IAGetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY* topology) override;

    void VSSetShader(ID3D11VertexShader* shader, ID3D11ClassInstance* const* instances, UINT count) override;
    void VSGetShader(ID3D11VertexShader** shader, ID3D11ClassInstance** instances, UINT* count) override;
    void VSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers) override;
    void VSGetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer** buffers) override;
    void VSSetShaderResources(UINT startSlot, UINT count, ID3D11ShaderResourceView* const* views) override;
    void VSGetShaderResources(UINT startSlot, UINT count, ID3D11ShaderResourceView** views) override;
    void VSSetSamplers(UINT startSlot, UINT count, ID3D11SamplerState* const* samplers) override;
    void VSGetSamplers(UINT startSlot, UINT count, ID3D11SamplerState** samplers) override;
    void PSSetShader(ID3D11PixelShader* shader, ID3D11ClassInstance* const* instances, UINT count) override;
    void PSGetShader(ID3D11PixelShader** shader, ID3D11ClassInstance** instances, UINT* count) override;
    void PSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers) override;
    void PSGetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer** buffers) override;
    void PSSetShaderResources(UINT startSlot, UINT count, ID3D11ShaderResourceView* const* views) override;
    void PSGetShaderResources(UINT startSlot, UINT count, ID3D11ShaderResourceView** views) override;
    void PSSetSamplers(UINT startSlot, UINT count, ID3D11SamplerState* const* samplers) override;
    void PSGetSamplers(UINT startSlot, UINT count, ID3D11SamplerState** samplers) override;

    void RSSetState(ID3D11RasterizerState* state) override;
    void RSGetState(ID3D11RasterizerState** state) override;
    void RSSetViewports(UINT count, const D3D11_VIEWPORT* viewports) override;
    void RSGetViewports(UINT* count, D3D11_VIEWPORT* viewports) override;
    void RSSetScissorRects(UINT count, const D3D11_RECT* rects) override;
    void RSGetScissorRects(UINT* count, D3D11_RECT* rects) override;

    void OMSetRenderTargets(UINT count, ID3D11RenderTargetView* const* views,
                            ID3D11DepthStencilView* depthStencilView) override;
    void OMGetRenderTargets(UINT count, ID3D11RenderTargetView** views,
                            ID3D11DepthStencilView** depthStencilView) override;
    void OMSetBlendState(ID3D11BlendState* state, const FLOAT blendFactor[4], UINT sampleMask) override;
    void OMGetBlendState(ID3D11BlendState** state, FLOAT blendFactor[4], UINT* sampleMask) override;
    void OMSetDepthStencilState(ID3D11DepthStencilState* state, UINT stencilRef) override;
    void OMGetDepthStencilState(ID3D11DepthStencilState** state, UINT* stencilRef) override;

    void ClearRenderTargetView(ID3D11RenderTargetView* view, const FLOAT color[4]) override;
    void ClearDepthStencilView(ID3D11DepthStencilView* view, UINT clearFlags, FLOAT depth, UINT8 stencil) override;
    void UpdateSubresource(ID3D11Resource* destination, UINT subresource, const D3D11_BOX* box, const void* data,
                           UINT rowPitch, UINT depthPitch) override;
    void CopyResource(ID3D11Resource* destination, ID3D11Resource* source) override;
    void CopySubresourceRegion(ID3D11Resource* destination, UINT destinationSubresource, UINT x, UINT y, UINT z,
                               ID3D11Resource* source, UINT sourceSubresource, const D3D11_BOX* box) override;
    HRESULT Map(ID3D11Resource* resource, UINT subresource, D3D11_MAP type, UINT flags,
                D3D11_MAPPED_SUBRESOURCE* mapped) override;
    void Unmap(ID3D11Resource* resource, UINT subresource) override;

    void Draw(UINT vertexCount, UINT startVertex) override;
    void DrawIndexed(UINT indexCount, UINT startIndex, INT baseVertex) override;

    void ClearState() override;
    // Shades every pending draw before it returns.
    void Flush() override { ShadePending(); }

    const PipelineState& State() const { return *state_; }

    void SetRasterThreads(unsigned threads);
    // The threads besides the caller that shade tiles; null for one thread.
    WorkerPool* Workers();

    // The draws whose pixels wait in tile bins.
    BinnedFrame& Frame() { return *frame_; }
    // Shades them (keeping the draw being set up, when asked, for its other primitives).
    void ShadePending(bool keepLastDraw = false);
    // Shades them when they write or read the resource, before the CPU or a copy
    // touches it.
    void ShadePendingTouching(const ResourceCore* resource);
    // Forgets them unshaded, when the device goes away.
    void DiscardPending() { frame_->Discard(); }

private:
    ID3D11Device* device_;  // owns this context
    std::atomic<ULONG> references_{0};
    std::unique_ptr<PipelineState> state_;
    std::unique_ptr<BinnedFrame> frame_;
    unsigned rasterThreads_;
    std::unique_ptr<WorkerPool> workers_;  // made on the first large draw
};

}  // namespace d3d11sw
