// Render-target textures: views, depth buffers, and Bind/Unbind leaving the pipeline
// and every reference count as they were.

#include "tarnwick/dx11/RenderTargetTexture2D.h"

#include "tests/d3d11/DeviceFixture.h"
#include "tests/support/LogCapture.h"

#include <array>
#include <cstring>

namespace {

using qz::dx11::RenderTargetTexture2D;
using qz::test::ComPtr;
using qz::test::DeviceTest;

class RenderTargets : public DeviceTest {
protected:
    ComPtr<ID3D11RenderTargetView> MakeView(UINT width, UINT height)
    {
        const D3D11_TEXTURE2D_DESC desc = Texture2DDesc(width, height, DXGI_FORMAT_R8G8B8A8_UNORM,
                                                        D3D11_BIND_RENDER_TARGET);
        ComPtr<ID3D11Texture2D> texture;
        ComPtr<ID3D11RenderTargetView> view;
        EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, texture.ReleaseAndGetAddressOf()));
        EXPECT_EQ(S_OK, device->CreateRenderTargetView(texture.Get(), nullptr, view.ReleaseAndGetAddressOf()));
        return view;
    }

    struct Bindings {
        std::array<ID3D11RenderTargetView*, 8> targets{};
        ID3D11DepthStencilView* depth = nullptr;
        UINT viewportCount = 0;
        D3D11_VIEWPORT viewport{};

        bool operator==(const Bindings& other) const
        {
            return targets == other.targets && depth == other.depth && viewportCount == other.viewportCount &&
                   (viewportCount == 0 || std::memcmp(&viewport, &other.viewport, sizeof(viewport)) == 0);
        }
    };

    // What is bound, without keeping references.
    Bindings Bound()
    {
        Bindings bindings;
        context->OMGetRenderTargets(8, bindings.targets.data(), &bindings.depth);
        for (ID3D11RenderTargetView* view : bindings.targets) {
            if (view) {
                view->Release();
            }
        }
        if (bindings.depth) {
            bindings.depth->Release();
        }
        bindings.viewportCount = 1;
        context->RSGetViewports(&bindings.viewportCount, &bindings.viewport);
        return bindings;
    }
};

TEST_F(RenderTargets, ViewsInTheTexturesOwnFormatAndAViewportOverIt)
{
    RenderTargetTexture2D target;
    ASSERT_EQ(S_OK, target.Create(device.Get(), 64, 32, DXGI_FORMAT_R16G16B16A16_FLOAT, 1, true));
    EXPECT_EQ(1u, target.GetDesc().MipLevels);  // the mip-chain flag is ignored
    EXPECT_EQ(D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET, target.GetDesc().BindFlags);
    ASSERT_NE(nullptr, target.GetRenderTargetView());
    D3D11_RENDER_TARGET_VIEW_DESC view{};
    target.GetRenderTargetView()->GetDesc(&view);
    EXPECT_EQ(DXGI_FORMAT_R16G16B16A16_FLOAT, view.Format);
    EXPECT_EQ(D3D11_RTV_DIMENSION_TEXTURE2D, view.ViewDimension);
    const D3D11_VIEWPORT expected{0, 0, 64, 32, 0, 1};
    EXPECT_EQ(0, std::memcmp(&expected, &target.GetViewport(), sizeof(expected)));

    // One slice with the array flag: array texture views, a plain render-target view.
    ASSERT_EQ(S_OK, target.Create(device.Get(), 8, 8, DXGI_FORMAT_R8G8B8A8_UNORM, 1, false, nullptr, true));
    D3D11_SHADER_RESOURCE_VIEW_DESC srv{};
    target.GetShaderResourceView()->GetDesc(&srv);
    EXPECT_EQ(D3D11_SRV_DIMENSION_TEXTURE2DARRAY, srv.ViewDimension);
    target.GetRenderTargetView()->GetDesc(&view);
    EXPECT_EQ(D3D11_RTV_DIMENSION_TEXTURE2D, view.ViewDimension);
    ASSERT_EQ(S_OK, target.Create(device.Get(), 8, 8, DXGI_FORMAT_R8G8B8A8_UNORM, 4));
    target.GetRenderTargetView()->GetDesc(&view);
    EXPECT_EQ(D3D11_RTV_DIMENSION_TEXTURE2DARRAY, view.ViewDimension);
    EXPECT_EQ(4u, view.Texture2DArray.ArraySize);
}

