// The framework's life cycle without a display: device callbacks in order, frames,
// resizes, failures and exceptions of callbacks, shutdown.

#include "tests/dxut/FrameworkFixture.h"

#include <SDL.h>

#include <cstring>
#include <stdexcept>

namespace {

using qz::test::FrameworkTest;
using Calls = std::vector<std::string>;

TEST_F(FrameworkTest, DeviceCallbacksFramesAndShutdownInOrder)
{
    CreateWindowAndDevice();
    EXPECT_EQ((Calls{"acceptable", "modify", "created", "resized"}), recorder.calls);
    EXPECT_EQ(320u, recorder.lastBackBuffer.Width);
    EXPECT_EQ(200u, recorder.lastBackBuffer.Height);
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, recorder.lastBackBuffer.Format) << "gamma-correct mode prefers sRGB";

    recorder.calls.clear();
    RunFrames(3);
    EXPECT_EQ((Calls{"move", "render", "move", "render", "move", "render"}), recorder.calls);
    ASSERT_FALSE(recorder.messages.empty());
    EXPECT_EQ(WM_CLOSE, recorder.messages.back()) << "the frame limit closes the window as the close button does";

    recorder.calls.clear();
    DXUTShutdown(0);
    EXPECT_EQ((Calls{"releasing", "destroyed"}), recorder.calls);
    EXPECT_EQ(nullptr, DXUTGetD3D11Device());
    EXPECT_EQ(nullptr, DXUTGetHWND());
}

TEST_F(FrameworkTest, ResizeReleasesThenResizesTheSwapChain)
{
    CreateWindowAndDevice();
    recorder.onCall = [&](const std::string& name) {
        if (name == "render" && recorder.frames == 2) {
            SDL_SetWindowSize(platform::dxut::Window(), 200, 120);
        }
        return S_OK;
    };
    recorder.calls.clear();
    RunFrames(4);
    EXPECT_EQ((Calls{"move", "render", "move", "render", "releasing", "resized", "move", "render", "move", "render"}),
              recorder.calls);
    EXPECT_EQ(200u, recorder.lastBackBuffer.Width);
    EXPECT_EQ(120u, recorder.lastBackBuffer.Height);
    D3D11_TEXTURE2D_DESC depth{};
    ID3D11Resource* resource = nullptr;
    DXUTGetD3D11DepthStencilView()->GetResource(&resource);
    static_cast<ID3D11Texture2D*>(resource)->GetDesc(&depth);
    resource->Release();
    EXPECT_EQ(200u, depth.Width) << "the automatic depth buffer follows the back buffer";
    EXPECT_EQ(200u, DXUTGetCurrentDeviceSettings()->d3d11.sd.BufferDesc.Width);
}

TEST_F(FrameworkTest, ModifiedSettingsShapeTheDevice)
{
    DXUTSetIsInGammaCorrectMode(false);
    recorder.modify = [](DXUTDeviceSettings& settings) {
        EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, settings.d3d11.sd.BufferDesc.Format);
        settings.d3d11.AutoDepthStencilFormat = DXGI_FORMAT_D32_FLOAT;
        settings.d3d11.sd.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
        settings.d3d11.sd.SampleDesc = {4, 0};
        settings.d3d11.SyncInterval = 0;
    };
    CreateWindowAndDevice(64, 48);
    const DXUTDeviceSettings* settings = DXUTGetCurrentDeviceSettings();
    ASSERT_NE(nullptr, settings);
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, settings->d3d11.sd.BufferDesc.Format);
    EXPECT_EQ(1u, settings->d3d11.sd.SampleDesc.Count) << "one sample per pixel is what the device draws";
    EXPECT_EQ(0u, settings->d3d11.SyncInterval);
    D3D11_DEPTH_STENCIL_VIEW_DESC depth{};
    DXUTGetD3D11DepthStencilView()->GetDesc(&depth);
    EXPECT_EQ(DXGI_FORMAT_D32_FLOAT, depth.Format);

    ID3D11RenderTargetView* bound = nullptr;
    ID3D11DepthStencilView* boundDepth = nullptr;
    DXUTGetD3D11DeviceContext()->OMGetRenderTargets(1, &bound, &boundDepth);
    EXPECT_EQ(DXUTGetD3D11RenderTargetView(), bound);
    EXPECT_EQ(DXUTGetD3D11DepthStencilView(), boundDepth);
    bound->Release();
    boundDepth->Release();
    EXPECT_EQ(std::wstring(L"0.00 fps Vsync off (64x48), R8G8B8A8_UNORM_SRGB (MS1, Q0)"), DXUTGetFrameStats(true));
    EXPECT_EQ(std::wstring(L"D3D11 Software Adapter (FL 11.0)"), DXUTGetDeviceStats());
}

