#include "tarnwick/dx11/Texture3D.h"

#include "tarnwick/core/Logging.h"
#include "tarnwick/dx11/ComRelease.h"

namespace qz::dx11 {

Texture3D::~Texture3D() { SafeRelease(texture_); }

void Texture3D::Release()
{
    SafeRelease(texture_);
    Texture::Release();
}

HRESULT Texture3D::CreateFromDescription(ID3D11Device* device, const D3D11_TEXTURE3D_DESC& desc,
                                         const D3D11_SUBRESOURCE_DATA* data)
{
    Release();
    device_ = device;
    core::Logger::BeginMessage(core::LogLevelDetail) << "Creating Texture3D (" << desc.Width << "x" << desc.Height
                                                     << "x" << desc.Depth << ", " << FormatName(desc.Format) << ")";
    HRESULT result = device->CreateTexture3D(&desc, data, &texture_);
    if (FAILED(result)) {
        return result;
    }
    texture_->GetDesc(&desc_);
    D3D11_SHADER_RESOURCE_VIEW_DESC shaderResource{};
    shaderResource.Format = ViewFormatFor(desc_.Format);
    shaderResource.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE3D;
    shaderResource.Texture3D = {0, desc_.MipLevels};
    D3D11_UNORDERED_ACCESS_VIEW_DESC unorderedAccess{};
    unorderedAccess.Format = shaderResource.Format;
    unorderedAccess.ViewDimension = D3D11_UAV_DIMENSION_TEXTURE3D;
    unorderedAccess.Texture3D = {0, 0, desc_.Depth};
    return MakeViews(texture_, desc_.BindFlags, shaderResource, unorderedAccess);
}

HRESULT Texture3D::Create(ID3D11Device* device, UINT width, UINT height, UINT depth, DXGI_FORMAT format,
                          bool mipChain, const D3D11_SUBRESOURCE_DATA* data, bool unorderedAccess)
{
    D3D11_TEXTURE3D_DESC desc{};
    desc.Width = width;
    desc.Height = height;
    desc.Depth = depth;
    desc.MipLevels = mipChain ? 0 : 1;
    desc.Format = format;
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_SHADER_RESOURCE | (unorderedAccess ? UINT{D3D11_BIND_UNORDERED_ACCESS} : 0u);
    return CreateFromDescription(device, desc, data);
}

}  // namespace qz::dx11
