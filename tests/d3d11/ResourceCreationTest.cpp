// Descriptions are checked as Direct3D checks them; failures leave the out-pointer null.

#include "tests/d3d11/DeviceFixture.h"

#include <cstring>
#include <vector>

namespace {

using qz::test::ComPtr;
using qz::test::DeviceTest;

class ResourceCreation : public DeviceTest {
protected:
    HRESULT MakeBuffer(const D3D11_BUFFER_DESC& desc, const void* data = nullptr)
    {
        const D3D11_SUBRESOURCE_DATA init{data, 0, 0};
        ID3D11Buffer* made = reinterpret_cast<ID3D11Buffer*>(this);  // must be cleared on failure
        const HRESULT result = device->CreateBuffer(&desc, data ? &init : nullptr, &made);
        if (SUCCEEDED(result)) {
            buffer = ComPtr<ID3D11Buffer>::Attach(made);
        } else {
            EXPECT_EQ(nullptr, made);
        }
        return result;
    }

    HRESULT MakeTexture(const D3D11_TEXTURE2D_DESC& desc, const D3D11_SUBRESOURCE_DATA* data = nullptr)
    {
        ID3D11Texture2D* made = reinterpret_cast<ID3D11Texture2D*>(this);
        const HRESULT result = device->CreateTexture2D(&desc, data, &made);
        if (SUCCEEDED(result)) {
            texture = ComPtr<ID3D11Texture2D>::Attach(made);
        } else {
            EXPECT_EQ(nullptr, made);
        }
        return result;
    }

    ComPtr<ID3D11Buffer> buffer;
    ComPtr<ID3D11Texture2D> texture;
};

TEST_F(ResourceCreation, BufferRules)
{
    EXPECT_EQ(E_INVALIDARG, MakeBuffer(BufferDesc(0, D3D11_BIND_SHADER_RESOURCE)));
    EXPECT_EQ(E_INVALIDARG, MakeBuffer(BufferDesc(64, D3D11_BIND_VERTEX_BUFFER, D3D11_USAGE_STAGING,
                                                  D3D11_CPU_ACCESS_READ)));
    EXPECT_EQ(E_INVALIDARG, MakeBuffer(BufferDesc(64, 0, D3D11_USAGE_STAGING, 0)));
    EXPECT_EQ(E_INVALIDARG, MakeBuffer(BufferDesc(64, D3D11_BIND_VERTEX_BUFFER, D3D11_USAGE_DEFAULT,
                                                  D3D11_CPU_ACCESS_READ)));
    EXPECT_EQ(E_INVALIDARG, MakeBuffer(BufferDesc(64, D3D11_BIND_VERTEX_BUFFER, D3D11_USAGE_IMMUTABLE)));
    EXPECT_EQ(E_INVALIDARG, MakeBuffer(BufferDesc(64, D3D11_BIND_UNORDERED_ACCESS, D3D11_USAGE_DYNAMIC,
                                                  D3D11_CPU_ACCESS_WRITE)));
    EXPECT_EQ(E_INVALIDARG, MakeBuffer(BufferDesc(40, D3D11_BIND_CONSTANT_BUFFER)));
    EXPECT_EQ(E_INVALIDARG, MakeBuffer(BufferDesc(64, D3D11_BIND_CONSTANT_BUFFER | D3D11_BIND_SHADER_RESOURCE)));
    // Structured buffers need a stride that divides the size.
    const UINT structured = D3D11_RESOURCE_MISC_BUFFER_STRUCTURED;
    EXPECT_EQ(E_INVALIDARG, MakeBuffer(BufferDesc(64, D3D11_BIND_SHADER_RESOURCE, D3D11_USAGE_DEFAULT, 0, structured, 0)));
    EXPECT_EQ(E_INVALIDARG, MakeBuffer(BufferDesc(64, D3D11_BIND_SHADER_RESOURCE, D3D11_USAGE_DEFAULT, 0, structured, 24)));
    EXPECT_EQ(E_INVALIDARG, MakeBuffer(BufferDesc(64, D3D11_BIND_VERTEX_BUFFER, D3D11_USAGE_DEFAULT, 0, structured, 16)));

    EXPECT_EQ(S_OK, MakeBuffer(BufferDesc(144, D3D11_BIND_INDEX_BUFFER | D3D11_BIND_VERTEX_BUFFER)));
    EXPECT_EQ(S_OK, MakeBuffer(BufferDesc(72, D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS,
                                          D3D11_USAGE_DEFAULT, 0, structured, 24)));
    EXPECT_EQ(S_OK, MakeBuffer(BufferDesc(16, 0, D3D11_USAGE_STAGING, D3D11_CPU_ACCESS_READ, structured, 4)));
    D3D11_BUFFER_DESC read{};
    buffer->GetDesc(&read);
    EXPECT_EQ(16u, read.ByteWidth);
    EXPECT_EQ(D3D11_USAGE_STAGING, read.Usage);
    EXPECT_EQ(4u, read.StructureByteStride);
    EXPECT_EQ(64u, read.MiscFlags);
}

TEST_F(ResourceCreation, ValidationOnlyWithoutOutPointer)
{
    const D3D11_BUFFER_DESC good = BufferDesc(16, D3D11_BIND_VERTEX_BUFFER);
    const D3D11_BUFFER_DESC bad = BufferDesc(0, D3D11_BIND_VERTEX_BUFFER);
    const ULONG before = Count(device.Get());
    EXPECT_EQ(S_FALSE, device->CreateBuffer(&good, nullptr, nullptr));
    EXPECT_EQ(E_INVALIDARG, device->CreateBuffer(&bad, nullptr, nullptr));
    EXPECT_EQ(before, Count(device.Get()));
}

TEST_F(ResourceCreation, BufferInitialDataIsCopied)
{
    const std::vector<std::uint32_t> values = {1, 2, 3, 4};
    ASSERT_EQ(S_OK, MakeBuffer(BufferDesc(16, D3D11_BIND_VERTEX_BUFFER, D3D11_USAGE_IMMUTABLE), values.data()));
    ComPtr<ID3D11Buffer> staging;
    const D3D11_BUFFER_DESC desc = BufferDesc(16, 0, D3D11_USAGE_STAGING, D3D11_CPU_ACCESS_READ);
    ASSERT_EQ(S_OK, device->CreateBuffer(&desc, nullptr, staging.ReleaseAndGetAddressOf()));
    context->CopyResource(staging.Get(), buffer.Get());
    D3D11_MAPPED_SUBRESOURCE mapped{};
    ASSERT_EQ(S_OK, context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped));
    EXPECT_EQ(0, std::memcmp(values.data(), mapped.pData, 16));
    context->Unmap(staging.Get(), 0);
}

