#pragma once
// The Direct3D 11 interfaces, with the methods this system calls. Every getter that
// returns an interface adds a reference to it, which the caller releases.

#include "platform/d3d11/api/D3D11Descs.h"
#include "platform/d3d11/api/Unknown.h"

struct ID3D11Device;
struct ID3D11ClassInstance;

struct ID3D11DeviceChild : IUnknown {
    static constexpr IID Iid = d3d11sw::MakeIid(1);
    virtual void GetDevice(ID3D11Device** device) = 0;

protected:
    ~ID3D11DeviceChild() = default;
};

struct ID3D11Resource : ID3D11DeviceChild {
    static constexpr IID Iid = d3d11sw::MakeIid(2);
    virtual void GetType(D3D11_RESOURCE_DIMENSION* dimension) = 0;

protected:
    ~ID3D11Resource() = default;
};

struct ID3D11Buffer : ID3D11Resource {
    static constexpr IID Iid = d3d11sw::MakeIid(3);
    virtual void GetDesc(D3D11_BUFFER_DESC* desc) = 0;

protected:
    ~ID3D11Buffer() = default;
};

struct ID3D11Texture2D : ID3D11Resource {
    static constexpr IID Iid = d3d11sw::MakeIid(4);
    virtual void GetDesc(D3D11_TEXTURE2D_DESC* desc) = 0;

protected:
    ~ID3D11Texture2D() = default;
};

struct ID3D11Texture3D : ID3D11Resource {
    static constexpr IID Iid = d3d11sw::MakeIid(5);
    virtual void GetDesc(D3D11_TEXTURE3D_DESC* desc) = 0;

protected:
    ~ID3D11Texture3D() = default;
};

struct ID3D11View : ID3D11DeviceChild {
    static constexpr IID Iid = d3d11sw::MakeIid(6);
    virtual void GetResource(ID3D11Resource** resource) = 0;

protected:
    ~ID3D11View() = default;
};

struct ID3D11ShaderResourceView : ID3D11View {
    static constexpr IID Iid = d3d11sw::MakeIid(7);
    virtual void GetDesc(D3D11_SHADER_RESOURCE_VIEW_DESC* desc) = 0;

protected:
    ~ID3D11ShaderResourceView() = default;
};

struct ID3D11UnorderedAccessView : ID3D11View {
    static constexpr IID Iid = d3d11sw::MakeIid(8);
    virtual void GetDesc(D3D11_UNORDERED_ACCESS_VIEW_DESC* desc) = 0;

protected:
    ~ID3D11UnorderedAccessView() = default;
};

struct ID3D11RenderTargetView : ID3D11View {
    static constexpr IID Iid = d3d11sw::MakeIid(9);
    virtual void GetDesc(D3D11_RENDER_TARGET_VIEW_DESC* desc) = 0;

protected:
    ~ID3D11RenderTargetView() = default;
};

struct ID3D11DepthStencilView : ID3D11View {
    static constexpr IID Iid = d3d11sw::MakeIid(10);
    virtual void GetDesc(D3D11_DEPTH_STENCIL_VIEW_DESC* desc) = 0;

protected:
    ~ID3D11DepthStencilView() = default;
};

struct ID3D11InputLayout : ID3D11DeviceChild {
    static constexpr IID Iid = d3d11sw::MakeIid(11);

protected:
    ~ID3D11InputLayout() = default;
};

struct ID3D11BlendState : ID3D11DeviceChild {
    static constexpr IID Iid = d3d11sw::MakeIid(12);
    virtual void GetDesc(D3D11_BLEND_DESC* desc) = 0;

protected:
    ~ID3D11BlendState() = default;
};

struct ID3D11DepthStencilState : ID3D11DeviceChild {
    static constexpr IID Iid = d3d11sw::MakeIid(13);
    virtual void GetDesc(D3D11_DEPTH_STENCIL_DESC* desc) = 0;

protected:
    ~ID3D11DepthStencilState() = default;
};

struct ID3D11RasterizerState : ID3D11DeviceChild {
    static constexpr IID Iid = d3d11sw::MakeIid(14);
    virtual void GetDesc(D3D11_RASTERIZER_DESC* desc) = 0;

protected:
    ~ID3D11RasterizerState() = default;
};

struct ID3D11SamplerState : ID3D11DeviceChild {
    static constexpr IID Iid = d3d11sw::MakeIid(15);
    virtual void GetDesc(D3D11_SAMPLER_DESC* desc) = 0;

protected:
    ~ID3D11SamplerState() = default;
};

