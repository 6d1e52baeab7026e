// The window framework in a real X server (the test runs under xvfb-run): input from
// xdotool reaches the callbacks as window messages, a resize reaches the swap chain, a
// screenshot taken with xwd equals the presented back buffer, and the window manager's
// close request ends the loop.

#include "platform/dxut/DXUT.h"
#include "platform/dxut/FrameworkHooks.h"
#include "tests/dxut/ChildProcess.h"
#include "tests/dxut/XWindowTools.h"
#include "tests/dxut/XwdImage.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

struct KeyCall {
    UINT key;
    bool down;
    bool ctrlInCamera;
};

struct MouseCall {
    bool left;
    bool right;
    int wheel;
    int x;
    int y;
};

struct Message {
    UINT message;
    WPARAM wParam;
};

// A step of the script: start something, then wait until its effect is seen.
struct Step {
    std::string name;
    std::function<void()> start;
    std::function<bool()> done;
};

class XServerScene {
public:
    std::vector<KeyCall> keys;
    std::vector<MouseCall> mouse;
    std::vector<Message> messages;
    std::vector<std::pair<UINT, UINT>> resizes;
    std::vector<std::uint32_t> presented;  // RGBA of the back buffer after a frame was drawn
    UINT presentedWidth = 0;
    UINT presentedHeight = 0;
    bool capture = false;
    int frames = 0;
    CFirstPersonCamera camera;
    CDXUTDialogResourceManager manager;

    std::vector<Step> steps;
    std::size_t step = 0;
    std::unique_ptr<qz::test::ChildProcess> child;
    Clock::time_point deadline;

    void Register()
    {
        DXUTSetCallbackKeyboard(
            [](UINT key, bool down, bool, void* context) {
                auto& scene = *static_cast<XServerScene*>(context);
                scene.keys.push_back({key, down, scene.camera.IsKeyDown(CameraKeyControlDown)});
            },
            this);
        DXUTSetCallbackMouse(
            [](bool left, bool right, bool, bool, bool, int wheel, int x, int y, void* context) {
                static_cast<XServerScene*>(context)->mouse.push_back({left, right, wheel, x, y});
            },
            true, this);
        DXUTSetCallbackMsgProc(
            [](HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool*, void* context) -> LRESULT {
                auto& scene = *static_cast<XServerScene*>(context);
                scene.messages.push_back({message, wParam});
                return scene.camera.HandleMessages(window, message, wParam, lParam);
            },
            this);
        DXUTSetCallbackD3D11DeviceCreated(
            [](ID3D11Device* device, const DXGI_SURFACE_DESC*, void* context) {
                ID3D11DeviceContext* immediate = nullptr;
                device->GetImmediateContext(&immediate);
                const HRESULT result = static_cast<XServerScene*>(context)->manager.OnD3D11CreateDevice(device, immediate);
                immediate->Release();
                return result;
            },
            this);
        DXUTSetCallbackD3D11SwapChainResized(
            [](ID3D11Device*, IDXGISwapChain*, const DXGI_SURFACE_DESC* backBuffer, void* context) {
                auto& scene = *static_cast<XServerScene*>(context);
                scene.resizes.emplace_back(backBuffer->Width, backBuffer->Height);
                scene.manager.m_nBackBufferWidth = static_cast<int>(backBuffer->Width);
                scene.manager.m_nBackBufferHeight = static_cast<int>(backBuffer->Height);
                return S_OK;
            },
            this);
        DXUTSetCallbackD3D11DeviceDestroyed([](void* context) { static_cast<XServerScene*>(context)->manager.OnD3D11DestroyDevice(); }, this);
        DXUTSetCallbackD3D11FrameRender(
            [](ID3D11Device* device, ID3D11DeviceContext* immediate, double, float, void* context) {
                static_cast<XServerScene*>(context)->Render(device, immediate);
            },
            this);
        DXUTSetCallbackFrameMove([](double, float elapsed, void* context) {
            auto& scene = *static_cast<XServerScene*>(context);
            scene.camera.FrameMove(elapsed);
            scene.Advance();
        }, this);
    }

