#pragma once
// ID3D11Device: creates resources, views, states, layouts and shaders; owns the
// immediate context.

#include "platform/d3d11/com/ComObject.h"
#include "platform/d3d11/objects/DeviceContext.h"

#include <memory>

namespace d3d11sw {

class Device final : public ComObject<ID3D11Device> {
public:
    // Answers QueryInterface with the device itself, for DXGI's use.
    static constexpr IID Iid = MakeIid(100);

    explicit Device(D3D_FEATURE_LEVEL level);
    ~Device() override;

    HRESULT CreateBuffer(const D3D11_BUFFER_DESC* desc, const D3D11_SUBRESOURCE_DATA* data,
                         ID3D11Buffer** buffer) override;
    HRESULT CreateTexture2D(const D3D11_TEXTURE2D_DESC* desc, const D3D11_SUBRESOURCE_DATA* data,
                            ID3D11Texture2D** texture) override;
    HRESULT CreateTexture3D(const D3D11_TEXTURE3D_DESC* desc, const D3D11_SUBRESOURCE_DATA* data,
                            ID3D11Texture3D** texture) override;
    HRESULT CreateShaderResourceView(ID3D11Resource* resource, const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                                     ID3D11ShaderResourceView** view) override;
    HRESULT CreateUnorderedAccessView(ID3D11Resource* resource, const D3D11_UNORDERED_ACCESS_VIEW_DESC* desc,
                                      ID3D11UnorderedAccessView** view) override;
    HRESULT CreateRenderTargetView(ID3D11Resource* resource, const D3D11_RENDER_TARGET_VIEW_DESC* desc,
                                   ID3D11RenderTargetView** view) override;
    HRESULT CreateDepthStencilView(ID3D11Resource* resource, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc,
                                   ID3D11DepthStencilView** view) override;
    HRESULT CreateInputLayout(const D3D11_INPUT_ELEMENT_DESC* elements, UINT elementCount, const void* signature,
                              SIZE_T signatureSize, ID3D11InputLayout** layout) override;
    HRESULT CreateBlendState(const D3D11_BLEND_DESC* desc, ID3D11BlendState** state) override;
    HRESULT CreateDepthStencilState(const D3D11_DEPTH_STENCIL_DESC* desc, ID3D11DepthStencilState** state) override;
    HRESULT CreateRasterizerState(const D3D11_RASTERIZER_DESC* desc, ID3D11RasterizerState** state) override;
    HRESULT CreateSamplerState(const D3D11_SAMPLER_DESC* desc, ID3D11SamplerState** state) override;
    D3D_FEATURE_LEVEL GetFeatureLevel() override { return level_; }
    void GetImmediateContext(ID3D11DeviceContext** context) override;

protected:
    void* Query(REFIID riid) override;

private:
    D3D_FEATURE_LEVEL level_;
    std::unique_ptr<DeviceContext> context_;
};

}  // namespace d3d11sw
