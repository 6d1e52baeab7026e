#pragma once
// The swap chain's back buffer read back through a staging copy.

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"
#include "tests/support/TextureReadBack.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace qz::test {

// The red channel of every pixel of the back buffer, rows from the top.
inline std::vector<std::uint8_t> RedOfBackBuffer(ID3D11DeviceContext* context, IDXGISwapChain* swapChain, UINT& width)
{
    d3d11sw::ComPtr<ID3D11Texture2D> backBuffer;
    swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(backBuffer.ReleaseAndGetAddressOf()));
    const std::vector<std::uint32_t> pixels = ReadTexels<std::uint32_t>(context, backBuffer.Get(), &width);
    std::vector<std::uint8_t> red(pixels.size());
    std::transform(pixels.begin(), pixels.end(), red.begin(), [](std::uint32_t pixel) { return pixel & 0xFF; });
    return red;
}

}  // namespace qz::test
