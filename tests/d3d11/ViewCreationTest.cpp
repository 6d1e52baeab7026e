// Views: bind flags, formats of the resource's family, dimensions and ranges.

#include "tests/d3d11/DeviceFixture.h"

namespace {

using qz::test::ComPtr;
using qz::test::DeviceTest;

class ViewCreation : public DeviceTest {
protected:
    ComPtr<ID3D11Texture2D> Texture(const D3D11_TEXTURE2D_DESC& desc)
    {
        ComPtr<ID3D11Texture2D> texture;
        EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, texture.ReleaseAndGetAddressOf()));
        return texture;
    }

    ComPtr<ID3D11Buffer> Structured(UINT count, UINT stride)
    {
        const D3D11_BUFFER_DESC desc = BufferDesc(count * stride, D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS,
                                                  D3D11_USAGE_DEFAULT, 0, D3D11_RESOURCE_MISC_BUFFER_STRUCTURED, stride);
        ComPtr<ID3D11Buffer> buffer;
        EXPECT_EQ(S_OK, device->CreateBuffer(&desc, nullptr, buffer.ReleaseAndGetAddressOf()));
        return buffer;
    }

    HRESULT Srv(ID3D11Resource* resource, const D3D11_SHADER_RESOURCE_VIEW_DESC* desc)
    {
        ID3D11ShaderResourceView* view = reinterpret_cast<ID3D11ShaderResourceView*>(this);
        const HRESULT result = device->CreateShaderResourceView(resource, desc, &view);
        if (SUCCEEDED(result)) {
            view->GetDesc(&srvDesc);
            view->Release();
        } else {
            EXPECT_EQ(nullptr, view);
        }
        return result;
    }

    D3D11_SHADER_RESOURCE_VIEW_DESC srvDesc{};
};

TEST_F(ViewCreation, ShaderResourceViewNeedsItsBindFlag)
{
    auto texture = Texture(Texture2DDesc(8, 8, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET));
    EXPECT_EQ(E_INVALIDARG, Srv(texture.Get(), nullptr));
    ID3D11RenderTargetView* target = nullptr;
    EXPECT_EQ(S_OK, device->CreateRenderTargetView(texture.Get(), nullptr, &target));
    target->Release();
    ID3D11UnorderedAccessView* unordered = reinterpret_cast<ID3D11UnorderedAccessView*>(this);
    EXPECT_EQ(E_INVALIDARG, device->CreateUnorderedAccessView(texture.Get(), nullptr, &unordered));
    EXPECT_EQ(nullptr, unordered);
    EXPECT_EQ(E_INVALIDARG, Srv(nullptr, nullptr));
}

TEST_F(ViewCreation, NullDescriptionViewsTheWholeResource)
{
    auto single = Texture(Texture2DDesc(64, 32, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, 0));
    ASSERT_EQ(S_OK, Srv(single.Get(), nullptr));
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, srvDesc.Format);
    EXPECT_EQ(D3D11_SRV_DIMENSION_TEXTURE2D, srvDesc.ViewDimension);
    EXPECT_EQ(0u, srvDesc.Texture2D.MostDetailedMip);
    EXPECT_EQ(7u, srvDesc.Texture2D.MipLevels);

    auto array = Texture(Texture2DDesc(16, 16, DXGI_FORMAT_R32_FLOAT, D3D11_BIND_SHADER_RESOURCE, 1, 3));
    ASSERT_EQ(S_OK, Srv(array.Get(), nullptr));
    EXPECT_EQ(D3D11_SRV_DIMENSION_TEXTURE2DARRAY, srvDesc.ViewDimension);
    EXPECT_EQ(3u, srvDesc.Texture2DArray.ArraySize);

    D3D11_TEXTURE2D_DESC multi = Texture2DDesc(16, 16, DXGI_FORMAT_R8G8B8A8_UNORM,
                                               D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET);
    multi.SampleDesc.Count = 4;
    auto multisampled = Texture(multi);
    ASSERT_EQ(S_OK, Srv(multisampled.Get(), nullptr));
    EXPECT_EQ(D3D11_SRV_DIMENSION_TEXTURE2DMS, srvDesc.ViewDimension);
    D3D11_SHADER_RESOURCE_VIEW_DESC wrong{};
    wrong.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    wrong.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D;
    wrong.Texture2D = {0, 1};
    EXPECT_EQ(E_INVALIDARG, Srv(multisampled.Get(), &wrong));
}

