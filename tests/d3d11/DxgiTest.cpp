// The DXGI side: one adapter with one output, and a swap chain whose sRGB back buffer
// is a render target that Present hands on.

#include "platform/d3d11/dxgi/Presenter.h"
#include "tests/d3d11/DeviceFixture.h"

#include <string>

namespace {

using qz::test::ComPtr;
using qz::test::DeviceTest;

class Dxgi : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        ASSERT_EQ(S_OK, CreateDXGIFactory1(__uuidof(IDXGIFactory1), reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())));
    }

    HRESULT MakeSwapChain(UINT width, UINT height, DXGI_FORMAT format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB)
    {
        DXGI_SWAP_CHAIN_DESC desc{};
        desc.BufferDesc = {width, height, {60, 1}, format, DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED,
                           DXGI_MODE_SCALING_UNSPECIFIED};
        desc.SampleDesc = {1, 0};
        desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
        desc.BufferCount = 2;
        desc.Windowed = TRUE;
        return factory->CreateSwapChain(device.Get(), &desc, swapChain.ReleaseAndGetAddressOf());
    }

    ComPtr<IDXGIFactory1> factory;
    ComPtr<IDXGISwapChain> swapChain;
};

TEST_F(Dxgi, OneAdapterWithOneOutput)
{
    IDXGIAdapter1* adapter = nullptr;
    ASSERT_EQ(S_OK, factory->EnumAdapters1(0, &adapter));
    DXGI_ADAPTER_DESC desc{};
    ASSERT_EQ(S_OK, adapter->GetDesc(&desc));
    EXPECT_EQ(std::wstring(L"Software Adapter"), desc.Description);
    EXPECT_GT(desc.DedicatedVideoMemory >> 20, 0u);

    IDXGIOutput* output = nullptr;
    ASSERT_EQ(S_OK, adapter->EnumOutputs(0, &output));
    DXGI_OUTPUT_DESC outputDesc{};
    EXPECT_EQ(S_OK, output->GetDesc(&outputDesc));
    EXPECT_EQ(1u, output->Release());  // the adapter keeps its own
    EXPECT_EQ(DXGI_ERROR_NOT_FOUND, adapter->EnumOutputs(1, &output));
    EXPECT_EQ(nullptr, output);
    EXPECT_EQ(1u, adapter->Release());

    adapter = reinterpret_cast<IDXGIAdapter1*>(this);
    EXPECT_EQ(DXGI_ERROR_NOT_FOUND, factory->EnumAdapters1(1, &adapter));
    EXPECT_EQ(nullptr, adapter);

    void* other = this;
    EXPECT_EQ(E_NOINTERFACE, CreateDXGIFactory1(__uuidof(IDXGISwapChain), &other));
    EXPECT_EQ(nullptr, other);
}

TEST_F(Dxgi, BackBufferIsAnSrgbRenderTargetKeptByTheSwapChain)
{
    const ULONG deviceBefore = Count(device.Get());
    ASSERT_EQ(S_OK, MakeSwapChain(64, 48));
    EXPECT_GT(Count(device.Get()), deviceBefore);

    ID3D11Texture2D* buffer = nullptr;
    ASSERT_EQ(S_OK, swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(&buffer)));
    D3D11_TEXTURE2D_DESC desc{};
    buffer->GetDesc(&desc);
    EXPECT_EQ(64u, desc.Width);
    EXPECT_EQ(48u, desc.Height);
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, desc.Format);
    EXPECT_NE(0u, desc.BindFlags & D3D11_BIND_RENDER_TARGET);
    EXPECT_EQ(2u, Count(buffer));
    EXPECT_EQ(1u, buffer->Release());

    IDXGISurface* surface = nullptr;
    ASSERT_EQ(S_OK, swapChain->GetBuffer(0, __uuidof(IDXGISurface), reinterpret_cast<void**>(&surface)));
    DXGI_SURFACE_DESC surfaceDesc{};
    ASSERT_EQ(S_OK, surface->GetDesc(&surfaceDesc));
    EXPECT_EQ(64u, surfaceDesc.Width);
    EXPECT_EQ(48u, surfaceDesc.Height);
    surface->Release();
    EXPECT_EQ(DXGI_ERROR_INVALID_CALL, swapChain->GetBuffer(1, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(&buffer)));

    IDXGIOutput* output = nullptr;
    IDXGIOutput* again = nullptr;
    ASSERT_EQ(S_OK, swapChain->GetContainingOutput(&output));
    const ULONG once = Count(output);
    ASSERT_EQ(S_OK, swapChain->GetContainingOutput(&again));
    EXPECT_EQ(output, again);
    EXPECT_EQ(once + 1, Count(output));
    again->Release();
    output->Release();
}

