// Clears, updates, copies and CPU access, read back through staging resources.

#include "tests/d3d11/DeviceFixture.h"

#include <cstring>
#include <vector>

namespace {

using qz::test::ComPtr;
using qz::test::DeviceTest;

class CopyAndMap : public DeviceTest {
protected:
    // The rows of subresource 0 of a 2D texture, packed.
    std::vector<std::uint8_t> ReadBack(ID3D11Texture2D* texture, UINT subresource = 0)
    {
        D3D11_TEXTURE2D_DESC desc{};
        texture->GetDesc(&desc);
        desc.Usage = D3D11_USAGE_STAGING;
        desc.BindFlags = 0;
        desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
        desc.MiscFlags = 0;
        ComPtr<ID3D11Texture2D> staging;
        EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, staging.ReleaseAndGetAddressOf()));
        context->CopyResource(staging.Get(), texture);
        D3D11_MAPPED_SUBRESOURCE mapped{};
        EXPECT_EQ(S_OK, context->Map(staging.Get(), subresource, D3D11_MAP_READ, 0, &mapped));
        const UINT width = std::max(1u, desc.Width >> subresource);
        const UINT height = std::max(1u, desc.Height >> subresource);
        const UINT rowBytes = width * 4;
        std::vector<std::uint8_t> bytes;
        for (UINT y = 0; y < height; ++y) {
            const auto* row = static_cast<const std::uint8_t*>(mapped.pData) + std::size_t{y} * mapped.RowPitch;
            bytes.insert(bytes.end(), row, row + rowBytes);
        }
        context->Unmap(staging.Get(), subresource);
        return bytes;
    }
};

TEST_F(CopyAndMap, ClearRenderTargetEncodesTheColourInTheViewFormat)
{
    D3D11_TEXTURE2D_DESC desc = Texture2DDesc(3, 2, DXGI_FORMAT_R8G8B8A8_TYPELESS, D3D11_BIND_RENDER_TARGET);
    ComPtr<ID3D11Texture2D> texture;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, texture.ReleaseAndGetAddressOf()));
    D3D11_RENDER_TARGET_VIEW_DESC viewDesc{};
    viewDesc.ViewDimension = D3D11_RTV_DIMENSION_TEXTURE2D;
    ComPtr<ID3D11RenderTargetView> unorm;
    ComPtr<ID3D11RenderTargetView> srgb;
    viewDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    ASSERT_EQ(S_OK, device->CreateRenderTargetView(texture.Get(), &viewDesc, unorm.ReleaseAndGetAddressOf()));
    viewDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
    ASSERT_EQ(S_OK, device->CreateRenderTargetView(texture.Get(), &viewDesc, srgb.ReleaseAndGetAddressOf()));

    const FLOAT colour[4] = {0.5f, 0.0f, 1.0f, 0.5f};
    context->ClearRenderTargetView(unorm.Get(), colour);
    std::vector<std::uint8_t> bytes = ReadBack(texture.Get());
    ASSERT_EQ(24u, bytes.size());
    for (int pixel = 0; pixel < 6; ++pixel) {
        EXPECT_EQ(128, bytes[pixel * 4 + 0]);
        EXPECT_EQ(0, bytes[pixel * 4 + 1]);
        EXPECT_EQ(255, bytes[pixel * 4 + 2]);
        EXPECT_EQ(128, bytes[pixel * 4 + 3]);
    }
    context->ClearRenderTargetView(srgb.Get(), colour);
    bytes = ReadBack(texture.Get());
    EXPECT_EQ(188, bytes[0]);  // linear 0.5 in sRGB
    EXPECT_EQ(128, bytes[3]);  // alpha stays linear
}

TEST_F(CopyAndMap, ClearDepthStencilKeepsTheOtherPart)
{
    D3D11_TEXTURE2D_DESC desc = Texture2DDesc(2, 2, DXGI_FORMAT_D24_UNORM_S8_UINT, D3D11_BIND_DEPTH_STENCIL);
    ComPtr<ID3D11Texture2D> texture;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, texture.ReleaseAndGetAddressOf()));
    ComPtr<ID3D11DepthStencilView> view;
    ASSERT_EQ(S_OK, device->CreateDepthStencilView(texture.Get(), nullptr, view.ReleaseAndGetAddressOf()));
    context->ClearDepthStencilView(view.Get(), D3D11_CLEAR_DEPTH | D3D11_CLEAR_STENCIL, 1.0f, 7);
    context->ClearDepthStencilView(view.Get(), D3D11_CLEAR_DEPTH, 0.5f, 0);
    std::vector<std::uint8_t> bytes = ReadBack(texture.Get());
    std::uint32_t word;
    std::memcpy(&word, bytes.data(), 4);
    EXPECT_EQ(0x800000u, word & 0xFFFFFF);  // 0.5 * (2^24 - 1), rounded
    EXPECT_EQ(7u, word >> 24);
}