    // A picture with a different value in every channel of neighbouring pixels, and text.
    void Render(ID3D11Device* device, ID3D11DeviceContext* immediate)
    {
        ++frames;
        const DXGI_SURFACE_DESC* size = DXUTGetDXGIBackBufferSurfaceDesc();
        std::vector<std::uint32_t> pattern(size->Width * size->Height);
        for (UINT y = 0; y < size->Height; ++y)
            for (UINT x = 0; x < size->Width; ++x)
                pattern[y * size->Width + x] = ((x * 5) & 255) | (((y * 3) & 255) << 8) | (((x ^ y) & 255) << 16) | 0xFF000000u;
        ID3D11Resource* backBuffer = nullptr;
        DXUTGetD3D11RenderTargetView()->GetResource(&backBuffer);
        immediate->UpdateSubresource(backBuffer, 0, nullptr, pattern.data(), size->Width * 4, 0);
        CDXUTTextHelper text(device, immediate, &manager, 16);
        text.Begin();
        text.SetInsertionPos(10, 10);
        text.DrawTextLine(L"Window in an X server: 0123456789 {}");
        text.End();
        if (capture) {
            capture = false;
            ReadBack(device, immediate, backBuffer, size->Width, size->Height);
        }
        backBuffer->Release();
    }

    void ReadBack(ID3D11Device* device, ID3D11DeviceContext* immediate, ID3D11Resource* backBuffer, UINT width, UINT height)
    {
        D3D11_TEXTURE2D_DESC desc{width, height, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, {1, 0}, D3D11_USAGE_STAGING, 0,
                                  D3D11_CPU_ACCESS_READ, 0};
        ID3D11Texture2D* staging = nullptr;
        ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, &staging));
        immediate->CopyResource(staging, backBuffer);
        D3D11_MAPPED_SUBRESOURCE mapped{};
        ASSERT_EQ(S_OK, immediate->Map(staging, 0, D3D11_MAP_READ, 0, &mapped));
        presented.resize(width * height);
        for (UINT y = 0; y < height; ++y)
            std::memcpy(&presented[y * width], static_cast<const std::byte*>(mapped.pData) + y * mapped.RowPitch, width * 4);
        immediate->Unmap(staging, 0);
        staging->Release();
        presentedWidth = width;
        presentedHeight = height;
    }

    // One pass of the script per frame; nothing here blocks the loop.
    void Advance()
    {
        if (step >= steps.size()) return;
        Step& current = steps[step];
        if (!child && deadline == Clock::time_point{}) {
            deadline = Clock::now() + std::chrono::seconds(20);
            current.start();
        }
        if (child && child->Finished()) {
            EXPECT_TRUE(child->Succeeded()) << child->Program() << " failed in step " << current.name;
        }
        const bool programDone = !child || child->Finished();
        if (programDone && current.done()) {
            child.reset();
            deadline = {};
            ++step;
        } else if (Clock::now() > deadline) {
            ADD_FAILURE() << "step \"" << current.name << "\" did not finish";
            child.reset();
            deadline = {};
            step = steps.size() - 1;  // the close request
        }
    }

    void Run(std::vector<std::string> command) { child = std::make_unique<qz::test::ChildProcess>(std::move(command)); }

    bool Saw(UINT message) const
    {
        return std::any_of(messages.begin(), messages.end(), [&](const Message& m) { return m.message == message; });
    }
};

