// 2D and 3D texture owners: descriptions, views by the bind flags and the view format,
// re-creation, destruction, mip chains and image files.

#include "tarnwick/dx11/Texture2D.h"
#include "tarnwick/dx11/Texture3D.h"
#include "tarnwick/dx11/TextureIO.h"

#include "tests/d3d11/DeviceFixture.h"
#include "tests/dx11/ImageFiles.h"
#include "tests/support/LogCapture.h"

#include <cstring>

namespace {

using qz::dx11::ImageLevels;
using qz::dx11::Texture2D;
using qz::dx11::Texture3D;
using qz::test::ComPtr;
using qz::test::DeviceTest;
using qz::test::LogCapture;

using Textures = DeviceTest;

D3D11_SHADER_RESOURCE_VIEW_DESC SrvDesc(ID3D11ShaderResourceView* view)
{
    D3D11_SHADER_RESOURCE_VIEW_DESC desc{};
    view->GetDesc(&desc);
    return desc;
}

D3D11_UNORDERED_ACCESS_VIEW_DESC UavDesc(ID3D11UnorderedAccessView* view)
{
    D3D11_UNORDERED_ACCESS_VIEW_DESC desc{};
    view->GetDesc(&desc);
    return desc;
}

TEST_F(Textures, ViewsFollowTheMipFlagTheViewFormatAndTheSlices)
{
    LogCapture log;
    Texture2D texture;
    EXPECT_EQ(39u, texture.GetViewFormat());
    ASSERT_EQ(S_OK, texture.Create(device.Get(), 256, 256, DXGI_FORMAT_R8G8B8A8_UNORM, 1, true));
    EXPECT_EQ(device.Get(), texture.GetDevice());
    EXPECT_EQ(nullptr, texture.GetUnorderedAccessView());
    EXPECT_EQ(9u, SrvDesc(texture.GetShaderResourceView()).Texture2D.MipLevels);
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, SrvDesc(texture.GetShaderResourceView()).Format);
    EXPECT_NE(std::string::npos, log.Text().find("Creating Texture2D (256x256, DXGI_FORMAT_R8G8B8A8_UNORM)\n"));

    // Several slices always get array views; one slice only with the array flag.
    texture.SetViewFormat(DXGI_FORMAT_R32_FLOAT);
    const struct {
        UINT slices;
        bool array;
        D3D11_SRV_DIMENSION srv;
        D3D11_UAV_DIMENSION uav;
    } cases[] = {
        {1, true, D3D11_SRV_DIMENSION_TEXTURE2DARRAY, D3D11_UAV_DIMENSION_TEXTURE2DARRAY},
        {3, false, D3D11_SRV_DIMENSION_TEXTURE2DARRAY, D3D11_UAV_DIMENSION_TEXTURE2DARRAY},
        {1, false, D3D11_SRV_DIMENSION_TEXTURE2D, D3D11_UAV_DIMENSION_TEXTURE2D},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(S_OK, texture.Create(device.Get(), 16, 8, DXGI_FORMAT_R32_TYPELESS, c.slices, false, nullptr, c.array,
                                       true));
        EXPECT_EQ(1u, texture.GetDesc().MipLevels);
        EXPECT_EQ(136u, texture.GetDesc().BindFlags);
        const auto srv = SrvDesc(texture.GetShaderResourceView());
        const auto uav = UavDesc(texture.GetUnorderedAccessView());
        EXPECT_EQ(DXGI_FORMAT_R32_FLOAT, srv.Format);
        EXPECT_EQ(DXGI_FORMAT_R32_FLOAT, uav.Format);
        EXPECT_EQ(c.srv, srv.ViewDimension) << c.slices << c.array;
        EXPECT_EQ(c.uav, uav.ViewDimension) << c.slices << c.array;
        if (c.srv == D3D11_SRV_DIMENSION_TEXTURE2DARRAY) {
            EXPECT_EQ(c.slices, srv.Texture2DArray.ArraySize);
            EXPECT_EQ(c.slices, uav.Texture2DArray.ArraySize);
        }
    }
}

TEST_F(Textures, BindFlagsDecideWhichViewsExist)
{
    Texture2D texture;
    D3D11_TEXTURE2D_DESC desc = Texture2DDesc(8, 8, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET);
    ASSERT_EQ(S_OK, texture.CreateFromDescription(device.Get(), desc));
    EXPECT_EQ(nullptr, texture.GetShaderResourceView());
    EXPECT_EQ(nullptr, texture.GetUnorderedAccessView());
    // A staging copy as the frame dump makes it.
    ASSERT_EQ(S_OK, texture.CreateFromDescription(device.Get(), StagingDesc(8, 8, DXGI_FORMAT_R8G8B8A8_UNORM)));
    EXPECT_EQ(D3D11_USAGE_STAGING, texture.GetDesc().Usage);
    EXPECT_EQ(nullptr, texture.GetShaderResourceView());
    // A failure is the device's result, with nothing left behind.
    desc = Texture2DDesc(0, 8, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE);
    EXPECT_EQ(E_INVALIDARG, texture.CreateFromDescription(device.Get(), desc));
    EXPECT_EQ(nullptr, texture.GetTexture());
}

