#include "tarnwick/dx11/Texture2D.h"

#include "tarnwick/core/Logging.h"
#include "tarnwick/dx11/ComRelease.h"
#include "tarnwick/dx11/ImageFileTexture.h"

#include <algorithm>
#include <vector>

namespace qz::dx11 {

Texture2D::Texture2D(const Texture2D& other) : Texture(other), texture_(SafeAddRef(other.texture_)), desc_(other.desc_)
{
}

// A texture destroyed without Release still gives its references back.
Texture2D::~Texture2D() { SafeRelease(texture_); }

void Texture2D::Release()
{
    SafeRelease(texture_);
    Texture::Release();
}

HRESULT Texture2D::CreateFromDescription(ID3D11Device* device, const D3D11_TEXTURE2D_DESC& desc,
                                         const D3D11_SUBRESOURCE_DATA* data, bool arrayViews)
{
    Release();
    device_ = device;
    core::Logger::BeginMessage(core::LogLevelDetail)
        << "Creating Texture2D (" << desc.Width << "x" << desc.Height << ", " << FormatName(desc.Format) << ")";
    HRESULT result = device->CreateTexture2D(&desc, data, &texture_);
    if (FAILED(result)) {
        return result;
    }
    texture_->GetDesc(&desc_);
    const bool single = desc_.ArraySize == 1 && !arrayViews;
    const bool multisampled = desc_.SampleDesc.Count != 1;
    D3D11_SHADER_RESOURCE_VIEW_DESC shaderResource{};
    shaderResource.Format = ViewFormatFor(desc_.Format);
    if (single) {
        shaderResource.ViewDimension = multisampled ? D3D11_SRV_DIMENSION_TEXTURE2DMS : D3D11_SRV_DIMENSION_TEXTURE2D;
        shaderResource.Texture2D = {0, desc_.MipLevels};
    } else if (multisampled) {
        shaderResource.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2DMSARRAY;
        shaderResource.Texture2DMSArray = {0, desc_.ArraySize};
    } else {
        shaderResource.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2DARRAY;
        shaderResource.Texture2DArray = {0, desc_.MipLevels, 0, desc_.ArraySize};
    }
    D3D11_UNORDERED_ACCESS_VIEW_DESC unorderedAccess{};
    unorderedAccess.Format = shaderResource.Format;
    if (desc_.ArraySize < 2 && !arrayViews) {
        unorderedAccess.ViewDimension = D3D11_UAV_DIMENSION_TEXTURE2D;
        unorderedAccess.Texture2D = {0};
    } else {
        unorderedAccess.ViewDimension = D3D11_UAV_DIMENSION_TEXTURE2DARRAY;
        unorderedAccess.Texture2DArray = {0, 0, desc_.ArraySize};
    }
    return MakeViews(texture_, desc_.BindFlags, shaderResource, unorderedAccess);
}

HRESULT Texture2D::Create(ID3D11Device* device, UINT width, UINT height, DXGI_FORMAT format, UINT arraySize,
                          bool mipChain, const D3D11_SUBRESOURCE_DATA* data, bool arrayViews, bool unorderedAccess)
{
    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = width;
    desc.Height = height;
    desc.MipLevels = mipChain ? 0 : 1;
    desc.ArraySize = arraySize;
    desc.Format = format;
    desc.SampleDesc = {1, 0};
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_SHADER_RESOURCE | (unorderedAccess ? UINT{D3D11_BIND_UNORDERED_ACCESS} : 0u);
    return CreateFromDescription(device, desc, data, arrayViews);
}

HRESULT Texture2D::CreateFromFile(ID3D11Device* device, const std::string& fileName)
{
    Release();
    core::Logger::BeginMessage(core::LogLevelDetail) << "Creating Texture2D from file (" << fileName << ")";
    ID3D11DeviceContext* context = nullptr;
    device->GetImmediateContext(&context);
    const HRESULT result = LoadImageTexture(device, context, fileName, &texture_, &shaderResourceView_);
    context->Release();
    return result;
}

HRESULT Texture2D::CreateFromMipChain(ID3D11Device* device, const ImageLevels& levels)
{
    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = levels.empty() ? 0 : levels.front().width;
    desc.Height = levels.empty() ? 0 : levels.front().height;
    desc.MipLevels = static_cast<UINT>(levels.size());
    desc.ArraySize = 1;
    desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc = {1, 0};
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    std::vector<D3D11_SUBRESOURCE_DATA> data;
    for (const ImageLevel& level : levels) {
        // Each level must have the size the texture gives it, or its rows would be read
        // past their end.
        const UINT mip = static_cast<UINT>(data.size());
        if (level.width != std::max(1u, desc.Width >> mip) || level.height != std::max(1u, desc.Height >> mip) ||
            !level.pixels) {
            return E_INVALIDARG;
        }
        const UINT pitch = level.width * 4;
        data.push_back({level.pixels.get(), pitch, pitch});
    }
    const HRESULT result = CreateFromDescription(device, desc, data.empty() ? nullptr : data.data());
    return FAILED(result) ? result : S_OK;
}

}  // namespace qz::dx11
