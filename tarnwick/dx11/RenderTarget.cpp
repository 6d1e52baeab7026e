#include "tarnwick/dx11/RenderTarget.h"

#include "tarnwick/core/Logging.h"
#include "tarnwick/dx11/ComRelease.h"

#include <algorithm>

namespace qz::dx11 {

RenderTarget::RenderTarget(const RenderTarget& other)
    : depthTexture_(SafeAddRef(other.depthTexture_)),
      renderTargetView_(SafeAddRef(other.renderTargetView_)),
      depthStencilView_(SafeAddRef(other.depthStencilView_)),
      depthShaderResourceView_(SafeAddRef(other.depthShaderResourceView_)),
      savedDepthStencilView_(SafeAddRef(other.savedDepthStencilView_)),
      viewport_(other.viewport_),
      savedViewport_(other.savedViewport_),
      viewportSaved_(other.viewportSaved_),
      bound_(other.bound_)
{
    for (UINT slot = 0; slot < D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT; ++slot) {
        savedRenderTargetViews_[slot] = SafeAddRef(other.savedRenderTargetViews_[slot]);
    }
}

RenderTarget::~RenderTarget()
{
    Release();
    SafeRelease(renderTargetView_);
}

void RenderTarget::Bind(ID3D11DeviceContext* context, ID3D11RenderTargetView* const* additionalViews,
                        UINT additionalCount)
{
    if (additionalCount > MaxAdditionalViews) {
        // Binding fewer than asked would let a pass write into the wrong targets.
        auto message = core::Logger::BeginMessage(core::LogLevelErrorReport);
        message.SetType(core::LogTypeError);
        message << "Could not bind render target with " << additionalCount << " additional views: at most "
                << MaxAdditionalViews << " fit beside it";
        return;
    }
    // A second Bind without Unbind must not lose the references saved by the first.
    ReleaseSavedBindings();
    UINT viewports = 1;
    context->RSGetViewports(&viewports, &savedViewport_);
    viewportSaved_ = viewports > 0;
    context->OMGetRenderTargets(D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT, savedRenderTargetViews_,
                                &savedDepthStencilView_);

    context->RSSetViewports(1, &viewport_);
    ID3D11RenderTargetView* views[D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT] = {renderTargetView_};
    const UINT extra = additionalViews ? additionalCount : 0;
    std::copy(additionalViews, additionalViews + extra, views + 1);
    context->OMSetRenderTargets(1 + extra, views, depthStencilView_);
    bound_ = true;
}

void RenderTarget::Unbind(ID3D11DeviceContext* context)
{
    if (!bound_) {
        return;  // nothing was saved: a refused Bind, or none
    }
    context->OMSetRenderTargets(D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT, savedRenderTargetViews_,
                                savedDepthStencilView_);
    ReleaseSavedBindings();
    if (viewportSaved_) {
        context->RSSetViewports(1, &savedViewport_);
    } else {
        // There was no viewport before Bind; there is none afterwards.
        context->RSSetViewports(0, nullptr);
    }
    viewportSaved_ = false;
    bound_ = false;
}

void RenderTarget::Release()
{
    SafeRelease(depthTexture_);
    SafeRelease(depthStencilView_);
    ReleaseSavedBindings();
    SafeRelease(depthShaderResourceView_);
}

void RenderTarget::ReleaseSavedBindings()
{
    for (ID3D11RenderTargetView*& view : savedRenderTargetViews_) {
        SafeRelease(view);
    }
    SafeRelease(savedDepthStencilView_);
}

HRESULT RenderTarget::CreateDepthBufferFromDescription(ID3D11Device* device, D3D11_TEXTURE2D_DESC& desc)
{
    RenderTarget::Release();
    desc.MipLevels = 1;
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.CPUAccessFlags = 0;
    const bool readable = (desc.BindFlags & D3D11_BIND_SHADER_RESOURCE) != 0;
    // A depth format cannot be read; a readable buffer is made typeless, with a typed
    // view of each kind.
    D3D11_TEXTURE2D_DESC textureDesc = desc;
    if (readable) {
        textureDesc.Format = DepthTextureFormat(desc.Format);
    }
    HRESULT result = device->CreateTexture2D(&textureDesc, nullptr, &depthTexture_);
    if (FAILED(result)) {
        return result;
    }
    const bool single = desc.SampleDesc.Count == 1;
    D3D11_DEPTH_STENCIL_VIEW_DESC depthView{};
    depthView.Format = desc.Format;
    if (desc.ArraySize == 1) {
        depthView.ViewDimension = single ? D3D11_DSV_DIMENSION_TEXTURE2D : D3D11_DSV_DIMENSION_TEXTURE2DMS;
        depthView.Texture2D = {0};
    } else if (single) {
        depthView.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2DARRAY;
        depthView.Texture2DArray = {0, 0, desc.ArraySize};
    } else {
        depthView.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2DMSARRAY;
        depthView.Texture2DMSArray = {0, desc.ArraySize};
    }
    result = device->CreateDepthStencilView(depthTexture_, &depthView, &depthStencilView_);
    if (FAILED(result)) {
        return result;
    }
    if (readable) {
        D3D11_SHADER_RESOURCE_VIEW_DESC readView{};
        readView.Format = DepthReadFormat(desc.Format);
        if (desc.ArraySize == 1) {
            readView.ViewDimension = single ? D3D11_SRV_DIMENSION_TEXTURE2D : D3D11_SRV_DIMENSION_TEXTURE2DMS;
            readView.Texture2D = {0, 1};
        } else if (single) {
            readView.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2DARRAY;
            readView.Texture2DArray = {0, 1, 0, desc.ArraySize};
        } else {
            readView.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2DMSARRAY;
            readView.Texture2DMSArray = {0, desc.ArraySize};
        }
        // Without it the depth buffer still works; the view stays null.
        device->CreateShaderResourceView(depthTexture_, &readView, &depthShaderResourceView_);
    }
    return S_OK;
}

void RenderTarget::SetDepthStencilView(ID3D11DepthStencilView* view)
{
    if (view == depthStencilView_) {
        return;
    }
    SafeAddRef(view);
    SafeRelease(depthStencilView_);
    depthStencilView_ = view;
}

DXGI_FORMAT DepthTextureFormat(DXGI_FORMAT depthFormat)
{
    switch (depthFormat) {
    case DXGI_FORMAT_D32_FLOAT: return DXGI_FORMAT_R32_TYPELESS;
    case DXGI_FORMAT_D24_UNORM_S8_UINT: return DXGI_FORMAT_R24G8_TYPELESS;
    case DXGI_FORMAT_D16_UNORM: return DXGI_FORMAT_R16_TYPELESS;
    case DXGI_FORMAT_D32_FLOAT_S8X24_UINT: return DXGI_FORMAT_R32G8X24_TYPELESS;
    default: return depthFormat;
    }
}

DXGI_FORMAT DepthReadFormat(DXGI_FORMAT depthFormat)
{
    switch (depthFormat) {
    case DXGI_FORMAT_D32_FLOAT: return DXGI_FORMAT_R32_FLOAT;
    case DXGI_FORMAT_D24_UNORM_S8_UINT: return DXGI_FORMAT_R24_UNORM_X8_TYPELESS;
    case DXGI_FORMAT_D16_UNORM: return DXGI_FORMAT_R16_UNORM;
    case DXGI_FORMAT_D32_FLOAT_S8X24_UINT: return DXGI_FORMAT_R32_FLOAT_X8X24_TYPELESS;
    default: return depthFormat;
    }
}

}  // namespace qz::dx11
