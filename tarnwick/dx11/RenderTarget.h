#pragma once
// What makes a texture a render target: its render-target view, an optional depth
// buffer, its viewport, and the saving and restoring of the pipeline's output bindings
// around a pass (Bind before drawing, Unbind after).

#include "platform/d3d11/D3D11.h"

namespace qz::dx11 {

class RenderTarget {
public:
    static constexpr UINT MaxAdditionalViews = 7;

    RenderTarget() = default;
    // Takes a reference to every view, texture and saved binding.
    RenderTarget(const RenderTarget& other);
    RenderTarget& operator=(const RenderTarget&) = delete;
    virtual ~RenderTarget();

    virtual HRESULT CreateDepthBuffer(bool readable, DXGI_FORMAT format) = 0;

    // Saves the viewport and the 8 render-target slots with the depth view, then binds
    // this target in slot 0, the additional views after it and its own depth view (none
    // without a depth buffer), with its viewport. More than 7 additional views are
    // refused with an error in the log: nothing is saved or bound, and the Unbind that
    // follows does nothing.
    void Bind(ID3D11DeviceContext* context, ID3D11RenderTargetView* const* additionalViews = nullptr,
              UINT additionalCount = 0);
    // Binds the saved slots and depth view again and releases them; sets the saved
    // viewport back, or none when none was bound before. Does nothing without a Bind.
    void Unbind(ID3D11DeviceContext* context);

    // Releases the depth texture, its views and the saved bindings (not the
    // render-target view).
    void Release();

    // The description is made into a depth buffer of one level, usage DEFAULT, no CPU
    // access; a readable one (bind SHADER_RESOURCE) also gets a shader-resource view.
    HRESULT CreateDepthBufferFromDescription(ID3D11Device* device, D3D11_TEXTURE2D_DESC& desc);
    // Shares another target's depth view.
    void SetDepthStencilView(ID3D11DepthStencilView* view);

    ID3D11RenderTargetView* GetRenderTargetView() const { return renderTargetView_; }
    ID3D11DepthStencilView* GetDepthStencilView() const { return depthStencilView_; }
    ID3D11ShaderResourceView* GetDepthShaderResourceView() const { return depthShaderResourceView_; }
    ID3D11Texture2D* GetDepthTexture() const { return depthTexture_; }
    const D3D11_VIEWPORT& GetViewport() const { return viewport_; }

protected:
    void ReleaseSavedBindings();

    ID3D11Texture2D* depthTexture_ = nullptr;
    ID3D11RenderTargetView* renderTargetView_ = nullptr;
    ID3D11DepthStencilView* depthStencilView_ = nullptr;
    ID3D11ShaderResourceView* depthShaderResourceView_ = nullptr;
    ID3D11RenderTargetView* savedRenderTargetViews_[D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT] = {};
    ID3D11DepthStencilView* savedDepthStencilView_ = nullptr;
    D3D11_VIEWPORT viewport_{};
    D3D11_VIEWPORT savedViewport_{};
    bool viewportSaved_ = false;
    bool bound_ = false;  // between Bind and Unbind
};

// The typeless format a readable depth buffer is created in, and the format its depth
// is read through; the format itself for other formats.
DXGI_FORMAT DepthTextureFormat(DXGI_FORMAT depthFormat);
DXGI_FORMAT DepthReadFormat(DXGI_FORMAT depthFormat);

}  // namespace qz::dx11