TEST_F(FrameworkTest, RefusedDeviceOrSettingsCreateNothing)
{
    struct Case {
        bool acceptable;
        bool keep;
        HRESULT expected;
        Calls calls;
    };
    const Case cases[] = {
        {false, true, DXGI_ERROR_UNSUPPORTED, {"acceptable"}},
        {true, false, E_ABORT, {"acceptable", "modify"}},
    };
    for (const Case& c : cases) {
        recorder.calls.clear();
        recorder.acceptable = c.acceptable;
        recorder.keepSettings = c.keep;
        ASSERT_EQ(S_OK, DXUTCreateWindow(L"refused"));
        EXPECT_EQ(c.expected, DXUTCreateDevice(D3D_FEATURE_LEVEL_11_0, true, 32, 32));
        EXPECT_EQ(c.calls, recorder.calls);
        EXPECT_EQ(nullptr, DXUTGetD3D11Device());
    }
    recorder.calls.clear();
    recorder.acceptable = recorder.keepSettings = true;
    EXPECT_EQ(DXGI_ERROR_UNSUPPORTED, DXUTCreateDevice(D3D_FEATURE_LEVEL_11_1, true, 32, 32))
        << "feature level 11.1 is more than the device has";
    EXPECT_TRUE(recorder.calls.empty()) << "no candidate to ask about";
}

TEST_F(FrameworkTest, FailingCreatedCallbackIsFollowedByDestroyedAndLeavesNoDevice)
{
    recorder.onCall = [](const std::string& name) { return name == "created" ? E_OUTOFMEMORY : S_OK; };
    ASSERT_EQ(S_OK, DXUTCreateWindow(L"failing"));
    EXPECT_EQ(E_OUTOFMEMORY, DXUTCreateDevice(D3D_FEATURE_LEVEL_11_0, true, 32, 32));
    EXPECT_EQ((Calls{"acceptable", "modify", "created", "destroyed"}), recorder.calls);
    EXPECT_EQ(nullptr, DXUTGetD3D11Device());
    // TearDown checks that the test's reference is the last one.
}

TEST_F(FrameworkTest, ExceptionOfACreationCallbackArrivesAfterTheTeardown)
{
    recorder.onCall = [](const std::string& name) -> HRESULT {
        if (name == "resized") throw std::runtime_error("resized failed");
        return S_OK;
    };
    ASSERT_EQ(S_OK, DXUTCreateWindow(L"throwing"));
    try {
        DXUTCreateDevice(D3D_FEATURE_LEVEL_11_0, true, 32, 32);
        FAIL() << "the exception did not arrive";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ("resized failed", error.what());
    }
    EXPECT_EQ((Calls{"acceptable", "modify", "created", "resized", "releasing", "destroyed"}), recorder.calls);
    EXPECT_EQ(nullptr, DXUTGetD3D11Device());
}

TEST_F(FrameworkTest, ExceptionOfAFrameArrivesAtTheCallerOfTheLoopAfterTheTeardown)
{
    struct Thrown {
        int frame;
    };
    CreateWindowAndDevice();
    recorder.onCall = [&](const std::string& name) -> HRESULT {
        if (name == "render" && recorder.frames == 2) throw Thrown{2};
        return S_OK;
    };
    recorder.calls.clear();
    setenv(platform::dxut::ExitAfterFramesVariable, "10", 1);
    try {
        DXUTMainLoop();
        FAIL() << "the exception did not arrive";
    } catch (const Thrown& thrown) {
        EXPECT_EQ(2, thrown.frame);
    }
    EXPECT_EQ((Calls{"move", "render", "move", "render", "releasing", "destroyed"}), recorder.calls);
    EXPECT_EQ(nullptr, DXUTGetD3D11Device());
    recorder.calls.clear();
    DXUTShutdown(0);
    EXPECT_TRUE(recorder.calls.empty()) << "nothing is released twice";
}

