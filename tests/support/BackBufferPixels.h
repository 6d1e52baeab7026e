#pragma once
// The swap chain's back buffer read back through a staging copy.

#include "platform/d3d11/D3D11.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qz::test {

// The red channel of every pixel of the back buffer, rows from the top.
inline std::vector<std::uint8_t> RedOfBackBuffer(ID3D11DeviceContext* context, IDXGISwapChain* swapChain, UINT& width)
{
    ID3D11Texture2D* backBuffer = nullptr;
    swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(&backBuffer));
    D3D11_TEXTURE2D_DESC desc{};
    backBuffer->GetDesc(&desc);
    desc.Usage = D3D11_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    ID3D11Device* device = nullptr;
    backBuffer->GetDevice(&device);
    ID3D11Texture2D* staging = nullptr;
    EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, &staging));
    context->CopyResource(staging, backBuffer);
    D3D11_MAPPED_SUBRESOURCE mapped{};
    EXPECT_EQ(S_OK, context->Map(staging, 0, D3D11_MAP_READ, 0, &mapped));
    std::vector<std::uint8_t> red(std::size_t{desc.Width} * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y) {
        for (UINT x = 0; x < desc.Width; ++x) {
            red[std::size_t{y} * desc.Width + x] = static_cast<const std::uint8_t*>(mapped.pData)[y * mapped.RowPitch + 4 * x];
        }
    }
    context->Unmap(staging, 0);
    staging->Release();
    device->Release();
    backBuffer->Release();
    width = desc.Width;
    return red;
}

}  // namespace qz::test
