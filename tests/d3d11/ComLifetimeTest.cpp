// Reference counts of the software device: what holds what, and who dies when.

#include "tests/d3d11/DeviceFixture.h"

namespace {

using qz::test::ComPtr;
using qz::test::DeviceTest;

TEST_F(DeviceTest, ContextReferencesAreDeviceReferences)
{
    const ULONG before = Count(device.Get());
    ID3D11DeviceContext* again = nullptr;
    device->GetImmediateContext(&again);
    EXPECT_EQ(context.Get(), again);
    EXPECT_EQ(before + 1, Count(device.Get()));
    again->Release();
    EXPECT_EQ(before, Count(device.Get()));

    ID3D11Device* owner = nullptr;
    context->GetDevice(&owner);
    EXPECT_EQ(device.Get(), owner);
    EXPECT_EQ(before, owner->Release());
}

TEST_F(DeviceTest, ChildrenHoldTheirDeviceWhileTheyHaveReferences)
{
    const ULONG before = Count(device.Get());
    const D3D11_BUFFER_DESC desc = BufferDesc(64, D3D11_BIND_VERTEX_BUFFER);
    ID3D11Buffer* buffer = nullptr;
    ASSERT_EQ(S_OK, device->CreateBuffer(&desc, nullptr, &buffer));
    EXPECT_EQ(before + 1, Count(device.Get()));
    EXPECT_EQ(2u, buffer->AddRef());
    EXPECT_EQ(1u, buffer->Release());

    ID3D11Device* owner = nullptr;
    buffer->GetDevice(&owner);
    EXPECT_EQ(device.Get(), owner);
    owner->Release();

    EXPECT_EQ(0u, buffer->Release());
    EXPECT_EQ(before, Count(device.Get()));
}

TEST_F(DeviceTest, Texture2DAnswersAsSurfaceOfTheSameObject)
{
    const D3D11_TEXTURE2D_DESC desc = Texture2DDesc(32, 16, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, D3D11_BIND_RENDER_TARGET);
    ComPtr<ID3D11Texture2D> texture;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, texture.ReleaseAndGetAddressOf()));

    IDXGISurface* surface = nullptr;
    ASSERT_EQ(S_OK, texture->QueryInterface(__uuidof(IDXGISurface), reinterpret_cast<void**>(&surface)));
    EXPECT_EQ(2u, Count(texture.Get()));
    DXGI_SURFACE_DESC surfaceDesc{};
    ASSERT_EQ(S_OK, surface->GetDesc(&surfaceDesc));
    EXPECT_EQ(32u, surfaceDesc.Width);
    EXPECT_EQ(16u, surfaceDesc.Height);
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, surfaceDesc.Format);
    EXPECT_EQ(1u, surfaceDesc.SampleDesc.Count);

    // Both faces give one identity.
    IUnknown* fromSurface = nullptr;
    IUnknown* fromTexture = nullptr;
    ASSERT_EQ(S_OK, surface->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&fromSurface)));
    ASSERT_EQ(S_OK, texture->QueryInterface(__uuidof(IUnknown), reinterpret_cast<void**>(&fromTexture)));
    EXPECT_EQ(fromTexture, fromSurface);
    fromSurface->Release();
    fromTexture->Release();

    ID3D11Texture2D* back = nullptr;
    ASSERT_EQ(S_OK, surface->QueryInterface(__uuidof(ID3D11Texture2D), reinterpret_cast<void**>(&back)));
    EXPECT_EQ(texture.Get(), back);
    back->Release();
    EXPECT_EQ(1u, surface->Release());
}

TEST_F(DeviceTest, UnknownInterfaceGivesNoInterfaceAndNull)
{
    const D3D11_BUFFER_DESC desc = BufferDesc(16, D3D11_BIND_INDEX_BUFFER);
    ComPtr<ID3D11Buffer> buffer;
    ASSERT_EQ(S_OK, device->CreateBuffer(&desc, nullptr, buffer.ReleaseAndGetAddressOf()));
    void* surface = buffer.Get();
    EXPECT_EQ(E_NOINTERFACE, buffer->QueryInterface(__uuidof(IDXGISurface), &surface));
    EXPECT_EQ(nullptr, surface);
    EXPECT_EQ(E_POINTER, buffer->QueryInterface(__uuidof(IUnknown), nullptr));
    EXPECT_EQ(1u, Count(buffer.Get()));
}

