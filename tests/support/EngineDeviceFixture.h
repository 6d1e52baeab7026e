#pragma once
// The engine root with its device on SDL's offscreen driver, for code that draws with the
// root's per-device data, and a colour target of its own (R8G8B8A8_UNORM, with a D32
// depth buffer) that a test draws into and reads back.

#include "platform/d3d11/com/ComPtr.h"
#include "platform/dxut/FrameworkHooks.h"
#include "tarnwick/engine/EngineRoot.h"
#include "tests/support/TextureReadBack.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace qz::test {

class EngineDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        unsetenv(platform::dxut::ExitAfterFramesVariable);
        std::ofstream("Settings.xml") << "<tarnwick-config><engine-settings><renderingdevice>"
                                         "<resolution typeid=\"1584490197\" value=\"[64, 64]\" />"
                                         "</renderingdevice></engine-settings></tarnwick-config>";
        char* arguments[] = {program_.data()};
        engine::QZRoot.StartUp(1, arguments);
        engine::QZRoot.renderingDevice->CreateDevice();
        device = engine::QZRoot.renderingDevice->CurrentDevice().device;
        context = engine::QZRoot.renderingDevice->CurrentDevice().immediateContext;
    }

    void TearDown() override
    {
        context->ClearState();
        target_.Reset();
        targetView_.Reset();
        depthView_.Reset();
        DXUTShutdown(0);
        engine::QZRoot.ShutDown();
        engine::QZRoot.deviceData.clear();
    }

    static dx11::ResourceTable& Resources() { return engine::QZRoot.CurrentDeviceData().resources; }

    // Binds a target of the size, cleared to the colour, with a cleared depth buffer and a
    // viewport over all of it.
    void MakeTarget(UINT width, UINT height, const float clear[4])
    {
        D3D11_TEXTURE2D_DESC desc{};
        desc.Width = width;
        desc.Height = height;
        desc.MipLevels = 1;
        desc.ArraySize = 1;
        desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
        desc.SampleDesc = {1, 0};
        desc.BindFlags = D3D11_BIND_RENDER_TARGET;
        ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, target_.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, device->CreateRenderTargetView(target_.Get(), nullptr, targetView_.ReleaseAndGetAddressOf()));
        desc.Format = DXGI_FORMAT_D32_FLOAT;
        desc.BindFlags = D3D11_BIND_DEPTH_STENCIL;
        d3d11sw::ComPtr<ID3D11Texture2D> depth;
        ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, depth.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, device->CreateDepthStencilView(depth.Get(), nullptr, depthView_.ReleaseAndGetAddressOf()));
        context->ClearRenderTargetView(targetView_.Get(), clear);
        context->ClearDepthStencilView(depthView_.Get(), D3D11_CLEAR_DEPTH, 1.0f, 0);
        ID3D11RenderTargetView* view = targetView_.Get();
        context->OMSetRenderTargets(1, &view, depthView_.Get());
        const D3D11_VIEWPORT viewport{0, 0, static_cast<float>(width), static_cast<float>(height), 0, 1};
        context->RSSetViewports(1, &viewport);
        width_ = width;
    }

    // The target's pixels, rows from the top, R in the low byte.
    std::vector<std::uint32_t> Pixels() { return ReadTexels<std::uint32_t>(context, target_.Get()); }

    std::uint32_t Pixel(const std::vector<std::uint32_t>& pixels, UINT x, UINT y) const
    {
        return pixels[std::size_t{y} * width_ + x];
    }

    static std::uint32_t Rgba(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a = 255)
    {
        return r | (g << 8) | (b << 16) | (a << 24);
    }

    ID3D11Device* device = nullptr;  // the root's
    ID3D11DeviceContext* context = nullptr;

private:
    std::string program_ = "renderer";
    d3d11sw::ComPtr<ID3D11Texture2D> target_;
    d3d11sw::ComPtr<ID3D11RenderTargetView> targetView_;
    d3d11sw::ComPtr<ID3D11DepthStencilView> depthView_;
    UINT width_ = 0;
};

}  // namespace qz::test
