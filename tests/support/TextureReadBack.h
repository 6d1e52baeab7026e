#pragma once
// A 2D texture of one level read back through a staging copy.

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace qz::test {

// The texels, rows from the top, one T a texel (T as wide as the format's texel).
template <class T>
std::vector<T> ReadTexels(ID3D11DeviceContext* context, ID3D11Texture2D* texture, UINT* width = nullptr)
{
    D3D11_TEXTURE2D_DESC desc{};
    texture->GetDesc(&desc);
    desc.Usage = D3D11_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    d3d11sw::ComPtr<ID3D11Device> device;
    texture->GetDevice(device.ReleaseAndGetAddressOf());
    d3d11sw::ComPtr<ID3D11Texture2D> staging;
    EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, staging.ReleaseAndGetAddressOf()));
    std::vector<T> texels(std::size_t{desc.Width} * desc.Height);
    if (!staging) {
        return texels;
    }
    context->CopyResource(staging.Get(), texture);
    D3D11_MAPPED_SUBRESOURCE mapped{};
    EXPECT_EQ(S_OK, context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped));
    for (UINT y = 0; y < desc.Height && mapped.pData; ++y) {
        std::memcpy(texels.data() + std::size_t{y} * desc.Width,
                    static_cast<const std::uint8_t*>(mapped.pData) + std::size_t{y} * mapped.RowPitch,
                    desc.Width * sizeof(T));
    }
    context->Unmap(staging.Get(), 0);
    if (width) {
        *width = desc.Width;
    }
    return texels;
}

}  // namespace qz::test
