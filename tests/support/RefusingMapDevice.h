#pragma once
// A texture whose device and immediate context stand in front of a real device: textures
// are created by the real one, but every Map of the context fails. Each object counts its
// references and is never deleted through them, so a test can see that every reference
// handed out came back.

#include "platform/d3d11/D3D11.h"

namespace qz::test {

template <class Interface>
class Counted : public Interface {
public:
    HRESULT QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++count_; }
    ULONG Release() override { return --count_; }
    ULONG Count() const { return count_; }

private:
    ULONG count_ = 1;
};

class RefusingMapContext : public Counted<ID3D11DeviceContext> {
public:
    explicit RefusingMapContext(ID3D11Device* device) : device_(device) {}

    void GetDevice(ID3D11Device** device) override { *device = device_, device_->AddRef(); }
    HRESULT Map(ID3D11Resource*, UINT, D3D11_MAP, UINT, D3D11_MAPPED_SUBRESOURCE* mapped) override
    {
        *mapped = {};
        return E_OUTOFMEMORY;
    }
    void Unmap(ID3D11Resource*, UINT) override { ++unmaps; }
    void CopyResource(ID3D11Resource*, ID3D11Resource*) override {}

    // Not called by the code under test.
    void IASetInputLayout(ID3D11InputLayout*) override {}
    void IAGetInputLayout(ID3D11InputLayout**) override {}
    void IASetVertexBuffers(UINT, UINT, ID3D11Buffer* const*, const UINT*, const UINT*) override {}
    void IAGetVertexBuffers(UINT, UINT, ID3D11Buffer**, UINT*, UINT*) override {}
    void IASetIndexBuffer(ID3D11Buffer*, DXGI_FORMAT, UINT) override {}
    void IAGetIndexBuffer(ID3D11Buffer**, DXGI_FORMAT*, UINT*) override {}
    void IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY) override {}
    void IAGetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY*) override {}
    void VSSetShader(ID3D11VertexShader*, ID3D11ClassInstance* const*, UINT) override {}
    void VSGetShader(ID3D11VertexShader**, ID3D11ClassInstance**, UINT*) override {}
    void VSSetConstantBuffers(UINT, UINT, ID3D11Buffer* const*) override {}
    void VSGetConstantBuffers(UINT, UINT, ID3D11Buffer**) override {}
    void VSSetShaderResources(UINT, UINT, ID3D11ShaderResourceView* const*) override {}
    void VSGetShaderResources(UINT, UINT, ID3D11ShaderResourceView**) override {}
    void VSSetSamplers(UINT, UINT, ID3D11SamplerState* const*) override {}
    void VSGetSamplers(UINT, UINT, ID3D11SamplerState**) override {}
    void PSSetShader(ID3D11PixelShader*, ID3D11ClassInstance* const*, UINT) override {}
    void PSGetShader(ID3D11PixelShader**, ID3D11ClassInstance**, UINT*) override {}
    void PSSetConstantBuffers(UINT, UINT, ID3D11Buffer* const*) override {}
    void PSGetConstantBuffers(UINT, UINT, ID3D11Buffer**) override {}
    void PSSetShaderResources(UINT, UINT, ID3D11ShaderResourceView* const*) override {}
    void PSGetShaderResources(UINT, UINT, ID3D11ShaderResourceView**) override {}
    void PSSetSamplers(UINT, UINT, ID3D11SamplerState* const*) override {}
    void PSGetSamplers(UINT, UINT, ID3D11SamplerState**) override {}
    void RSSetState(ID3D11RasterizerState*) override {}
    void RSGetState(ID3D11RasterizerState**) override {}
    void RSSetViewports(UINT, const D3D11_VIEWPORT*) override {}
    void RSGetViewports(UINT*, D3D11_VIEWPORT*) override {}
    void RSSetScissorRects(UINT, const D3D11_RECT*) override {}
    void RSGetScissorRects(UINT*, D3D11_RECT*) override {}
    void OMSetRenderTargets(UINT, ID3D11RenderTargetView* const*, ID3D11DepthStencilView*) override {}
    void OMGetRenderTargets(UINT, ID3D11RenderTargetView**, ID3D11DepthStencilView**) override {}
    void OMSetBlendState(ID3D11BlendState*, const FLOAT[4], UINT) override {}
    void OMGetBlendState(ID3D11BlendState**, FLOAT[4], UINT*) override {}
    void OMSetDepthStencilState(ID3D11DepthStencilState*, UINT) override {}
    void OMGetDepthStencilState(ID3D11DepthStencilState**, UINT*) override {}
    void ClearRenderTargetView(ID3D11RenderTargetView*, const FLOAT[4]) override {}
    void ClearDepthStencilView(ID3D11DepthStencilView*, UINT, FLOAT, UINT8) override {}
    void UpdateSubresource(ID3D11Resource*, UINT, const D3D11_BOX*, const void*, UINT, UINT) override {}
    void CopySubresourceRegion(ID3D11Resource*, UINT, UINT, UINT, UINT, ID3D11Resource*, UINT,
                               const D3D11_BOX*) override {}
    void Draw(UINT, UINT) override {}
    void DrawIndexed(UINT, UINT, INT) override {}
    void ClearState() override {}
    void Flush() override {}

    int unmaps = 0;

