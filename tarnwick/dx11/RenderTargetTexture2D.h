#pragma once
// A 2D texture to render into: its texture views, a render-target view in the texture's
// own format, an optional depth buffer and a viewport over the whole texture.

#include "tarnwick/dx11/RenderTarget.h"
#include "tarnwick/dx11/Texture2D.h"

namespace qz::dx11 {

class RenderTargetTexture2D : public Texture2D, public RenderTarget {
public:
    RenderTargetTexture2D() = default;
    RenderTargetTexture2D(const RenderTargetTexture2D& other) = default;
    ~RenderTargetTexture2D() override = default;

    // Releases the render-target view, the texture and its views, forgets the device,
    // then releases the render-target part.
    void Release() override;

    // Adds RENDER_TARGET to the bind flags; render targets start without contents, so
    // the initial data is not used.
    HRESULT CreateFromDescription(ID3D11Device* device, const D3D11_TEXTURE2D_DESC& desc,
                                  const D3D11_SUBRESOURCE_DATA* data = nullptr, bool arrayViews = false) override;
    // Always one mip level; mipChain is ignored.
    HRESULT Create(ID3D11Device* device, UINT width, UINT height, DXGI_FORMAT format, UINT arraySize = 1,
                   bool mipChain = false, const D3D11_SUBRESOURCE_DATA* data = nullptr, bool arrayViews = false,
                   bool unorderedAccess = false) override;

    // A depth buffer of the colour texture's size, slices and samples; readable ones get
    // a shader-resource view too.
    HRESULT CreateDepthBuffer(bool readable, DXGI_FORMAT format) override;
};

}  // namespace qz::dx11
