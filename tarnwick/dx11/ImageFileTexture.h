#pragma once
// An image file as a 2D texture with its shader-resource view, as the platform's image
// texture loader makes it: any image stb_image decodes, as R8G8B8A8_UNORM with one
// level. Failures return an HRESULT (file not found, E_FAIL for what cannot be
// decoded) and leave both out-pointers null.

#include "platform/d3d11/D3D11.h"

#include <string>

namespace qz::dx11 {

HRESULT LoadImageTexture(ID3D11Device* device, ID3D11DeviceContext* context, const std::string& fileName,
                         ID3D11Texture2D** texture, ID3D11ShaderResourceView** view);

}  // namespace qz::dx11