TEST_F(FrameworkTest, ExceptionOfAMessageCallbackEndsTheLoop)
{
    CreateWindowAndDevice();
    DXUTSetCallbackKeyboard([](UINT key, bool, bool, void*) {
        if (key == 'K') throw std::logic_error("key");
    });
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.sym = SDLK_k;
    key.key.windowID = SDL_GetWindowID(platform::dxut::Window());
    SDL_PushEvent(&key);
    setenv(platform::dxut::ExitAfterFramesVariable, "50", 1);
    EXPECT_THROW(DXUTMainLoop(), std::logic_error);
    EXPECT_EQ((Calls{"releasing", "destroyed"}), recorder.CallsFrom("releasing"));
}

TEST_F(FrameworkTest, ExceptionOfATeardownCallbackArrivesFromShutdownAfterAllOfIt)
{
    CreateWindowAndDevice();
    recorder.onCall = [](const std::string& name) -> HRESULT {
        if (name == "releasing") throw std::runtime_error("releasing");
        return S_OK;
    };
    recorder.calls.clear();
    EXPECT_THROW(DXUTShutdown(0), std::runtime_error);
    EXPECT_EQ((Calls{"releasing", "destroyed"}), recorder.calls);
    EXPECT_EQ(nullptr, DXUTGetHWND());
}

TEST_F(FrameworkTest, RemovedDeviceIsCreatedAgainOrEndsTheLoop)
{
    CreateWindowAndDevice();
    recorder.calls.clear();
    platform::dxut::FailNextCall(platform::dxut::FrameworkCall::Present, DXGI_ERROR_DEVICE_REMOVED);
    RunFrames(2);
    EXPECT_EQ((Calls{"move", "render", "removed", "releasing", "destroyed", "modify", "created", "resized", "move", "render"}),
              recorder.calls);
    EXPECT_NE(nullptr, DXUTGetD3D11Device());
    DXUTShutdown(0);

    Register(recorder);
    recorder.recreateRemoved = false;
    CreateWindowAndDevice();
    recorder.calls.clear();
    platform::dxut::FailNextCall(platform::dxut::FrameworkCall::Present, DXGI_ERROR_DEVICE_REMOVED);
    RunFrames(5);
    EXPECT_EQ((Calls{"move", "render", "removed", "releasing", "destroyed"}), recorder.calls) << "not created again";
}

TEST_F(FrameworkTest, InjectedFailuresHitOnceAndCallsStayOrdered)
{
    using platform::dxut::FrameworkCall;
    platform::dxut::FailNextCall(FrameworkCall::Init, E_FAIL);
    EXPECT_EQ(E_FAIL, DXUTInit(false, false));
    EXPECT_EQ(S_OK, DXUTInit(false, false));
    platform::dxut::FailNextCall(FrameworkCall::CreateWindow, E_ACCESSDENIED);
    EXPECT_EQ(E_ACCESSDENIED, DXUTCreateWindow(L"x"));
    EXPECT_EQ(nullptr, DXUTGetHWND());
    EXPECT_EQ(DXGI_ERROR_INVALID_CALL, DXUTCreateDevice(D3D_FEATURE_LEVEL_11_0, true, 32, 32)) << "no window yet";
    ASSERT_EQ(S_OK, DXUTCreateWindow(L"x"));
    platform::dxut::FailNextCall(FrameworkCall::CreateDevice, E_OUTOFMEMORY);
    EXPECT_EQ(E_OUTOFMEMORY, DXUTCreateDevice(D3D_FEATURE_LEVEL_11_0, true, 32, 32));
    EXPECT_TRUE(recorder.calls.empty());
    EXPECT_EQ(S_OK, DXUTCreateDevice(D3D_FEATURE_LEVEL_11_0, true, 32, 32));
    EXPECT_EQ(DXGI_ERROR_INVALID_CALL, DXUTCreateDevice(D3D_FEATURE_LEVEL_11_0, true, 32, 32)) << "one device";
}

// A picture whose every pixel differs from its neighbours, in every channel.
std::vector<std::uint32_t> TestPattern(UINT width, UINT height)
{
    std::vector<std::uint32_t> pixels(width * height);
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x)
            pixels[y * width + x] = ((x * 7) & 255) | (((y * 13) & 255) << 8) | (((x + 3 * y) & 255) << 16) | 0xFF000000u;
    return pixels;
}