TEST_F(ResourceCreation, MipCountZeroIsTheFullChain)
{
    ASSERT_EQ(S_OK, MakeTexture(Texture2DDesc(256, 256, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, 0)));
    D3D11_TEXTURE2D_DESC read{};
    texture->GetDesc(&read);
    EXPECT_EQ(9u, read.MipLevels);

    ASSERT_EQ(S_OK, MakeTexture(Texture2DDesc(256, 64, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, 0)));
    texture->GetDesc(&read);
    EXPECT_EQ(9u, read.MipLevels);  // down to 1x1: the longer side decides

    EXPECT_EQ(E_INVALIDARG, MakeTexture(Texture2DDesc(256, 64, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, 10)));

    D3D11_TEXTURE3D_DESC volume{32, 8, 4, 0, DXGI_FORMAT_R32G32B32A32_UINT, D3D11_USAGE_DEFAULT,
                                D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_UNORDERED_ACCESS, 0, 0};
    ComPtr<ID3D11Texture3D> texture3D;
    ASSERT_EQ(S_OK, device->CreateTexture3D(&volume, nullptr, texture3D.ReleaseAndGetAddressOf()));
    texture3D->GetDesc(&volume);
    EXPECT_EQ(6u, volume.MipLevels);
}

TEST_F(ResourceCreation, TextureRules)
{
    const DXGI_FORMAT rgba = DXGI_FORMAT_R8G8B8A8_UNORM;
    EXPECT_EQ(E_INVALIDARG, MakeTexture(Texture2DDesc(0, 4, rgba, D3D11_BIND_SHADER_RESOURCE)));
    EXPECT_EQ(E_INVALIDARG, MakeTexture(Texture2DDesc(4, 4, DXGI_FORMAT_UNKNOWN, D3D11_BIND_SHADER_RESOURCE)));
    EXPECT_EQ(E_INVALIDARG, MakeTexture(Texture2DDesc(16385, 4, rgba, D3D11_BIND_SHADER_RESOURCE)));
    EXPECT_EQ(E_INVALIDARG, MakeTexture(Texture2DDesc(4, 4, rgba, D3D11_BIND_SHADER_RESOURCE, 1, 0)));
    // Depth-stencil binding needs a depth format; a typed depth format cannot be read.
    EXPECT_EQ(E_INVALIDARG, MakeTexture(Texture2DDesc(4, 4, rgba, D3D11_BIND_DEPTH_STENCIL)));
    EXPECT_EQ(E_INVALIDARG, MakeTexture(Texture2DDesc(4, 4, DXGI_FORMAT_D24_UNORM_S8_UINT,
                                                      D3D11_BIND_DEPTH_STENCIL | D3D11_BIND_SHADER_RESOURCE)));
    EXPECT_EQ(E_INVALIDARG, MakeTexture(Texture2DDesc(4, 4, DXGI_FORMAT_D32_FLOAT, D3D11_BIND_RENDER_TARGET)));
    EXPECT_EQ(S_OK, MakeTexture(Texture2DDesc(4, 4, DXGI_FORMAT_R24G8_TYPELESS,
                                              D3D11_BIND_DEPTH_STENCIL | D3D11_BIND_SHADER_RESOURCE)));
    EXPECT_EQ(S_OK, MakeTexture(Texture2DDesc(4, 4, DXGI_FORMAT_D24_UNORM_S8_UINT, D3D11_BIND_DEPTH_STENCIL)));
    // Staging: no bind flags, some CPU access.
    D3D11_TEXTURE2D_DESC staging = StagingDesc(4, 4, rgba);
    EXPECT_EQ(S_OK, MakeTexture(staging));
    staging.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    EXPECT_EQ(E_INVALIDARG, MakeTexture(staging));
    staging = StagingDesc(4, 4, rgba, 0);
    EXPECT_EQ(E_INVALIDARG, MakeTexture(staging));
    // Several samples: one mip, a render or depth target, no initial data.
    D3D11_TEXTURE2D_DESC multi = Texture2DDesc(8, 8, rgba, D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE);
    multi.SampleDesc = {4, 0};
    EXPECT_EQ(S_OK, MakeTexture(multi));
    multi.SampleDesc = {4, 1};
    EXPECT_EQ(E_INVALIDARG, MakeTexture(multi));
    multi.SampleDesc = {3, 0};
    EXPECT_EQ(E_INVALIDARG, MakeTexture(multi));
    multi.SampleDesc = {4, 0};
    multi.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    EXPECT_EQ(E_INVALIDARG, MakeTexture(multi));
    // Block-compressed sides are multiples of 4.
    EXPECT_EQ(S_OK, MakeTexture(Texture2DDesc(8, 8, DXGI_FORMAT_BC1_UNORM, D3D11_BIND_SHADER_RESOURCE)));
    EXPECT_EQ(E_INVALIDARG, MakeTexture(Texture2DDesc(6, 8, DXGI_FORMAT_BC1_UNORM, D3D11_BIND_SHADER_RESOURCE)));
}

