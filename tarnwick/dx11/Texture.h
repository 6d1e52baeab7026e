#pragma once
// The views every texture has: a shader-resource view and an unordered-access view,
// each made when the texture's bind flags ask for it, in the view format (39,
// DXGI_FORMAT_R32_TYPELESS, stands for the texture's own format).

#include "platform/d3d11/D3D11.h"

namespace qz::dx11 {

class Texture {
public:
    static constexpr UINT OwnFormat = DXGI_FORMAT_R32_TYPELESS;

    Texture() = default;
    // Takes a reference to each view.
    Texture(const Texture& other);
    Texture& operator=(const Texture&) = delete;
    virtual ~Texture();

    // Releases both views and forgets the device.
    virtual void Release();

    ID3D11Device* GetDevice() const { return device_; }
    ID3D11ShaderResourceView* GetShaderResourceView() const { return shaderResourceView_; }
    ID3D11UnorderedAccessView* GetUnorderedAccessView() const { return unorderedAccessView_; }
    UINT GetViewFormat() const { return viewFormat_; }
    // Takes effect at the next creation; for example a typed view of a typeless texture.
    void SetViewFormat(UINT format) { viewFormat_ = format; }

protected:
    // The view format, or the texture's own one.
    DXGI_FORMAT ViewFormatFor(DXGI_FORMAT textureFormat) const
    {
        return viewFormat_ == OwnFormat ? textureFormat : static_cast<DXGI_FORMAT>(viewFormat_);
    }
    void ReleaseViews();
    // Makes the shader-resource view (bind SHADER_RESOURCE) and then the unordered-access
    // view (bind UNORDERED_ACCESS) of a new texture; the first failure is returned.
    HRESULT MakeViews(ID3D11Resource* texture, UINT bindFlags, const D3D11_SHADER_RESOURCE_VIEW_DESC& shaderResource,
                      const D3D11_UNORDERED_ACCESS_VIEW_DESC& unorderedAccess);

    ID3D11Device* device_ = nullptr;  // not a reference
    ID3D11ShaderResourceView* shaderResourceView_ = nullptr;
    ID3D11UnorderedAccessView* unorderedAccessView_ = nullptr;
    UINT viewFormat_ = OwnFormat;
};

// The name of a format as the format table gives it, for log lines.
const char* FormatName(UINT format);

}  // namespace qz::dx11