TEST_F(RenderTargets, ViewFormatIsNeverUsedForTheRenderTargetView)
{
    // A typeless texture read as sRGB: its render-target view, in the typeless format of
    // the texture, is refused by the device, and that result is returned.
    RenderTargetTexture2D target;
    target.SetViewFormat(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB);
    EXPECT_EQ(E_INVALIDARG, target.Create(device.Get(), 8, 8, DXGI_FORMAT_R8G8B8A8_TYPELESS));
    ASSERT_NE(nullptr, target.GetShaderResourceView());  // made before the failure
    D3D11_SHADER_RESOURCE_VIEW_DESC srv{};
    target.GetShaderResourceView()->GetDesc(&srv);
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, srv.Format);
    EXPECT_EQ(nullptr, target.GetRenderTargetView());
}

TEST_F(RenderTargets, BindThenUnbindRestoresEverything)
{
    RenderTargetTexture2D target;
    ASSERT_EQ(S_OK, target.Create(device.Get(), 32, 16, DXGI_FORMAT_R8G8B8A8_UNORM));
    ASSERT_EQ(S_OK, target.CreateDepthBuffer(false, DXGI_FORMAT_D24_UNORM_S8_UINT));
    auto previous0 = MakeView(64, 64);
    auto previous3 = MakeView(64, 64);
    auto extra = MakeView(32, 16);
    const D3D11_TEXTURE2D_DESC depthDesc = Texture2DDesc(64, 64, DXGI_FORMAT_D32_FLOAT, D3D11_BIND_DEPTH_STENCIL);
    ComPtr<ID3D11Texture2D> depthTexture;
    ComPtr<ID3D11DepthStencilView> previousDepth;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&depthDesc, nullptr, depthTexture.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, device->CreateDepthStencilView(depthTexture.Get(), nullptr, previousDepth.ReleaseAndGetAddressOf()));
    ID3D11RenderTargetView* targets[4] = {previous0.Get(), nullptr, nullptr, previous3.Get()};
    context->OMSetRenderTargets(4, targets, previousDepth.Get());
    const D3D11_VIEWPORT viewport{1, 2, 64, 64, 0.25f, 0.75f};
    context->RSSetViewports(1, &viewport);

    const Bindings original = Bound();
    const auto counts = [&] {
        return std::array<ULONG, 5>{Count(previous0.Get()), Count(previous3.Get()), Count(previousDepth.Get()),
                                    Count(target.GetRenderTargetView()), Count(target.GetDepthStencilView())};
    };
    const std::array<ULONG, 5> before = counts();
    ID3D11RenderTargetView* additional[1] = {extra.Get()};
    target.Bind(context.Get(), additional, 1);
    const Bindings during = Bound();
    EXPECT_EQ(target.GetRenderTargetView(), during.targets[0]);
    EXPECT_EQ(extra.Get(), during.targets[1]);
    EXPECT_EQ(nullptr, during.targets[3]);
    EXPECT_EQ(target.GetDepthStencilView(), during.depth);
    EXPECT_EQ(32.0f, during.viewport.Width);

    target.Unbind(context.Get());
    EXPECT_TRUE(original == Bound());
    EXPECT_EQ(before, counts());

    // Twice in a row, then once more: still nothing gained or lost.
    target.Bind(context.Get());
    target.Bind(context.Get());
    target.Unbind(context.Get());
    EXPECT_EQ(target.GetRenderTargetView(), Bound().targets[0]);  // the state after the first Bind
    context->OMSetRenderTargets(4, targets, previousDepth.Get());
    EXPECT_EQ(before, counts());
}

TEST_F(RenderTargets, SevenAdditionalViewsAreBoundAndEightAreRefused)
{
    RenderTargetTexture2D target;
    ASSERT_EQ(S_OK, target.Create(device.Get(), 8, 8, DXGI_FORMAT_R8G8B8A8_UNORM));
    std::array<ComPtr<ID3D11RenderTargetView>, 8> owned;
    std::array<ID3D11RenderTargetView*, 8> extra{};
    for (std::size_t i = 0; i < owned.size(); ++i) {
        owned[i] = MakeView(8, 8);
        extra[i] = owned[i].Get();
    }
    // Without a viewport before, Unbind leaves none.
    const Bindings empty = Bound();
    ASSERT_EQ(0u, empty.viewportCount);
    target.Bind(context.Get());
    EXPECT_EQ(1u, Bound().viewportCount);
    target.Unbind(context.Get());
    EXPECT_TRUE(empty == Bound());

    auto previous = MakeView(64, 64);
    ID3D11RenderTargetView* before = previous.Get();
    context->OMSetRenderTargets(1, &before, nullptr);
    const D3D11_VIEWPORT viewport{0, 0, 64, 64, 0, 1};
    context->RSSetViewports(1, &viewport);
    const Bindings original = Bound();
    const ULONG count = Count(previous.Get());

    target.Bind(context.Get(), extra.data(), 7);
    EXPECT_EQ(extra[6], Bound().targets[7]);
    target.Unbind(context.Get());
    EXPECT_TRUE(original == Bound());

    qz::test::LogCapture log;
    target.Bind(context.Get(), extra.data(), 8);
    EXPECT_TRUE(original == Bound()) << "nothing bound";
    EXPECT_NE(std::string::npos, log.Text().find("Could not bind render target with 8 additional views: at most 7"))
        << log.Text();
    target.Unbind(context.Get());
    EXPECT_TRUE(original == Bound()) << "nothing to put back";
    EXPECT_EQ(count, Count(previous.Get()));
}