// Shaders are native kernels here; they are made through platform/d3d11/kernels/ShaderKernels.h.
struct ID3D11VertexShader : ID3D11DeviceChild {
    static constexpr IID Iid = d3d11sw::MakeIid(16);

protected:
    ~ID3D11VertexShader() = default;
};

struct ID3D11PixelShader : ID3D11DeviceChild {
    static constexpr IID Iid = d3d11sw::MakeIid(17);

protected:
    ~ID3D11PixelShader() = default;
};

struct ID3D11DeviceContext : ID3D11DeviceChild {
    static constexpr IID Iid = d3d11sw::MakeIid(18);

    // Input assembler.
    virtual void IASetInputLayout(ID3D11InputLayout* layout) = 0;
    virtual void IAGetInputLayout(ID3D11InputLayout** layout) = 0;
    virtual void IASetVertexBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers,
                                    const UINT* strides, const UINT* offsets) = 0;
    virtual void IAGetVertexBuffers(UINT startSlot, UINT count, ID3D11Buffer** buffers, UINT* strides,
                                    UINT* offsets) = 0;
    virtual void IASetIndexBuffer(ID3D11Buffer* buffer, DXGI_FORMAT format, UINT offset) = 0;
    virtual void IAGetIndexBuffer(ID3D11Buffer** buffer, DXGI_FORMAT* format, UINT* offset) = 0;
    virtual void IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY topology) = 0;
    virtual void IAGetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY* topology) = 0;

    // Vertex and pixel stages.
    virtual void VSSetShader(ID3D11VertexShader* shader, ID3D11ClassInstance* const* instances,
                             UINT instanceCount) = 0;
    virtual void VSGetShader(ID3D11VertexShader** shader, ID3D11ClassInstance** instances,
                             UINT* instanceCount) = 0;
    virtual void VSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers) = 0;
    virtual void VSGetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer** buffers) = 0;
    virtual void VSSetShaderResources(UINT startSlot, UINT count,
                                      ID3D11ShaderResourceView* const* views) = 0;
    virtual void VSGetShaderResources(UINT startSlot, UINT count, ID3D11ShaderResourceView** views) = 0;
    virtual void VSSetSamplers(UINT startSlot, UINT count, ID3D11SamplerState* const* samplers) = 0;
    virtual void VSGetSamplers(UINT startSlot, UINT count, ID3D11SamplerState** samplers) = 0;
    virtual void PSSetShader(ID3D11PixelShader* shader, ID3D11ClassInstance* const* instances,
                             UINT instanceCount) = 0;
    virtual void PSGetShader(ID3D11PixelShader** shader, ID3D11ClassInstance** instances,
                             UINT* instanceCount) = 0;
    virtual void PSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers) = 0;
    virtual void PSGetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer** buffers) = 0;
    virtual void PSSetShaderResources(UINT startSlot, UINT count,
                                      ID3D11ShaderResourceView* const* views) = 0;
    virtual void PSGetShaderResources(UINT startSlot, UINT count, ID3D11ShaderResourceView** views) = 0;
    virtual void PSSetSamplers(UINT startSlot, UINT count, ID3D11SamplerState* const* samplers) = 0;
    virtual void PSGetSamplers(UINT startSlot, UINT count, ID3D11SamplerState** samplers) = 0;

    // Rasteriser.
    virtual void RSSetState(ID3D11RasterizerState* state) = 0;
    virtual void RSGetState(ID3D11RasterizerState** state) = 0;
    virtual void RSSetViewports(UINT count, const D3D11_VIEWPORT* viewports) = 0;
    // With viewports null, count receives the number bound; otherwise count is the
    // capacity on entry and the number written on return.
    virtual void RSGetViewports(UINT* count, D3D11_VIEWPORT* viewports) = 0;
    virtual void RSSetScissorRects(UINT count, const D3D11_RECT* rects) = 0;
    virtual void RSGetScissorRects(UINT* count, D3D11_RECT* rects) = 0;

    // Output merger.
    virtual void OMSetRenderTargets(UINT count, ID3D11RenderTargetView* const* views,
                                    ID3D11DepthStencilView* depthStencilView) = 0;
    virtual void OMGetRenderTargets(UINT count, ID3D11RenderTargetView** views,
                                    ID3D11DepthStencilView** depthStencilView) = 0;
    virtual void OMSetBlendState(ID3D11BlendState* state, const FLOAT blendFactor[4], UINT sampleMask) = 0;
    virtual void OMGetBlendState(ID3D11BlendState** state, FLOAT blendFactor[4], UINT* sampleMask) = 0;
    virtual void OMSetDepthStencilState(ID3D11DepthStencilState* state, UINT stencilRef) = 0;
    virtual void OMGetDepthStencilState(ID3D11DepthStencilState** state, UINT* stencilRef) = 0;

    // Clears, copies and CPU access.
    virtual void ClearRenderTargetView(ID3D11RenderTargetView* view, const FLOAT color[4]) = 0;
    virtual void ClearDepthStencilView(ID3D11DepthStencilView* view, UINT clearFlags, FLOAT depth,
                                       UINT8 stencil) = 0;
    virtual void UpdateSubresource(ID3D11Resource* destination, UINT subresource, const D3D11_BOX* box,
                                   const void* data, UINT rowPitch, UINT depthPitch) = 0;
    virtual void CopyResource(ID3D11Resource* destination, ID3D11Resource* source) = 0;
    virtual void CopySubresourceRegion(ID3D11Resource* destination, UINT destinationSubresource, UINT x,
                                       UINT y, UINT z, ID3D11Resource* source, UINT sourceSubresource,
                                       const D3D11_BOX* box) = 0;
    virtual HRESULT Map(ID3D11Resource* resource, UINT subresource, D3D11_MAP type, UINT flags,
                        D3D11_MAPPED_SUBRESOURCE* mapped) = 0;
    virtual void Unmap(ID3D11Resource* resource, UINT subresource) = 0;

    // Draws.
    virtual void Draw(UINT vertexCount, UINT startVertex) = 0;
    virtual void DrawIndexed(UINT indexCount, UINT startIndex, INT baseVertex) = 0;

    // Unbinds everything and restores every default state.
    virtual void ClearState() = 0;
    virtual void Flush() = 0;

