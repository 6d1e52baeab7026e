#include "tarnwick/dx11/Texture.h"

#include "tarnwick/dx11/ComRelease.h"
#include "tarnwick/dx11/DXGIFormatInfo.h"

namespace qz::dx11 {

Texture::Texture(const Texture& other)
    : device_(other.device_),
      shaderResourceView_(SafeAddRef(other.shaderResourceView_)),
      unorderedAccessView_(SafeAddRef(other.unorderedAccessView_)),
      viewFormat_(other.viewFormat_)
{
}

Texture::~Texture() { ReleaseViews(); }

void Texture::Release()
{
    ReleaseViews();
    device_ = nullptr;
}

void Texture::ReleaseViews()
{
    SafeRelease(shaderResourceView_);
    SafeRelease(unorderedAccessView_);
}

HRESULT Texture::MakeViews(ID3D11Resource* texture, UINT bindFlags,
                           const D3D11_SHADER_RESOURCE_VIEW_DESC& shaderResource,
                           const D3D11_UNORDERED_ACCESS_VIEW_DESC& unorderedAccess)
{
    if (bindFlags & D3D11_BIND_SHADER_RESOURCE) {
        const HRESULT result = device_->CreateShaderResourceView(texture, &shaderResource, &shaderResourceView_);
        if (FAILED(result)) {
            return result;
        }
    }
    if (bindFlags & D3D11_BIND_UNORDERED_ACCESS) {
        return device_->CreateUnorderedAccessView(texture, &unorderedAccess, &unorderedAccessView_);
    }
    return S_OK;
}

const char* FormatName(UINT format)
{
    return format < DXGIFormatInfos.size() ? DXGIFormatInfos[format].name.c_str() : "DXGI_FORMAT_UNKNOWN";
}

}  // namespace qz::dx11
