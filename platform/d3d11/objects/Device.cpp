#include "platform/d3d11/objects/Device.h"

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/objects/Buffer.h"
#include "platform/d3d11/objects/InputLayout.h"
#include "platform/d3d11/objects/StateObject.h"
#include "platform/d3d11/objects/Texture2D.h"
#include "platform/d3d11/objects/Texture3D.h"
#include "platform/d3d11/objects/View.h"

namespace d3d11sw {

Device::Device(D3D_FEATURE_LEVEL level) : level_(level), context_(std::make_unique<DeviceContext>(this)) {}

// Bound objects still alive hold no reference to this device; unbinding lets them go.
Device::~Device()
{
    context_->DiscardPending();
    context_->ClearState();
}

HRESULT Device::CreateBuffer(const D3D11_BUFFER_DESC* desc, const D3D11_SUBRESOURCE_DATA* data, ID3D11Buffer** buffer)
{
    return Buffer::Create(this, desc, data, buffer);
}

HRESULT Device::CreateTexture2D(const D3D11_TEXTURE2D_DESC* desc, const D3D11_SUBRESOURCE_DATA* data,
                                ID3D11Texture2D** texture)
{
    return Texture2D::Create(this, desc, data, texture);
}

HRESULT Device::CreateTexture3D(const D3D11_TEXTURE3D_DESC* desc, const D3D11_SUBRESOURCE_DATA* data,
                                ID3D11Texture3D** texture)
{
    return Texture3D::Create(this, desc, data, texture);
}

HRESULT Device::CreateShaderResourceView(ID3D11Resource* resource, const D3D11_SHADER_RESOURCE_VIEW_DESC* desc,
                                         ID3D11ShaderResourceView** view)
{
    return d3d11sw::CreateShaderResourceView(this, resource, desc, view);
}

HRESULT Device::CreateUnorderedAccessView(ID3D11Resource* resource, const D3D11_UNORDERED_ACCESS_VIEW_DESC* desc,
                                          ID3D11UnorderedAccessView** view)
{
    return d3d11sw::CreateUnorderedAccessView(this, resource, desc, view);
}

HRESULT Device::CreateRenderTargetView(ID3D11Resource* resource, const D3D11_RENDER_TARGET_VIEW_DESC* desc,
                                       ID3D11RenderTargetView** view)
{
    return d3d11sw::CreateRenderTargetView(this, resource, desc, view);
}

HRESULT Device::CreateDepthStencilView(ID3D11Resource* resource, const D3D11_DEPTH_STENCIL_VIEW_DESC* desc,
                                       ID3D11DepthStencilView** view)
{
    return d3d11sw::CreateDepthStencilView(this, resource, desc, view);
}

HRESULT Device::CreateInputLayout(const D3D11_INPUT_ELEMENT_DESC* elements, UINT elementCount, const void* signature,
                                  SIZE_T signatureSize, ID3D11InputLayout** layout)
{
    return d3d11sw::CreateInputLayout(this, elements, elementCount, signature, signatureSize, layout);
}

HRESULT Device::CreateBlendState(const D3D11_BLEND_DESC* desc, ID3D11BlendState** state)
{
    return d3d11sw::CreateBlendState(this, desc, state);
}

HRESULT Device::CreateDepthStencilState(const D3D11_DEPTH_STENCIL_DESC* desc, ID3D11DepthStencilState** state)
{
    return d3d11sw::CreateDepthStencilState(this, desc, state);
}

HRESULT Device::CreateRasterizerState(const D3D11_RASTERIZER_DESC* desc, ID3D11RasterizerState** state)
{
    return d3d11sw::CreateRasterizerState(this, desc, state);
}

HRESULT Device::CreateSamplerState(const D3D11_SAMPLER_DESC* desc, ID3D11SamplerState** state)
{
    return d3d11sw::CreateSamplerState(this, desc, state);
}

void Device::GetImmediateContext(ID3D11DeviceContext** context)
{
    context_->AddRef();
    *context = context_.get();
}

void* Device::Query(REFIID riid)
{
    if (riid == IUnknown::Iid || riid == ID3D11Device::Iid || riid == Device::Iid) {
        return static_cast<ID3D11Device*>(this);
    }
    return nullptr;
}

}  // namespace d3d11sw

HRESULT D3D11CreateDevice(IDXGIAdapter* /*adapter*/, D3D_DRIVER_TYPE /*driverType*/, HMODULE /*software*/,
                          UINT /*flags*/, const D3D_FEATURE_LEVEL* featureLevels, UINT featureLevelCount,
                          UINT /*sdkVersion*/, ID3D11Device** device, D3D_FEATURE_LEVEL* featureLevel,
                          ID3D11DeviceContext** immediateContext)
{
    if (device) {
        *device = nullptr;
    }
    if (immediateContext) {
        *immediateContext = nullptr;
    }
    if (featureLevelCount > 0 && !featureLevels) {
        return E_INVALIDARG;
    }
    D3D_FEATURE_LEVEL granted = D3D_FEATURE_LEVEL_11_0;
    if (featureLevelCount > 0) {
        const D3D_FEATURE_LEVEL* end = featureLevels + featureLevelCount;
        const D3D_FEATURE_LEVEL* found = featureLevels;
        while (found != end && *found > D3D_FEATURE_LEVEL_11_0) {
            ++found;
        }
        if (found == end) {
            return DXGI_ERROR_UNSUPPORTED;
        }
        granted = *found;
    }
    if (featureLevel) {
        *featureLevel = granted;
    }
    if (!device && !immediateContext) {
        return S_FALSE;
    }
    auto* created = new d3d11sw::Device(granted);
    if (immediateContext) {
        created->GetImmediateContext(immediateContext);
    }
    if (device) {
        *device = created;
    } else {
        created->Release();
    }
    return S_OK;
}