TEST_F(ViewCreation, FormatsOfTheResourcesFamily)
{
    auto typeless = Texture(Texture2DDesc(8, 8, DXGI_FORMAT_R8G8B8A8_TYPELESS, D3D11_BIND_SHADER_RESOURCE));
    EXPECT_EQ(E_INVALIDARG, Srv(typeless.Get(), nullptr));  // no type to view it in
    D3D11_SHADER_RESOURCE_VIEW_DESC desc{};
    desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D;
    desc.Texture2D = {0, 1};
    desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
    EXPECT_EQ(S_OK, Srv(typeless.Get(), &desc));
    desc.Format = DXGI_FORMAT_R32_FLOAT;
    EXPECT_EQ(E_INVALIDARG, Srv(typeless.Get(), &desc));

    // A typed texture is viewed in its own format only.
    auto typed = Texture(Texture2DDesc(8, 8, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE));
    desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
    EXPECT_EQ(E_INVALIDARG, Srv(typed.Get(), &desc));
    desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    EXPECT_EQ(S_OK, Srv(typed.Get(), &desc));

    // A readable depth buffer: typeless texture, typed depth and colour views.
    auto depth = Texture(Texture2DDesc(8, 8, DXGI_FORMAT_R24G8_TYPELESS,
                                       D3D11_BIND_DEPTH_STENCIL | D3D11_BIND_SHADER_RESOURCE));
    D3D11_DEPTH_STENCIL_VIEW_DESC dsv{};
    dsv.Format = DXGI_FORMAT_D24_UNORM_S8_UINT;
    dsv.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2D;
    ID3D11DepthStencilView* depthView = nullptr;
    EXPECT_EQ(S_OK, device->CreateDepthStencilView(depth.Get(), &dsv, &depthView));
    depthView->Release();
    dsv.Format = DXGI_FORMAT_D32_FLOAT;
    EXPECT_EQ(E_INVALIDARG, device->CreateDepthStencilView(depth.Get(), &dsv, &depthView));
    desc.Format = DXGI_FORMAT_R24_UNORM_X8_TYPELESS;
    EXPECT_EQ(S_OK, Srv(depth.Get(), &desc));
    desc.Format = DXGI_FORMAT_D24_UNORM_S8_UINT;
    EXPECT_EQ(E_INVALIDARG, Srv(depth.Get(), &desc));
}

TEST_F(ViewCreation, MipAndSliceRanges)
{
    auto texture = Texture(Texture2DDesc(16, 16, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, 0, 4));
    D3D11_SHADER_RESOURCE_VIEW_DESC desc{};
    desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2DARRAY;
    desc.Texture2DArray = {2, 0xFFFFFFFFu, 1, 3};  // "all remaining levels"
    EXPECT_EQ(S_OK, Srv(texture.Get(), &desc));
    desc.Texture2DArray = {2, 4, 0, 4};  // levels 2..5 of 5
    EXPECT_EQ(E_INVALIDARG, Srv(texture.Get(), &desc));
    desc.Texture2DArray = {0, 5, 2, 3};  // slices 2..4 of 4
    EXPECT_EQ(E_INVALIDARG, Srv(texture.Get(), &desc));
    desc.Texture2DArray = {0, 5, 0, 0};
    EXPECT_EQ(E_INVALIDARG, Srv(texture.Get(), &desc));
    desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE3D;
    desc.Texture3D = {0, 1};
    EXPECT_EQ(E_INVALIDARG, Srv(texture.Get(), &desc));
}