protected:
    ~ID3D11DeviceContext() = default;
};

struct ID3D11Device : IUnknown {
    static constexpr IID Iid = d3d11sw::MakeIid(19);

    // Failures leave *out null and return E_INVALIDARG (or E_OUTOFMEMORY). A null out
    // pointer only validates and returns S_FALSE, as Direct3D does.
    virtual HRESULT CreateBuffer(const D3D11_BUFFER_DESC* desc, const D3D11_SUBRESOURCE_DATA* data,
                                 ID3D11Buffer** buffer) = 0;
    virtual HRESULT CreateTexture2D(const D3D11_TEXTURE2D_DESC* desc, const D3D11_SUBRESOURCE_DATA* data,
                                    ID3D11Texture2D** texture) = 0;
    virtual HRESULT CreateTexture3D(const D3D11_TEXTURE3D_DESC* desc, const D3D11_SUBRESOURCE_DATA* data,
                                    ID3D11Texture3D** texture) = 0;
    virtual HRESULT CreateShaderResourceView(ID3D11Resource* resource,
                                             const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                                             ID3D11ShaderResourceView** view) = 0;
    virtual HRESULT CreateUnorderedAccessView(ID3D11Resource* resource,
                                              const D3D11_UNORDERED_ACCESS_VIEW_DESC* desc,
                                              ID3D11UnorderedAccessView** view) = 0;
    virtual HRESULT CreateRenderTargetView(ID3D11Resource* resource, const D3D11_RENDER_TARGET_VIEW_DESC* desc,
                                           ID3D11RenderTargetView** view) = 0;
    virtual HRESULT CreateDepthStencilView(ID3D11Resource* resource, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc,
                                           ID3D11DepthStencilView** view) = 0;
    virtual HRESULT CreateInputLayout(const D3D11_INPUT_ELEMENT_DESC* elements, UINT elementCount,
                                      const void* signature, SIZE_T signatureSize,
                                      ID3D11InputLayout** layout) = 0;
    virtual HRESULT CreateBlendState(const D3D11_BLEND_DESC* desc, ID3D11BlendState** state) = 0;
    virtual HRESULT CreateDepthStencilState(const D3D11_DEPTH_STENCIL_DESC* desc,
                                            ID3D11DepthStencilState** state) = 0;
    virtual HRESULT CreateRasterizerState(const D3D11_RASTERIZER_DESC* desc, ID3D11RasterizerState** state) = 0;
    virtual HRESULT CreateSamplerState(const D3D11_SAMPLER_DESC* desc, ID3D11SamplerState** state) = 0;
    virtual D3D_FEATURE_LEVEL GetFeatureLevel() = 0;
    virtual void GetImmediateContext(ID3D11DeviceContext** context) = 0;

protected:
    ~ID3D11Device() = default;
};