TEST(WindowInXServer, InputResizeScreenshotAndClose)
{
    ASSERT_NE(nullptr, std::getenv("DISPLAY")) << "run under xvfb-run";
    unsetenv("SDL_VIDEODRIVER");
    // A script that fails cannot keep the loop running forever.
    setenv(platform::dxut::ExitAfterFramesVariable, "3600", 1);

    XServerScene scene;
    scene.Register();
    ASSERT_EQ(S_OK, DXUTCreateWindow(L"X server test"));
    ASSERT_EQ(S_OK, DXUTCreateDevice(D3D_FEATURE_LEVEL_11_0, true, 400, 300));
    const unsigned long window = qz::test::X11WindowOf(platform::dxut::Window());
    ASSERT_NE(0u, window) << "SDL chose another video driver";
    const std::string id = std::to_string(window);

    const std::string shot = "window-" + std::to_string(getpid()) + ".xwd";
    std::size_t keysBefore = 0;
    std::size_t framesAtResize = 0;
    scene.steps = {
        {"focus", [&] { scene.Run({"xdotool", "windowfocus", "--sync", id}); }, [] { return true; }},
        {"keys",
         [&] { scene.Run({"xdotool", "keydown", "ctrl", "key", "a", "keyup", "ctrl"}); },
         [&] {
             return std::any_of(scene.keys.begin(), scene.keys.end(),
                                [](const KeyCall& k) { return k.key == VK_CONTROL && !k.down; });
         }},
        {"drag and wheel",
         [&] {
             scene.Run({"xdotool", "mousemove", "--window", id, "40", "40", "mousedown", "1", "mousemove", "--window", id,
                        "140", "90", "mouseup", "1", "click", "4", "click", "5"});
         },
         [&] {
             return std::any_of(scene.mouse.begin(), scene.mouse.end(), [](const MouseCall& m) { return m.wheel < 0; });
         }},
        {"resize",
         [&] {
             keysBefore = scene.keys.size();
             scene.Run({"xdotool", "windowsize", id, "500", "260"});
         },
         [&] {
             const bool resized = !scene.resizes.empty() && scene.resizes.back() == std::make_pair(500u, 260u);
             if (resized && framesAtResize == 0) framesAtResize = scene.frames;
             return resized && scene.frames > static_cast<int>(framesAtResize) + 2;
         }},
        {"screenshot",
         [&] { scene.Run({"xwd", "-id", id, "-silent", "-out", shot}); },
         [&] {
             scene.capture = scene.presented.empty();
             return !scene.presented.empty();
         }},
        {"close", [&] { EXPECT_TRUE(qz::test::RequestClose(window)); }, [] { return false; }},
    };

    ASSERT_EQ(S_OK, DXUTMainLoop());
    EXPECT_EQ(scene.steps.size() - 1, scene.step) << "the loop ended in step " << scene.step;
    EXPECT_TRUE(scene.Saw(WM_CLOSE)) << "the close request arrives as WM_CLOSE";

    // Keys: Ctrl, then A with Ctrl held (the camera's Ctrl entry is down), both released.
    std::vector<KeyCall> keys(scene.keys.begin(), scene.keys.begin() + std::min(keysBefore, scene.keys.size()));
    ASSERT_EQ(4u, keys.size());
    EXPECT_EQ(VK_CONTROL, keys[0].key);
    EXPECT_TRUE(keys[0].down);
    EXPECT_EQ(UINT{'A'}, keys[1].key);
    EXPECT_TRUE(keys[1].down);
    EXPECT_TRUE(keys[1].ctrlInCamera);
    EXPECT_EQ(UINT{'A'}, keys[2].key);
    EXPECT_FALSE(keys[2].down);
    EXPECT_EQ(VK_CONTROL, keys[3].key);
    EXPECT_FALSE(keys[3].down);
    EXPECT_TRUE(scene.Saw(WM_KEYDOWN));
    EXPECT_TRUE(scene.Saw(WM_KEYUP));

    // The drag: pressed at (40, 40), moved with the button held, released at (140, 90);
    // then one wheel notch up and one down there.
    const auto press = std::find_if(scene.mouse.begin(), scene.mouse.end(), [](const MouseCall& m) { return m.left; });
    ASSERT_NE(scene.mouse.end(), press);
    EXPECT_EQ(40, press->x);
    EXPECT_EQ(40, press->y);
    const auto release = std::find_if(press, scene.mouse.end(), [](const MouseCall& m) { return !m.left; });
    ASSERT_NE(scene.mouse.end(), release);
    EXPECT_EQ(140, release->x);
    EXPECT_EQ(90, release->y);
    EXPECT_TRUE(std::all_of(press, release, [](const MouseCall& m) { return m.left && !m.right; }));
    std::vector<int> wheels;
    for (const MouseCall& m : scene.mouse) {
        if (m.wheel != 0) {
            wheels.push_back(m.wheel);
            EXPECT_EQ(140, m.x);
            EXPECT_EQ(90, m.y);
        }
    }
    EXPECT_EQ((std::vector<int>{120, -120}), wheels);
    EXPECT_TRUE(std::any_of(scene.messages.begin(), scene.messages.end(), [](const Message& m) {
        return m.message == WM_MOUSEMOVE && (m.wParam & MK_LBUTTON);
    }));

    // The resize reached the swap chain.
    ASSERT_FALSE(scene.resizes.empty());
    EXPECT_EQ(std::make_pair(400u, 300u), scene.resizes.front());
    EXPECT_EQ(std::make_pair(500u, 260u), scene.resizes.back());

    // The screenshot shows the presented back buffer, pixel for pixel.
    qz::test::XwdImage image;
    ASSERT_EQ("", image.Read(shot));
    std::remove(shot.c_str());
    ASSERT_EQ(500u, scene.presentedWidth);
    ASSERT_EQ(static_cast<int>(scene.presentedWidth), image.width);
    ASSERT_EQ(static_cast<int>(scene.presentedHeight), image.height);
    std::size_t different = 0;
    for (std::size_t i = 0; i < image.rgb.size(); ++i) {
        different += image.rgb[i] != (scene.presented[i] & 0x00FFFFFFu);
    }
    EXPECT_EQ(0u, different) << "of " << image.rgb.size() << " pixels";
    DXUTShutdown(0);
}

}  // namespace
