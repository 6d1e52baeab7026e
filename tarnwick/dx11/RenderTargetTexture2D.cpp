#include "tarnwick/dx11/RenderTargetTexture2D.h"

#include "tarnwick/dx11/ComRelease.h"

namespace qz::dx11 {

void RenderTargetTexture2D::Release()
{
    SafeRelease(renderTargetView_);
    Texture2D::Release();
    RenderTarget::Release();
}

HRESULT RenderTargetTexture2D::CreateFromDescription(ID3D11Device* device, const D3D11_TEXTURE2D_DESC& desc,
                                                     const D3D11_SUBRESOURCE_DATA* /*data*/, bool arrayViews)
{
    D3D11_TEXTURE2D_DESC targetDesc = desc;
    targetDesc.BindFlags |= D3D11_BIND_RENDER_TARGET;
    HRESULT result = Texture2D::CreateFromDescription(device, targetDesc, nullptr, arrayViews);
    if (FAILED(result)) {
        return result;
    }
    const bool single = desc_.SampleDesc.Count == 1;
    D3D11_RENDER_TARGET_VIEW_DESC view{};
    view.Format = desc_.Format;
    if (desc_.ArraySize == 1) {
        view.ViewDimension = single ? D3D11_RTV_DIMENSION_TEXTURE2D : D3D11_RTV_DIMENSION_TEXTURE2DMS;
        view.Texture2D = {0};
    } else if (single) {
        view.ViewDimension = D3D11_RTV_DIMENSION_TEXTURE2DARRAY;
        view.Texture2DArray = {0, 0, desc_.ArraySize};
    } else {
        view.ViewDimension = D3D11_RTV_DIMENSION_TEXTURE2DMSARRAY;
        view.Texture2DMSArray = {0, desc_.ArraySize};
    }
    result = device->CreateRenderTargetView(texture_, &view, &renderTargetView_);
    if (FAILED(result)) {
        return result;
    }
    viewport_ = D3D11_VIEWPORT{0.0f, 0.0f, static_cast<FLOAT>(desc_.Width), static_cast<FLOAT>(desc_.Height), 0.0f,
                               1.0f};
    return S_OK;
}

HRESULT RenderTargetTexture2D::Create(ID3D11Device* device, UINT width, UINT height, DXGI_FORMAT format,
                                      UINT arraySize, bool /*mipChain*/, const D3D11_SUBRESOURCE_DATA* data,
                                      bool arrayViews, bool unorderedAccess)
{
    return Texture2D::Create(device, width, height, format, arraySize, false, data, arrayViews, unorderedAccess);
}

HRESULT RenderTargetTexture2D::CreateDepthBuffer(bool readable, DXGI_FORMAT format)
{
    if (!device_ || !texture_) {
        return E_INVALIDARG;  // no colour texture to match
    }
    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = desc_.Width;
    desc.Height = desc_.Height;
    desc.MipLevels = 1;
    desc.ArraySize = desc_.ArraySize;
    desc.Format = format;
    desc.SampleDesc = desc_.SampleDesc;
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_DEPTH_STENCIL | (readable ? UINT{D3D11_BIND_SHADER_RESOURCE} : 0u);
    desc.MiscFlags = desc_.MiscFlags;
    return CreateDepthBufferFromDescription(device_, desc);
}

}  // namespace qz::dx11