TEST_F(ViewCreation, StructuredBufferViews)
{
    auto buffer = Structured(10, 24);
    ASSERT_EQ(S_OK, Srv(buffer.Get(), nullptr));
    EXPECT_EQ(D3D11_SRV_DIMENSION_BUFFER, srvDesc.ViewDimension);
    EXPECT_EQ(10u, srvDesc.Buffer.NumElements);

    D3D11_UNORDERED_ACCESS_VIEW_DESC desc{};
    desc.Format = DXGI_FORMAT_UNKNOWN;
    desc.ViewDimension = D3D11_UAV_DIMENSION_BUFFER;
    desc.Buffer = {0, 10, 0};
    ID3D11UnorderedAccessView* view = nullptr;
    ASSERT_EQ(S_OK, device->CreateUnorderedAccessView(buffer.Get(), &desc, &view));
    view->Release();
    desc.Buffer = {5, 6, 0};
    EXPECT_EQ(E_INVALIDARG, device->CreateUnorderedAccessView(buffer.Get(), &desc, &view));
    desc.Buffer = {0, 10, 0};
    desc.Format = DXGI_FORMAT_R32_UINT;
    EXPECT_EQ(E_INVALIDARG, device->CreateUnorderedAccessView(buffer.Get(), &desc, &view));

    // A plain buffer has no format of its own.
    const D3D11_BUFFER_DESC plainDesc = BufferDesc(64, D3D11_BIND_SHADER_RESOURCE);
    ComPtr<ID3D11Buffer> plain;
    ASSERT_EQ(S_OK, device->CreateBuffer(&plainDesc, nullptr, plain.ReleaseAndGetAddressOf()));
    EXPECT_EQ(E_INVALIDARG, Srv(plain.Get(), nullptr));
    D3D11_SHADER_RESOURCE_VIEW_DESC typed{};
    typed.Format = DXGI_FORMAT_R32_UINT;
    typed.ViewDimension = D3D11_SRV_DIMENSION_BUFFER;
    typed.Buffer.FirstElement = 0;
    typed.Buffer.NumElements = 16;
    EXPECT_EQ(S_OK, Srv(plain.Get(), &typed));
    typed.Buffer.NumElements = 17;
    EXPECT_EQ(E_INVALIDARG, Srv(plain.Get(), &typed));
}

TEST_F(ViewCreation, TargetViews)
{
    auto array = Texture(Texture2DDesc(8, 8, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET, 1, 2));
    ID3D11RenderTargetView* target = nullptr;
    ASSERT_EQ(S_OK, device->CreateRenderTargetView(array.Get(), nullptr, &target));
    D3D11_RENDER_TARGET_VIEW_DESC targetDesc{};
    target->GetDesc(&targetDesc);
    EXPECT_EQ(D3D11_RTV_DIMENSION_TEXTURE2DARRAY, targetDesc.ViewDimension);
    EXPECT_EQ(2u, targetDesc.Texture2DArray.ArraySize);
    target->Release();

    auto depth = Texture(Texture2DDesc(8, 8, DXGI_FORMAT_D32_FLOAT, D3D11_BIND_DEPTH_STENCIL));
    EXPECT_EQ(E_INVALIDARG, device->CreateRenderTargetView(depth.Get(), nullptr, &target));
    ID3D11DepthStencilView* depthView = nullptr;
    ASSERT_EQ(S_OK, device->CreateDepthStencilView(depth.Get(), nullptr, &depthView));
    D3D11_DEPTH_STENCIL_VIEW_DESC depthDesc{};
    depthView->GetDesc(&depthDesc);
    EXPECT_EQ(DXGI_FORMAT_D32_FLOAT, depthDesc.Format);
    EXPECT_EQ(D3D11_DSV_DIMENSION_TEXTURE2D, depthDesc.ViewDimension);
    depthView->Release();

    auto colour = Texture(Texture2DDesc(8, 8, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET));
    EXPECT_EQ(E_INVALIDARG, device->CreateDepthStencilView(colour.Get(), nullptr, &depthView));
    EXPECT_EQ(nullptr, depthView);
}

}  // namespace