TEST_F(Dxgi, PresentHandsTheStoredSrgbBytesOn)
{
    ASSERT_EQ(S_OK, MakeSwapChain(4, 2));
    ComPtr<ID3D11Texture2D> buffer;
    ASSERT_EQ(S_OK, swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(buffer.ReleaseAndGetAddressOf())));
    ComPtr<ID3D11RenderTargetView> view;
    ASSERT_EQ(S_OK, device->CreateRenderTargetView(buffer.Get(), nullptr, view.ReleaseAndGetAddressOf()));
    const FLOAT half[4] = {0.5f, 0.0f, 1.0f, 1.0f};
    context->ClearRenderTargetView(view.Get(), half);

    d3d11sw::PresentedImage seen;
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(S_OK, d3d11sw::SetPresenter(swapChain.Get(), [&](const d3d11sw::PresentedImage& image) {
                  seen = image;
                  bytes.assign(reinterpret_cast<const std::uint8_t*>(image.pixels),
                               reinterpret_cast<const std::uint8_t*>(image.pixels) + 4);
              }));
    EXPECT_EQ(S_OK, swapChain->Present(1, 0));
    EXPECT_EQ(4u, seen.width);
    EXPECT_EQ(2u, seen.height);
    EXPECT_EQ(16u, seen.rowPitch);
    EXPECT_EQ(1u, seen.syncInterval);
    EXPECT_EQ(std::vector<std::uint8_t>({188, 0, 255, 255}), bytes);
    EXPECT_EQ(1u, d3d11sw::PresentCount(swapChain.Get()));
    EXPECT_EQ(DXGI_ERROR_INVALID_CALL, swapChain->Present(5, 0));
}

TEST_F(Dxgi, ResizeNeedsTheBackBufferToBeFree)
{
    ASSERT_EQ(S_OK, MakeSwapChain(32, 32));
    ComPtr<ID3D11Texture2D> buffer;
    ASSERT_EQ(S_OK, swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(buffer.ReleaseAndGetAddressOf())));
    EXPECT_EQ(DXGI_ERROR_INVALID_CALL, swapChain->ResizeBuffers(2, 64, 16, DXGI_FORMAT_UNKNOWN, 0));
    ComPtr<ID3D11RenderTargetView> view;
    ASSERT_EQ(S_OK, device->CreateRenderTargetView(buffer.Get(), nullptr, view.ReleaseAndGetAddressOf()));
    buffer.Reset();
    EXPECT_EQ(DXGI_ERROR_INVALID_CALL, swapChain->ResizeBuffers(2, 64, 16, DXGI_FORMAT_UNKNOWN, 0));
    // A view bound to the pipeline also holds it.
    ID3D11RenderTargetView* raw = view.Get();
    context->OMSetRenderTargets(1, &raw, nullptr);
    view.Reset();
    EXPECT_EQ(DXGI_ERROR_INVALID_CALL, swapChain->ResizeBuffers(2, 64, 16, DXGI_FORMAT_UNKNOWN, 0));
    context->OMSetRenderTargets(0, nullptr, nullptr);

    ASSERT_EQ(S_OK, swapChain->ResizeBuffers(2, 64, 16, DXGI_FORMAT_UNKNOWN, 0));
    DXGI_SWAP_CHAIN_DESC desc{};
    ASSERT_EQ(S_OK, swapChain->GetDesc(&desc));
    EXPECT_EQ(64u, desc.BufferDesc.Width);
    EXPECT_EQ(16u, desc.BufferDesc.Height);
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, desc.BufferDesc.Format);
    ASSERT_EQ(S_OK, swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(buffer.ReleaseAndGetAddressOf())));
    D3D11_TEXTURE2D_DESC textureDesc{};
    buffer->GetDesc(&textureDesc);
    EXPECT_EQ(64u, textureDesc.Width);
    EXPECT_EQ(16u, textureDesc.Height);
}

TEST_F(Dxgi, SwapChainDescriptionsAreChecked)
{
    EXPECT_EQ(DXGI_ERROR_INVALID_CALL, MakeSwapChain(0, 32));
    EXPECT_EQ(nullptr, swapChain.Get());
    EXPECT_EQ(DXGI_ERROR_INVALID_CALL, MakeSwapChain(32, 32, DXGI_FORMAT_R32_UINT));
    DXGI_SWAP_CHAIN_DESC desc{};
    IDXGISwapChain* made = nullptr;
    EXPECT_EQ(E_INVALIDARG, factory->CreateSwapChain(nullptr, &desc, &made));
    // Something that is not this layer's device.
    EXPECT_EQ(E_INVALIDARG, factory->CreateSwapChain(factory.Get(), &desc, &made));
}

}  // namespace