TEST_F(RenderTargets, DepthBuffers)
{
    RenderTargetTexture2D target;
    EXPECT_EQ(E_INVALIDARG, target.CreateDepthBuffer(false, DXGI_FORMAT_D32_FLOAT));  // no colour texture yet
    ASSERT_EQ(S_OK, target.Create(device.Get(), 16, 8, DXGI_FORMAT_R8G8B8A8_UNORM));
    ASSERT_EQ(S_OK, target.CreateDepthBuffer(false, DXGI_FORMAT_D24_UNORM_S8_UINT));
    D3D11_TEXTURE2D_DESC depth{};
    target.GetDepthTexture()->GetDesc(&depth);
    EXPECT_EQ(16u, depth.Width);
    EXPECT_EQ(8u, depth.Height);
    EXPECT_EQ(DXGI_FORMAT_D24_UNORM_S8_UINT, depth.Format);
    EXPECT_EQ(64u, depth.BindFlags);
    EXPECT_EQ(nullptr, target.GetDepthShaderResourceView());

    // A readable one: a typeless texture with typed depth and colour views.
    ASSERT_EQ(S_OK, target.CreateDepthBuffer(true, DXGI_FORMAT_D24_UNORM_S8_UINT));
    target.GetDepthTexture()->GetDesc(&depth);
    EXPECT_EQ(DXGI_FORMAT_R24G8_TYPELESS, depth.Format);
    EXPECT_EQ(72u, depth.BindFlags);
    D3D11_DEPTH_STENCIL_VIEW_DESC depthView{};
    target.GetDepthStencilView()->GetDesc(&depthView);
    EXPECT_EQ(DXGI_FORMAT_D24_UNORM_S8_UINT, depthView.Format);
    EXPECT_EQ(D3D11_DSV_DIMENSION_TEXTURE2D, depthView.ViewDimension);
    ASSERT_NE(nullptr, target.GetDepthShaderResourceView());
    D3D11_SHADER_RESOURCE_VIEW_DESC readView{};
    target.GetDepthShaderResourceView()->GetDesc(&readView);
    EXPECT_EQ(DXGI_FORMAT_R24_UNORM_X8_TYPELESS, readView.Format);
    EXPECT_EQ(1u, readView.Texture2D.MipLevels);
}

TEST_F(RenderTargets, SharedDepthViews)
{
    RenderTargetTexture2D owner;
    RenderTargetTexture2D sharer;
    ASSERT_EQ(S_OK, owner.Create(device.Get(), 8, 8, DXGI_FORMAT_R8G8B8A8_UNORM));
    ASSERT_EQ(S_OK, owner.CreateDepthBuffer(false, DXGI_FORMAT_D32_FLOAT));
    ASSERT_EQ(S_OK, sharer.Create(device.Get(), 8, 8, DXGI_FORMAT_R8G8B8A8_UNORM));
    ID3D11DepthStencilView* depth = owner.GetDepthStencilView();
    sharer.SetDepthStencilView(depth);
    EXPECT_EQ(2u, Count(depth));
    sharer.SetDepthStencilView(depth);  // the view already held
    EXPECT_EQ(2u, Count(depth));
    sharer.SetDepthStencilView(nullptr);
    EXPECT_EQ(1u, Count(depth));
}

TEST_F(RenderTargets, ReleaseCopiesAndDestructionGiveEverythingBack)
{
    const ULONG deviceBefore = Count(device.Get());
    {
        RenderTargetTexture2D target;
        ASSERT_EQ(S_OK, target.Create(device.Get(), 8, 8, DXGI_FORMAT_R8G8B8A8_UNORM));
        ASSERT_EQ(S_OK, target.CreateDepthBuffer(true, DXGI_FORMAT_D32_FLOAT));
        target.Bind(context.Get());
        RenderTargetTexture2D copy(target);
        EXPECT_EQ(2u, Count(target.GetRenderTargetView()));  // the binding holds no public one
        EXPECT_EQ(target.GetDepthTexture(), copy.GetDepthTexture());
        target.Unbind(context.Get());
        copy.Release();
        EXPECT_EQ(nullptr, copy.GetRenderTargetView());
        EXPECT_EQ(nullptr, copy.GetDepthStencilView());
        EXPECT_EQ(nullptr, copy.GetTexture());
        // The original is destroyed without Release.
    }
    context->ClearState();
    EXPECT_EQ(deviceBefore, Count(device.Get()));
}

}  // namespace