TEST_F(ResourceCreation, InitialDataPerSubresourceWithItsPitch)
{
    // Two mips of a 4x2 R8 texture: rows given with a pitch of 8 bytes.
    const std::uint8_t level0[16] = {1, 2, 3, 4, 0xEE, 0xEE, 0xEE, 0xEE, 5, 6, 7, 8, 0xEE, 0xEE, 0xEE, 0xEE};
    const std::uint8_t level1[2] = {9, 10};
    const D3D11_SUBRESOURCE_DATA data[2] = {{level0, 8, 0}, {level1, 2, 0}};
    ASSERT_EQ(S_OK, MakeTexture(Texture2DDesc(4, 2, DXGI_FORMAT_R8_UNORM, D3D11_BIND_SHADER_RESOURCE, 2), data));

    ComPtr<ID3D11Texture2D> staging;
    D3D11_TEXTURE2D_DESC desc = StagingDesc(4, 2, DXGI_FORMAT_R8_UNORM);
    desc.MipLevels = 2;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, staging.ReleaseAndGetAddressOf()));
    context->CopyResource(staging.Get(), texture.Get());
    D3D11_MAPPED_SUBRESOURCE mapped{};
    ASSERT_EQ(S_OK, context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped));
    ASSERT_GE(mapped.RowPitch, 4u);
    const auto* bytes = static_cast<const std::uint8_t*>(mapped.pData);
    EXPECT_EQ(std::vector<std::uint8_t>({1, 2, 3, 4}), std::vector<std::uint8_t>(bytes, bytes + 4));
    EXPECT_EQ(std::vector<std::uint8_t>({5, 6, 7, 8}),
              std::vector<std::uint8_t>(bytes + mapped.RowPitch, bytes + mapped.RowPitch + 4));
    context->Unmap(staging.Get(), 0);
    ASSERT_EQ(S_OK, context->Map(staging.Get(), 1, D3D11_MAP_READ, 0, &mapped));
    EXPECT_EQ(9, static_cast<const std::uint8_t*>(mapped.pData)[0]);
    EXPECT_EQ(10, static_cast<const std::uint8_t*>(mapped.pData)[1]);
    context->Unmap(staging.Get(), 1);

    // A pitch shorter than a row, or a missing pointer, is refused.
    const D3D11_SUBRESOURCE_DATA shortPitch[2] = {{level0, 3, 0}, {level1, 2, 0}};
    EXPECT_EQ(E_INVALIDARG, MakeTexture(Texture2DDesc(4, 2, DXGI_FORMAT_R8_UNORM, D3D11_BIND_SHADER_RESOURCE, 2),
                                        shortPitch));
    const D3D11_SUBRESOURCE_DATA missing[2] = {{level0, 8, 0}, {nullptr, 2, 0}};
    EXPECT_EQ(E_INVALIDARG, MakeTexture(Texture2DDesc(4, 2, DXGI_FORMAT_R8_UNORM, D3D11_BIND_SHADER_RESOURCE, 2),
                                        missing));
}

}  // namespace