TEST_F(CopyAndMap, UpdateAndCopyRegions)
{
    const D3D11_TEXTURE2D_DESC desc = Texture2DDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE);
    ComPtr<ID3D11Texture2D> source;
    ComPtr<ID3D11Texture2D> target;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, source.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, target.ReleaseAndGetAddressOf()));

    // A 2x2 block at (1, 1) from rows with a 12-byte pitch.
    const std::uint32_t rows[6] = {0x11111111, 0x22222222, 0xDEADBEEF, 0x33333333, 0x44444444, 0xDEADBEEF};
    const D3D11_BOX box{1, 1, 0, 3, 3, 1};
    context->UpdateSubresource(source.Get(), 0, &box, rows, 12, 0);
    // Copy it to (2, 0) of the other texture.
    context->CopySubresourceRegion(target.Get(), 0, 2, 0, 0, source.Get(), 0, &box);

    auto word = [](const std::vector<std::uint8_t>& bytes, int x, int y) {
        std::uint32_t value;
        std::memcpy(&value, bytes.data() + (y * 4 + x) * 4, 4);
        return value;
    };
    const std::vector<std::uint8_t> updated = ReadBack(source.Get());
    EXPECT_EQ(0u, word(updated, 0, 0));
    EXPECT_EQ(0x11111111u, word(updated, 1, 1));
    EXPECT_EQ(0x22222222u, word(updated, 2, 1));
    EXPECT_EQ(0x33333333u, word(updated, 1, 2));
    EXPECT_EQ(0x44444444u, word(updated, 2, 2));
    EXPECT_EQ(0u, word(updated, 3, 2));
    const std::vector<std::uint8_t> copied = ReadBack(target.Get());
    EXPECT_EQ(0x11111111u, word(copied, 2, 0));
    EXPECT_EQ(0x44444444u, word(copied, 3, 1));
    EXPECT_EQ(0u, word(copied, 1, 0));

    // A region that does not fit changes nothing.
    context->CopySubresourceRegion(target.Get(), 0, 3, 3, 0, source.Get(), 0, &box);
    EXPECT_EQ(copied, ReadBack(target.Get()));
}

TEST_F(CopyAndMap, CopyResourceNeedsTheSameShape)
{
    const D3D11_TEXTURE2D_DESC small = Texture2DDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET);
    const D3D11_TEXTURE2D_DESC large = Texture2DDesc(8, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET);
    ComPtr<ID3D11Texture2D> a;
    ComPtr<ID3D11Texture2D> b;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&small, nullptr, a.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, device->CreateTexture2D(&large, nullptr, b.ReleaseAndGetAddressOf()));
    ComPtr<ID3D11RenderTargetView> view;
    ASSERT_EQ(S_OK, device->CreateRenderTargetView(b.Get(), nullptr, view.ReleaseAndGetAddressOf()));
    const FLOAT white[4] = {1, 1, 1, 1};
    context->ClearRenderTargetView(view.Get(), white);
    context->CopyResource(a.Get(), b.Get());
    EXPECT_EQ(std::vector<std::uint8_t>(64, 0), ReadBack(a.Get()));
}

TEST_F(CopyAndMap, MapRules)
{
    ComPtr<ID3D11Texture2D> readOnly;
    const D3D11_TEXTURE2D_DESC readDesc = StagingDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_CPU_ACCESS_READ);
    ASSERT_EQ(S_OK, device->CreateTexture2D(&readDesc, nullptr, readOnly.ReleaseAndGetAddressOf()));
    D3D11_MAPPED_SUBRESOURCE mapped{reinterpret_cast<void*>(1), 1, 1};
    EXPECT_EQ(E_INVALIDARG, context->Map(readOnly.Get(), 0, D3D11_MAP_WRITE, 0, &mapped));
    EXPECT_EQ(nullptr, mapped.pData);
    EXPECT_EQ(E_INVALIDARG, context->Map(readOnly.Get(), 1, D3D11_MAP_READ, 0, &mapped));
    ASSERT_EQ(S_OK, context->Map(readOnly.Get(), 0, D3D11_MAP_READ, 0, &mapped));
    EXPECT_EQ(16u, mapped.RowPitch);
    EXPECT_EQ(64u, mapped.DepthPitch);
    EXPECT_EQ(E_INVALIDARG, context->Map(readOnly.Get(), 0, D3D11_MAP_READ, 0, &mapped));  // already mapped
    context->Unmap(readOnly.Get(), 0);

    const D3D11_TEXTURE2D_DESC plainDesc = Texture2DDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE);
    ComPtr<ID3D11Texture2D> plain;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&plainDesc, nullptr, plain.ReleaseAndGetAddressOf()));
    EXPECT_EQ(E_INVALIDARG, context->Map(plain.Get(), 0, D3D11_MAP_READ, 0, &mapped));

    // A dynamic buffer is written with discard, then read by a copy.
    const D3D11_BUFFER_DESC dynamicDesc = BufferDesc(16, D3D11_BIND_VERTEX_BUFFER, D3D11_USAGE_DYNAMIC,
                                                     D3D11_CPU_ACCESS_WRITE);
    ComPtr<ID3D11Buffer> dynamic;
    ASSERT_EQ(S_OK, device->CreateBuffer(&dynamicDesc, nullptr, dynamic.ReleaseAndGetAddressOf()));
    EXPECT_EQ(E_INVALIDARG, context->Map(dynamic.Get(), 0, D3D11_MAP_READ, 0, &mapped));
    ASSERT_EQ(S_OK, context->Map(dynamic.Get(), 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped));
    const float values[4] = {1.5f, 2.5f, 3.5f, 4.5f};
    std::memcpy(mapped.pData, values, 16);
    context->Unmap(dynamic.Get(), 0);
    const D3D11_BUFFER_DESC stagingDesc = BufferDesc(16, 0, D3D11_USAGE_STAGING, D3D11_CPU_ACCESS_READ);
    ComPtr<ID3D11Buffer> staging;
    ASSERT_EQ(S_OK, device->CreateBuffer(&stagingDesc, nullptr, staging.ReleaseAndGetAddressOf()));
    context->CopyResource(staging.Get(), dynamic.Get());
    ASSERT_EQ(S_OK, context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped));
    EXPECT_EQ(0, std::memcmp(values, mapped.pData, 16));
    context->Unmap(staging.Get(), 0);
}

}  // namespace