TEST_F(DeviceTest, ViewKeepsItsResourceAfterTheLastReferenceToIt)
{
    const D3D11_TEXTURE2D_DESC desc = Texture2DDesc(8, 8, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE);
    ID3D11Texture2D* texture = nullptr;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, &texture));
    ComPtr<ID3D11ShaderResourceView> view;
    ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture, nullptr, view.ReleaseAndGetAddressOf()));
    EXPECT_EQ(0u, texture->Release());

    ID3D11Resource* resource = nullptr;
    view->GetResource(&resource);
    ASSERT_EQ(static_cast<ID3D11Resource*>(texture), resource);
    D3D11_TEXTURE2D_DESC read{};
    static_cast<ID3D11Texture2D*>(resource)->GetDesc(&read);
    EXPECT_EQ(8u, read.Width);
    EXPECT_EQ(0u, resource->Release());
}

TEST_F(DeviceTest, BoundObjectLivesUntilUnbound)
{
    const D3D11_TEXTURE2D_DESC desc = Texture2DDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE);
    ComPtr<ID3D11Texture2D> texture;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, texture.ReleaseAndGetAddressOf()));
    ID3D11ShaderResourceView* view = nullptr;
    ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), nullptr, &view));
    context->PSSetShaderResources(3, 1, &view);
    const ULONG deviceBefore = Count(device.Get());
    EXPECT_EQ(0u, view->Release());
    EXPECT_EQ(deviceBefore - 1, Count(device.Get()));

    ID3D11ShaderResourceView* bound = nullptr;
    context->PSGetShaderResources(3, 1, &bound);
    ASSERT_EQ(view, bound);
    EXPECT_EQ(deviceBefore, Count(device.Get()));
    D3D11_SHADER_RESOURCE_VIEW_DESC viewDesc{};
    bound->GetDesc(&viewDesc);
    EXPECT_EQ(D3D11_SRV_DIMENSION_TEXTURE2D, viewDesc.ViewDimension);
    EXPECT_EQ(0u, bound->Release());

    context->ClearState();
    context->PSGetShaderResources(3, 1, &bound);
    EXPECT_EQ(nullptr, bound);
}

// The device goes when the application has released all it holds, bindings or not;
// AddressSanitizer reports anything left behind.
TEST(DeviceLifetime, LastReleaseEndsDeviceWithEverythingStillBound)
{
    ID3D11Device* device = nullptr;
    ID3D11DeviceContext* context = nullptr;
    ASSERT_EQ(S_OK, D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                                      &device, nullptr, &context));
    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = desc.Height = 16;
    desc.MipLevels = desc.ArraySize = 1;
    desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc.Count = 1;
    desc.BindFlags = D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE;
    ID3D11Texture2D* texture = nullptr;
    ID3D11RenderTargetView* target = nullptr;
    ID3D11ShaderResourceView* view = nullptr;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, &texture));
    ASSERT_EQ(S_OK, device->CreateRenderTargetView(texture, nullptr, &target));
    ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture, nullptr, &view));
    context->OMSetRenderTargets(1, &target, nullptr);
    context->VSSetShaderResources(0, 1, &view);
    EXPECT_EQ(0u, view->Release());
    EXPECT_EQ(0u, target->Release());
    EXPECT_EQ(0u, texture->Release());
    EXPECT_EQ(1u, device->Release());  // the context's
    EXPECT_EQ(0u, context->Release());
}

TEST(DeviceCreation, FeatureLevels)
{
    ID3D11Device* device = nullptr;
    D3D_FEATURE_LEVEL level{};
    const D3D_FEATURE_LEVEL wanted[] = {D3D_FEATURE_LEVEL_11_1, D3D_FEATURE_LEVEL_11_0};
    ASSERT_EQ(S_OK, D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, wanted, 2, D3D11_SDK_VERSION,
                                      &device, &level, nullptr));
    EXPECT_EQ(D3D_FEATURE_LEVEL_11_0, level);
    EXPECT_EQ(D3D_FEATURE_LEVEL_11_0, device->GetFeatureLevel());
    EXPECT_EQ(45056u, static_cast<UINT>(device->GetFeatureLevel()));
    EXPECT_EQ(0u, device->Release());

    const D3D_FEATURE_LEVEL tooHigh[] = {D3D_FEATURE_LEVEL_11_1};
    device = reinterpret_cast<ID3D11Device*>(&level);
    EXPECT_EQ(DXGI_ERROR_UNSUPPORTED, D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, tooHigh, 1,
                                                        D3D11_SDK_VERSION, &device, nullptr, nullptr));
    EXPECT_EQ(nullptr, device);
}

}  // namespace
