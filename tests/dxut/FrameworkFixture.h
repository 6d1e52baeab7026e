#pragma once
// The window framework on SDL's offscreen driver, with every callback recorded.

#include "platform/dxut/DXUT.h"
#include "platform/dxut/FrameworkHooks.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace qz::test {

// What the callbacks saw, and what they are to do.
struct Recorder {
    std::vector<std::string> calls;
    std::vector<UINT> messages;
    // Called by each device and frame callback with its name; may throw or fail.
    std::function<HRESULT(const std::string&)> onCall;
    bool acceptable = true;
    bool keepSettings = true;
    bool recreateRemoved = true;
    std::function<void(DXUTDeviceSettings&)> modify;
    DXGI_SURFACE_DESC lastBackBuffer{};
    ID3D11Device* createdDevice = nullptr;  // with a reference of the test's own
    int frames = 0;

    HRESULT Record(const std::string& name)
    {
        calls.push_back(name);
        return onCall ? onCall(name) : S_OK;
    }

    // The calls from the first one with that name on.
    std::vector<std::string> CallsFrom(const std::string& name) const
    {
        for (std::size_t i = 0; i < calls.size(); ++i) {
            if (calls[i] == name) return {calls.begin() + static_cast<std::ptrdiff_t>(i), calls.end()};
        }
        return {};
    }
};

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        unsetenv(platform::dxut::ExitAfterFramesVariable);
        Register(recorder);
    }

    void TearDown() override
    {
        DXUTShutdown(0);
        unsetenv(platform::dxut::ExitAfterFramesVariable);
        if (recorder.createdDevice) {
            EXPECT_EQ(0u, recorder.createdDevice->Release()) << "the framework left a device reference behind";
        }
    }

    static void Register(Recorder& r)
    {
        DXUTSetCallbackDeviceChanging(
            [](DXUTDeviceSettings* settings, void* context) {
                auto& r = *static_cast<Recorder*>(context);
                r.Record("modify");
                if (r.modify) r.modify(*settings);
                return r.keepSettings;
            },
            &r);
        DXUTSetCallbackDeviceRemoved(
            [](void* context) {
                auto& r = *static_cast<Recorder*>(context);
                r.Record("removed");
                return r.recreateRemoved;
            },
            &r);
        DXUTSetCallbackD3D11DeviceAcceptable(
            [](const CD3D11EnumAdapterInfo*, UINT, const CD3D11EnumDeviceInfo*, DXGI_FORMAT, bool, void* context) {
                auto& r = *static_cast<Recorder*>(context);
                r.Record("acceptable");
                return r.acceptable;
            },
            &r);
        DXUTSetCallbackD3D11DeviceCreated(
            [](ID3D11Device* device, const DXGI_SURFACE_DESC*, void* context) {
                auto& r = *static_cast<Recorder*>(context);
                if (!r.createdDevice) {
                    r.createdDevice = device;
                    device->AddRef();
                }
                return r.Record("created");
            },
            &r);
        DXUTSetCallbackD3D11SwapChainResized(
            [](ID3D11Device*, IDXGISwapChain*, const DXGI_SURFACE_DESC* backBuffer, void* context) {
                auto& r = *static_cast<Recorder*>(context);
                r.lastBackBuffer = *backBuffer;
                return r.Record("resized");
            },
            &r);
        DXUTSetCallbackD3D11FrameRender(
            [](ID3D11Device*, ID3D11DeviceContext*, double, float, void* context) {
                auto& r = *static_cast<Recorder*>(context);
                ++r.frames;
                r.Record("render");
            },
            &r);
        DXUTSetCallbackD3D11SwapChainReleasing([](void* context) { static_cast<Recorder*>(context)->Record("releasing"); }, &r);
        DXUTSetCallbackD3D11DeviceDestroyed([](void* context) { static_cast<Recorder*>(context)->Record("destroyed"); }, &r);
        DXUTSetCallbackFrameMove([](double, float, void* context) { static_cast<Recorder*>(context)->Record("move"); }, &r);
        DXUTSetCallbackMsgProc(
            [](HWND, UINT message, WPARAM, LPARAM, bool*, void* context) -> LRESULT {
                static_cast<Recorder*>(context)->messages.push_back(message);
                return 0;
            },
            &r);
    }

    void CreateWindowAndDevice(int width = 320, int height = 200, bool windowed = true)
    {
        ASSERT_EQ(S_OK, DXUTCreateWindow(L"framework test"));
        ASSERT_EQ(S_OK, DXUTCreateDevice(D3D_FEATURE_LEVEL_11_0, windowed, width, height));
    }

    static void RunFrames(int frames)
    {
        setenv(platform::dxut::ExitAfterFramesVariable, std::to_string(frames).c_str(), 1);
        EXPECT_EQ(S_OK, DXUTMainLoop());
        unsetenv(platform::dxut::ExitAfterFramesVariable);
    }

    Recorder recorder;
};

}  // namespace qz::test