TEST_F(FrameworkTest, PresentedPictureReachesTheWindowSurface)
{
    CreateWindowAndDevice(96, 64);
    const std::vector<std::uint32_t> pattern = TestPattern(96, 64);
    int compared = 0;
    recorder.onCall = [&](const std::string& name) {
        if (name != "render") return S_OK;
        if (recorder.frames == 2) {
            // The window shows what the first frame presented.
            SDL_Surface* surface = SDL_GetWindowSurface(platform::dxut::Window());
            EXPECT_EQ(96, surface->w);
            SDL_LockSurface(surface);
            for (int y = 0; y < surface->h; ++y) {
                for (int x = 0; x < surface->w; ++x) {
                    Uint32 value = 0;
                    std::memcpy(&value, static_cast<Uint8*>(surface->pixels) + y * surface->pitch + x * surface->format->BytesPerPixel,
                                surface->format->BytesPerPixel);
                    Uint8 r, g, b;
                    SDL_GetRGB(value, surface->format, &r, &g, &b);
                    const std::uint32_t expected = pattern[y * 96 + x];
                    if (r != (expected & 255) || g != ((expected >> 8) & 255) || b != ((expected >> 16) & 255)) {
                        ADD_FAILURE() << "pixel " << x << ", " << y;
                        SDL_UnlockSurface(surface);
                        return S_OK;
                    }
                    ++compared;
                }
            }
            SDL_UnlockSurface(surface);
        }
        ID3D11Resource* backBuffer = nullptr;
        DXUTGetD3D11RenderTargetView()->GetResource(&backBuffer);
        DXUTGetD3D11DeviceContext()->UpdateSubresource(backBuffer, 0, nullptr, pattern.data(), 96 * 4, 0);
        backBuffer->Release();
        return S_OK;
    };
    RunFrames(2);
    EXPECT_EQ(96 * 64, compared);
}

TEST_F(FrameworkTest, WindowTitleAndSettings)
{
    CreateWindowAndDevice();
    EXPECT_STREQ("framework test", SDL_GetWindowTitle(platform::dxut::Window()));
    EXPECT_EQ(TRUE, SetWindowTextW(DXUTGetHWND(), L"Gr\u00fc\u00dfe @ 60.00 fps"));
    EXPECT_STREQ("Gr\xc3\xbc\xc3\x9f" "e @ 60.00 fps", SDL_GetWindowTitle(platform::dxut::Window()));
    EXPECT_EQ(FALSE, SetWindowTextW(reinterpret_cast<HWND>(&recorder), L"other"));

    DXUTSetMultimonSettings(true);
    DXUTSetCursorSettings(true, false);
    EXPECT_TRUE(DXUTGetMultimonSettings());
    EXPECT_TRUE(DXUTGetShowCursorWhenFullScreen());
    EXPECT_FALSE(DXUTGetClipCursorWhenFullScreen());
    EXPECT_TRUE(DXUTIsWindowed());
}

TEST_F(FrameworkTest, WithoutADisplayTheWindowIsKeptOffScreen)
{
    // Nothing names a video driver and no display is there: the framework falls back
    // to the offscreen driver by itself.
    struct Saved {
        const char* name;
        std::string value;
        bool set;
    };
    std::vector<Saved> saved;
    for (const char* name : {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        saved.push_back({name, value ? value : "", value != nullptr});
        unsetenv(name);
    }
    CreateWindowAndDevice(48, 32);
    RunFrames(2);
    EXPECT_EQ(2, recorder.frames);
    for (const Saved& s : saved) {
        if (s.set) setenv(s.name, s.value.c_str(), 1);
    }
}

TEST_F(FrameworkTest, UnusableFrameLimitIsIgnoredAndQuitClosesTheWindow)
{
    CreateWindowAndDevice();
    setenv(platform::dxut::ExitAfterFramesVariable, "-3", 1);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    testing::internal::CaptureStderr();
    EXPECT_EQ(S_OK, DXUTMainLoop());
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, errors.find("QZ_EXIT_AFTER_FRAMES=\"-3\" is not a number of frames")) << errors;
    ASSERT_FALSE(recorder.messages.empty());
    EXPECT_EQ(WM_CLOSE, recorder.messages.back());
    EXPECT_EQ(0, recorder.frames) << "the quit came before the first frame";
}

}  // namespace