private:
    ID3D11Device* device_;
};

// A real device's creations behind an object of its own; tests override what should
// fail.
class ForwardingDevice : public Counted<ID3D11Device> {
public:
    explicit ForwardingDevice(ID3D11Device* real) : real_(real) {}

    HRESULT CreateBuffer(const D3D11_BUFFER_DESC* d, const D3D11_SUBRESOURCE_DATA* i, ID3D11Buffer** b) override
    {
        return real_->CreateBuffer(d, i, b);
    }
    HRESULT CreateTexture2D(const D3D11_TEXTURE2D_DESC* d, const D3D11_SUBRESOURCE_DATA* i, ID3D11Texture2D** t) override
    {
        return real_->CreateTexture2D(d, i, t);
    }
    HRESULT CreateTexture3D(const D3D11_TEXTURE3D_DESC* d, const D3D11_SUBRESOURCE_DATA* i, ID3D11Texture3D** t) override
    {
        return real_->CreateTexture3D(d, i, t);
    }
    HRESULT CreateShaderResourceView(ID3D11Resource* r, const D3D11_SHADER_RESOURCE_VIEW_DESC* d,
                                     ID3D11ShaderResourceView** v) override
    {
        return real_->CreateShaderResourceView(r, d, v);
    }
    HRESULT CreateUnorderedAccessView(ID3D11Resource* r, const D3D11_UNORDERED_ACCESS_VIEW_DESC* d,
                                      ID3D11UnorderedAccessView** v) override
    {
        return real_->CreateUnorderedAccessView(r, d, v);
    }
    HRESULT CreateRenderTargetView(ID3D11Resource* r, const D3D11_RENDER_TARGET_VIEW_DESC* d,
                                   ID3D11RenderTargetView** v) override
    {
        return real_->CreateRenderTargetView(r, d, v);
    }
    HRESULT CreateDepthStencilView(ID3D11Resource* r, const D3D11_DEPTH_STENCIL_VIEW_DESC* d,
                                   ID3D11DepthStencilView** v) override
    {
        return real_->CreateDepthStencilView(r, d, v);
    }
    HRESULT CreateInputLayout(const D3D11_INPUT_ELEMENT_DESC* e, UINT n, const void* s, SIZE_T size,
                              ID3D11InputLayout** l) override
    {
        return real_->CreateInputLayout(e, n, s, size, l);
    }
    HRESULT CreateBlendState(const D3D11_BLEND_DESC* d, ID3D11BlendState** s) override
    {
        return real_->CreateBlendState(d, s);
    }
    HRESULT CreateDepthStencilState(const D3D11_DEPTH_STENCIL_DESC* d, ID3D11DepthStencilState** s) override
    {
        return real_->CreateDepthStencilState(d, s);
    }
    HRESULT CreateRasterizerState(const D3D11_RASTERIZER_DESC* d, ID3D11RasterizerState** s) override
    {
        return real_->CreateRasterizerState(d, s);
    }
    HRESULT CreateSamplerState(const D3D11_SAMPLER_DESC* d, ID3D11SamplerState** s) override
    {
        return real_->CreateSamplerState(d, s);
    }
    D3D_FEATURE_LEVEL GetFeatureLevel() override { return real_->GetFeatureLevel(); }
    void GetImmediateContext(ID3D11DeviceContext** context) override { real_->GetImmediateContext(context); }

private:
    ID3D11Device* real_;
};

class RefusingMapDevice : public ForwardingDevice {
public:
    explicit RefusingMapDevice(ID3D11Device* real) : ForwardingDevice(real), context_(this) {}

    RefusingMapContext& Context() { return context_; }
    void GetImmediateContext(ID3D11DeviceContext** context) override { *context = &context_, context_.AddRef(); }

private:
    RefusingMapContext context_;
};

// A real texture that names the refusing device as its own.
class RefusingMapTexture : public Counted<ID3D11Texture2D> {
public:
    RefusingMapTexture(ID3D11Texture2D* real, RefusingMapDevice& device) : real_(real), device_(device) {}

    void GetDevice(ID3D11Device** device) override { *device = &device_, device_.AddRef(); }
    void GetType(D3D11_RESOURCE_DIMENSION* dimension) override { real_->GetType(dimension); }
    void GetDesc(D3D11_TEXTURE2D_DESC* desc) override { real_->GetDesc(desc); }

private:
    ID3D11Texture2D* real_;
    RefusingMapDevice& device_;
};

}  // namespace qz::test