TEST_F(Textures, CreatingAgainCopiesAndDestructionKeepCountsRight)
{
    const ULONG deviceBefore = Count(device.Get());
    {
        Texture2D texture;
        texture.SetName("colour");
        ASSERT_EQ(S_OK, texture.Create(device.Get(), 8, 8, DXGI_FORMAT_R8G8B8A8_UNORM, 1, false, nullptr, false, true));
        ComPtr<ID3D11Texture2D> first(texture.GetTexture());
        ComPtr<ID3D11ShaderResourceView> firstView(texture.GetShaderResourceView());
        ASSERT_EQ(S_OK, texture.Create(device.Get(), 4, 4, DXGI_FORMAT_R8G8B8A8_UNORM));
        EXPECT_NE(first.Get(), texture.GetTexture());
        EXPECT_EQ(1u, Count(firstView.Get()));
        EXPECT_EQ(1u, Count(first.Get()));

        Texture2D copy(texture);
        EXPECT_EQ(texture.GetTexture(), copy.GetTexture());
        EXPECT_EQ(2u, Count(texture.GetTexture()));
        EXPECT_EQ(2u, Count(texture.GetShaderResourceView()));
        EXPECT_TRUE(copy.GetName().empty());
        EXPECT_EQ(4u, copy.GetDesc().Width);
        copy.Release();
        EXPECT_EQ(nullptr, copy.GetTexture());
        EXPECT_EQ(nullptr, copy.GetDevice());
        // The original goes without Release: destruction gives everything back.
    }
    EXPECT_EQ(deviceBefore, Count(device.Get()));
}

TEST_F(Textures, Texture3DWithUnorderedAccess)
{
    LogCapture log;
    Texture3D texture;
    ASSERT_EQ(S_OK, texture.Create(device.Get(), 32, 16, 8, DXGI_FORMAT_R32G32B32A32_UINT, false, nullptr, true));
    EXPECT_EQ(136u, texture.GetDesc().BindFlags);
    const auto srv = SrvDesc(texture.GetShaderResourceView());
    EXPECT_EQ(D3D11_SRV_DIMENSION_TEXTURE3D, srv.ViewDimension);
    EXPECT_EQ(1u, srv.Texture3D.MipLevels);
    const auto uav = UavDesc(texture.GetUnorderedAccessView());
    EXPECT_EQ(D3D11_UAV_DIMENSION_TEXTURE3D, uav.ViewDimension);
    EXPECT_EQ(8u, uav.Texture3D.WSize);
    EXPECT_NE(std::string::npos, log.Text().find("Creating Texture3D (32x16x8, DXGI_FORMAT_R32G32B32A32_UINT)\n"));
    ASSERT_EQ(S_OK, texture.Create(device.Get(), 32, 16, 8, DXGI_FORMAT_R8_UNORM, true));
    EXPECT_EQ(6u, texture.GetDesc().MipLevels);
    EXPECT_EQ(nullptr, texture.GetUnorderedAccessView());
}

TEST_F(Textures, MipChainOfAnImageBecomesTheLevels)
{
    ImageLevels levels(1);
    levels[0].width = 256;
    levels[0].height = 64;
    levels[0].pixels = std::make_unique<std::uint8_t[]>(256 * 64 * 4);
    std::memset(levels[0].pixels.get(), 200, 256 * 64 * 4);
    qz::dx11::TextureIO::GenerateMipChain(levels);
    ASSERT_EQ(7u, levels.size());

    Texture2D texture;
    ASSERT_EQ(S_OK, texture.CreateFromMipChain(device.Get(), levels));
    EXPECT_EQ(7u, texture.GetDesc().MipLevels);
    EXPECT_EQ(64u, texture.GetDesc().Height);
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, texture.GetDesc().Format);
    // The last level, 4x1, read back.
    D3D11_TEXTURE2D_DESC desc = StagingDesc(256, 64, DXGI_FORMAT_R8G8B8A8_UNORM);
    desc.MipLevels = 7;
    ComPtr<ID3D11Texture2D> staging;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, staging.ReleaseAndGetAddressOf()));
    context->CopyResource(staging.Get(), texture.GetTexture());
    D3D11_MAPPED_SUBRESOURCE mapped{};
    ASSERT_EQ(S_OK, context->Map(staging.Get(), 6, D3D11_MAP_READ, 0, &mapped));
    EXPECT_EQ(16u, mapped.RowPitch);
    EXPECT_EQ(200, static_cast<const std::uint8_t*>(mapped.pData)[15]);
    context->Unmap(staging.Get(), 6);

    // No levels, or a level of the wrong size, fail without reading past the pixels.
    EXPECT_EQ(E_INVALIDARG, texture.CreateFromMipChain(device.Get(), ImageLevels{}));
    levels[3].height = 16;
    EXPECT_EQ(E_INVALIDARG, texture.CreateFromMipChain(device.Get(), levels));
}

TEST_F(Textures, ImageFilesThroughThePlatformLoader)
{
    LogCapture log;
    Texture2D texture;
    ASSERT_EQ(S_OK, texture.CreateFromFile(device.Get(), qz::test::WritePng("grey.png", 3, 2, 1)));
    ASSERT_NE(nullptr, texture.GetShaderResourceView());
    D3D11_TEXTURE2D_DESC desc{};
    texture.GetTexture()->GetDesc(&desc);
    EXPECT_EQ(3u, desc.Width);
    EXPECT_EQ(2u, desc.Height);
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, desc.Format);
    EXPECT_NE(std::string::npos, log.Text().find("Creating Texture2D from file (grey.png)\n"));

    EXPECT_EQ(HRESULT_FILE_NOT_FOUND, texture.CreateFromFile(device.Get(), "no-such-image.png"));
    EXPECT_EQ(nullptr, texture.GetTexture());
    const std::string garbage = qz::test::WriteBytes("broken.png", "\x89PNG\r\n\x1a\n not really");
    EXPECT_LT(texture.CreateFromFile(device.Get(), garbage), 0);
    EXPECT_EQ(nullptr, texture.GetTexture());
    EXPECT_EQ(nullptr, texture.GetShaderResourceView());
}

}  // namespace
