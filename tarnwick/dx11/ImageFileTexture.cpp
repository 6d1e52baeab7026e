#include "tarnwick/dx11/ImageFileTexture.h"

#include "tarnwick/dx11/DecodedImage.h"

namespace qz::dx11 {

HRESULT LoadImageTexture(ID3D11Device* device, ID3D11DeviceContext* /*context*/, const std::string& fileName,
                         ID3D11Texture2D** texture, ID3D11ShaderResourceView** view)
{
    *texture = nullptr;
    *view = nullptr;
    const DecodedImage image = DecodedImage::FromFile(fileName, 4);
    if (!image.opened) {
        return HRESULT_FILE_NOT_FOUND;
    }
    if (!image.pixels) {
        return E_FAIL;
    }
    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = static_cast<UINT>(image.width);
    desc.Height = static_cast<UINT>(image.height);
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc = {1, 0};
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    const D3D11_SUBRESOURCE_DATA data{image.pixels.get(), desc.Width * 4, desc.Width * 4 * desc.Height};
    HRESULT result = device->CreateTexture2D(&desc, &data, texture);
    if (SUCCEEDED(result)) {
        result = device->CreateShaderResourceView(*texture, nullptr, view);
        if (FAILED(result)) {
            (*texture)->Release();
            *texture = nullptr;
        }
    }
    return result;
}

}  // namespace qz::dx11
