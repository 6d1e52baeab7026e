// The application base and the run sequence on SDL's offscreen driver: the device events
// reaching the root before the application, the configuration loaded twice, command-line
// overrides of the application's groups only, input and message routing (settings dialog,
// tweak bars, camera), the camera's frame move on the global timer, the "backbuffer"
// entry, the info text, frame dumps, failing device creation, frames and back buffers,
// and the teardown.

#include "tarnwick/engine/AppPrototypes.h"

#include "platform/d3d11/com/ComPtr.h"
#include "platform/dxut/FrameworkHooks.h"
#include "platform/tweakbar/Context.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowMessages.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/core/Exception.h"
#include "tarnwick/core/WideText.h"
#include "tarnwick/dev/GUI.h"
#include "tarnwick/dev/Statistics.h"
#include "tarnwick/engine/EngineRoot.h"
#include "tests/support/Arguments.h"
#include "tests/support/BackBufferPixels.h"
#include "tests/support/ErrorReports.h"
#include "tests/support/ManualClock.h"
#include "tests/support/RefusingSwapChain.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <stb_image.h>
#include <tinyxml.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using qz::engine::BasicApp;
using qz::engine::QZRoot;
using qz::test::Arguments;
using Names = std::vector<std::string>;

// Records the operations the framework calls, with what the root had done by then.
class RecordingApp : public BasicApp {
public:
    explicit RecordingApp(Arguments& arguments) : BasicApp(arguments.Count(), arguments.Values()) {}

    void OnSettingsRestored() override { calls.push_back("settings restored"); }
    void OnDevicesCounted() override
    {
        BasicApp::OnDevicesCounted();
        calls.push_back(QZRoot.deviceData.at(0).dialogResourceManager ? "devices counted" : "devices counted first");
    }
    void OnScreensCounted() override { calls.push_back("screens counted"); }
    HRESULT OnCreateDevice() override
    {
        calls.push_back(QZRoot.deviceData.at(0).textHelper ? "created" : "created before the root");
        return BasicApp::OnCreateDevice();
    }
    void OnResize() override
    {
        const int rootWidth = QZRoot.deviceData.at(0).dialogResourceManager->m_nBackBufferWidth;
        const auto width = QZRoot.renderingDevice->CurrentScreen().width;
        calls.push_back(rootWidth == static_cast<int>(width) ? "resized" : "resized before the root");
        BasicApp::OnResize();
        screenshotsAfterBase.clear();
        for (const auto& [name, entry] : frameDump.screenshots) screenshotsAfterBase.push_back(name);
        frameDump.screenshots["extra"] = {};
    }
    void OnReleasingSwapChain() override { calls.push_back("releasing"); }
    void OnDestroyDevice() override
    {
        calls.push_back("destroyed");
        BasicApp::OnDestroyDevice();
    }
    void UpdateScene() override
    {
        BasicApp::UpdateScene();
        ++frames;
        if (onFrame) onFrame(frames);
    }
    void OnStoreSettings() override
    {
        calls.push_back(std::filesystem::exists("Media/Framedumps") ? "settings stored after the dump" : "settings stored");
    }
    void OnKeyboard(UINT key, bool keyDown, bool /*altDown*/) override
    {
        input.push_back("key " + std::to_string(key) + (keyDown ? " down" : " up"));
    }
    void OnMouse(bool left, bool, bool, bool, bool, int, int x, int y) override
    {
        input.push_back((left ? "left button at " : "mouse at ") + std::to_string(x) + "," + std::to_string(y));
    }
    LRESULT MsgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_CLOSE) input.push_back("close");
        return BasicApp::MsgProc(window, message, wParam, lParam);
    }

    Names calls;
    Names input;
    Names screenshotsAfterBase;
    int frames = 0;
    std::function<void(int)> onFrame;
};

class BasicAppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv(platform::dxut::ExitAfterFramesVariable, "4", 1);
        std::filesystem::remove_all("Media");
        std::filesystem::remove("Settings.xml");
        ApplicationInstance = nullptr;
    }

    void TearDown() override
    {
        unsetenv(platform::dxut::ExitAfterFramesVariable);
        QZRoot.deviceData.clear();
    }

    static void WriteSettings(const std::string& title, float moveScaler)
    {
        std::ofstream("Settings.xml")
            << "<tarnwick-config><app-settings><camera><movescaler typeid=\"20\" value=\"" << moveScaler
            << "\" /></camera></app-settings><engine-settings><renderingdevice><windowtitle typeid=\"100\" value=\""
            << title << "\" /><resolution typeid=\"1584490197\" value=\"[320, 200]\" />"
            << "</renderingdevice></engine-settings></tarnwick-config>";
    }
};

TEST_F(BasicAppTest, RunWithoutApplicationIsAnError)
{
    EXPECT_NE(std::string::npos, qz::test::ErrorText([] { qz::engine::Run(); }).find("No application object"));

    Arguments arguments({});
    RecordingApp app(arguments);
    ApplicationInstance = &app;
    QZRoot.ShutDown();
    EXPECT_NE(std::string::npos, qz::test::ErrorText([] { qz::engine::Run(); }).find("The engine is not started"));
}

TEST_F(BasicAppTest, DeviceEventsReachTheRootFirstThenTheApplicationInOrder)
{
    WriteSettings("fromfile", 3.0f);
    Arguments arguments({});
    RecordingApp app(arguments);
    const platform::tweakbar::Context& bars = platform::tweakbar::TheContext();
    bool barsOnTheDevice = false;
    platform::tweakbar::WindowSize barWindow;
    std::array<int, 2> dialogSize{};
    app.onFrame = [&](int frame) {
        if (frame == 1) {
            // Input for the next frame's message pump.
            SDL_Event move{};
            move.type = SDL_MOUSEMOTION;
            move.motion.x = 5;
            move.motion.y = 6;
            SDL_PushEvent(&move);
            SDL_Event key{};
            key.type = SDL_KEYDOWN;
            key.key.keysym.sym = SDLK_a;
            SDL_PushEvent(&key);
            SDL_Event button{};
            button.type = SDL_MOUSEBUTTONDOWN;
            button.button.button = SDL_BUTTON_LEFT;
            button.button.x = 10;
            button.button.y = 20;
            SDL_PushEvent(&button);
        } else if (frame == 2) {
            barsOnTheDevice = bars.Started() && bars.device.Get() == QZRoot.renderingDevice->CurrentDevice().device;
            barWindow = bars.windows.count(0) ? bars.windows.at(0) : platform::tweakbar::WindowSize{};
            dialogSize = {app.settingsDialog.Width(), app.settingsDialog.Height()};
        }
    };
    ApplicationInstance = &app;
    qz::engine::Run();
    EXPECT_EQ((Names{"settings restored", "devices counted", "screens counted", "created", "resized", "releasing",
                     "destroyed"}),
              app.calls);
    EXPECT_EQ(4, app.frames);
    EXPECT_EQ((Names{"mouse at 5,6", "key 65 down", "left button at 10,20", "close"}), app.input);

    // The tweak bars live with the device and know the window's size; so does the dialog.
    EXPECT_TRUE(barsOnTheDevice);
    EXPECT_EQ(320, barWindow.width);
    EXPECT_EQ(200, barWindow.height);
    EXPECT_FALSE(bars.Started());
    EXPECT_EQ(&qz::engine::CopyStdStringToClient, platform::tweakbar::CopyStdStringToClient());
    std::string client = "old";
    qz::engine::CopyStdStringToClient(client, std::string("new"));
    EXPECT_EQ("new", client);
    qz::engine::CopyStdStringToClient(client, client);
    EXPECT_EQ("new", client);
    EXPECT_EQ((std::array<int, 2>{320, 200}), dialogSize);
    EXPECT_EQ(QZRoot.deviceData.at(0).dialogResourceManager.get(), app.settingsDialog.Manager());
    // 60 degrees over the window's aspect, from 0.01 to 100.
    const DirectX::XMMATRIX projection = app.camera.GetProjMatrix();
    EXPECT_FLOAT_EQ(1.7320508f, projection.r[1][1]);
    EXPECT_FLOAT_EQ(1.7320508f / 1.6f, projection.r[0][0]);
    EXPECT_FLOAT_EQ(0.01f, app.camera.GetNearClip());
    EXPECT_FLOAT_EQ(100.0f, app.camera.GetFarClip());
}

TEST_F(BasicAppTest, ConfigurationIsLoadedTwiceAndOnlyApplicationGroupsAreOverridden)
{
    WriteSettings("fromfile", 3.0f);
    Arguments arguments({"--windowtitle=overridden", "--renderingdevice:vsync=false", "--camera:movescaler=2.5"});
    RecordingApp app(arguments);
    // Start-up: the window settings only; the camera is not entered yet.
    EXPECT_EQ("fromfile", QZRoot.renderingDevice->settings.windowTitle);
    EXPECT_FLOAT_EQ(1.0f, app.camera.MoveScaler());
    ASSERT_EQ(1u, QZRoot.configuration->appSettings.count("camera"));

    ApplicationInstance = &app;
    qz::engine::Run();
    EXPECT_EQ("fromfile", QZRoot.renderingDevice->settings.windowTitle);
    EXPECT_TRUE(QZRoot.renderingDevice->settings.vsync);
    EXPECT_FLOAT_EQ(2.5f, app.camera.MoveScaler());
}

TEST_F(BasicAppTest, CameraTakesTheFileWithoutOverride)
{
    WriteSettings("fromfile", 3.0f);
    Arguments arguments({});
    RecordingApp app(arguments);
    ApplicationInstance = &app;
    qz::engine::Run();
    EXPECT_FLOAT_EQ(3.0f, app.camera.MoveScaler());
}

TEST_F(BasicAppTest, BackBufferIsTheOnlyEntryRightAfterTheBasesResize)
{
    WriteSettings("resize", 1.0f);
    Arguments arguments({});
    RecordingApp app(arguments);
    std::vector<Names> tables;
    bool entryIsTheBackBuffer = false;
    app.onFrame = [&](int frame) {
        if (frame == 1) {
            ID3D11Texture2D* backBuffer = nullptr;
            QZRoot.renderingDevice->CurrentScreen().swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D),
                                                                         reinterpret_cast<void**>(&backBuffer));
            const auto& entry = app.frameDump.screenshots.at("backbuffer");
            entryIsTheBackBuffer = entry.texture == backBuffer && entry.fillBackground;
            backBuffer->Release();
        }
        if (frame == 2) SDL_SetWindowSize(platform::dxut::Window(), 160, 100);
        Names names;
        for (const auto& [name, entry] : app.frameDump.screenshots) names.push_back(name);
        std::sort(names.begin(), names.end());
        tables.push_back(names);
    };
    ApplicationInstance = &app;
    qz::engine::Run();
    EXPECT_EQ((Names{"backbuffer"}), app.screenshotsAfterBase);
    EXPECT_TRUE(entryIsTheBackBuffer) << "the swap chain's texture, its background filled";
    ASSERT_FALSE(tables.empty());
    EXPECT_EQ((Names{"backbuffer", "extra"}), tables.back());
    // Two resizes: creation and the window's new size.
    EXPECT_EQ(2, std::count(app.calls.begin(), app.calls.end(), "resized"));
}

TEST_F(BasicAppTest, SettingsDialogClosesOnF2AndOtherWindowsGoToTheCamera)
{
    Arguments arguments({});
    RecordingApp app(arguments);
    app.settingsDialog.SetActive(true);
    app.MsgProc(nullptr, WM_KEYDOWN, 'A', 0);
    EXPECT_TRUE(app.settingsDialog.IsActive());
    app.MsgProc(nullptr, WM_KEYDOWN, VK_F2, 0);
    EXPECT_FALSE(app.settingsDialog.IsActive());
    app.MsgProc(nullptr, WM_KEYDOWN, VK_F2, 0);
    EXPECT_FALSE(app.settingsDialog.IsActive());
    // The active dialog has its own keys.
    app.settingsDialog.SetActive(true);
    app.MsgProc(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(app.settingsDialog.IsActive());

    int other = 0;
    app.MsgProc(reinterpret_cast<HWND>(&other), WM_KEYDOWN, 'W', 0);
    EXPECT_TRUE(app.camera.IsKeyDown(CameraKeyMoveForward));
    app.MsgProc(reinterpret_cast<HWND>(&other), WM_KEYUP, 'W', 0);
    EXPECT_FALSE(app.camera.IsKeyDown(CameraKeyMoveForward));

    // The device window's messages reach the tweak bars first; what they take stops there,
    // so a drag on a bar does not turn the view.
    d3d11sw::ComPtr<ID3D11Device> device;
    ASSERT_EQ(S_OK, D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                                      device.ReleaseAndGetAddressOf(), nullptr, nullptr));
    ASSERT_EQ(1, TwInit(TW_DIRECT3D11, device.Get()));
    TwWindowSize(320, 200);
    TwNewBar("bar");
    TwDefine("bar position='10 10' size='100 100'");
    TwSetCurrentWindow(3);
    const HWND deviceWindow = QZRoot.renderingDevice->CurrentScreen().window;
    EXPECT_EQ(1, app.MsgProc(deviceWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50)));
    EXPECT_EQ(0, platform::tweakbar::TheContext().currentWindow);
    EXPECT_FALSE(app.camera.IsBeingDragged());
    EXPECT_EQ(1, app.MsgProc(deviceWindow, WM_LBUTTONUP, 0, MAKELPARAM(50, 50)));
    bool noFurther = true;
    EXPECT_EQ(1, QZRoot.MsgProc(deviceWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50), &noFurther, nullptr));
    EXPECT_FALSE(noFurther);
    app.MsgProc(deviceWindow, WM_LBUTTONUP, 0, MAKELPARAM(50, 50));
    EXPECT_EQ(0, app.MsgProc(deviceWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(250, 150)));
    EXPECT_TRUE(app.camera.IsBeingDragged()) << "beside the bars the camera has it";
    TwTerminate();
}

TEST_F(BasicAppTest, FrameMoveTurnsAndMovesTheCameraOverTheTimersElapsedTime)
{
    qz::test::ManualClock clock;
    Arguments arguments({});
    RecordingApp app(arguments);
    int other = 0;
    const HWND elsewhere = reinterpret_cast<HWND>(&other);
    const auto view = [&app](DirectX::XMFLOAT3& eye, DirectX::XMFLOAT3& ahead) {
        DirectX::XMStoreFloat3(&eye, app.camera.GetEyePt());
        DirectX::XMStoreFloat3(&ahead, DirectX::XMVectorSubtract(app.camera.GetLookAtPt(), app.camera.GetEyePt()));
    };

    // 100 pixels right and down with the left button and 'W' held, over a quarter second
    // of the global timer (not the window framework's times).
    app.MsgProc(elsewhere, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    app.MsgProc(elsewhere, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 200));
    app.MsgProc(elsewhere, WM_KEYDOWN, 'W', 0);
    clock.Advance(250.0);
    QZRoot.OnFrameMove(9.0, 0.5f, nullptr);
    ASSERT_EQ(1, app.frames);
    DirectX::XMFLOAT3 eye, ahead;
    view(eye, ahead);
    // A fifth of the movement (smoothed over 5 frames) at 0.005 radians a pixel, both ways.
    const float angle = 100.0f / 5.0f * 0.005f;
    EXPECT_NEAR(std::sin(angle) * std::cos(angle), ahead.x, 1e-5f);
    EXPECT_NEAR(std::sin(angle), std::abs(ahead.y), 1e-5f);
    // Then 0.25 s at 1 unit a second along the view, its pitch included.
    EXPECT_NEAR(0.25f * ahead.x, eye.x, 1e-5f);
    EXPECT_NEAR(0.25f * ahead.y, eye.y, 1e-5f);
    EXPECT_NEAR(-5.0f + 0.25f * ahead.z, eye.z, 1e-5f);

    // The right and middle buttons do not turn the view; without a key the eye stays.
    app.MsgProc(elsewhere, WM_LBUTTONUP, 0, MAKELPARAM(200, 200));
    app.MsgProc(elsewhere, WM_KEYUP, 'W', 0);
    app.MsgProc(elsewhere, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(200, 200));
    app.MsgProc(elsewhere, WM_MBUTTONDOWN, MK_RBUTTON | MK_MBUTTON, MAKELPARAM(200, 200));
    app.MsgProc(elsewhere, WM_MOUSEMOVE, MK_RBUTTON | MK_MBUTTON, MAKELPARAM(300, 200));
    clock.Advance(100.0);
    QZRoot.OnFrameMove(9.5, 0.5f, nullptr);
    DirectX::XMFLOAT3 stillEye, stillAhead;
    view(stillEye, stillAhead);
    EXPECT_NEAR(ahead.x, stillAhead.x, 1e-6f);
    EXPECT_NEAR(ahead.y, stillAhead.y, 1e-6f);
    EXPECT_NEAR(eye.z, stillEye.z, 1e-6f);
}

TEST_F(BasicAppTest, AnActiveSettingsDialogIsDrawnOverTheFrame)
{
    WriteSettings("dialog", 1.0f);
    Arguments arguments({});
    RecordingApp app(arguments);
    // What a frame drew, read in the next frame's update.
    std::vector<long> lit;
    app.onFrame = [&](int frame) {
        UINT width = 0;
        const auto red = qz::test::RedOfBackBuffer(QZRoot.renderingDevice->CurrentDevice().immediateContext,
                                                   QZRoot.renderingDevice->CurrentScreen().swapChain, width);
        lit.push_back(std::count_if(red.begin(), red.end(), [](std::uint8_t r) { return r != 0; }));
        if (frame == 2) app.settingsDialog.SetActive(true);
    };
    ApplicationInstance = &app;
    qz::engine::Run();
    ASSERT_EQ(4u, lit.size());
    EXPECT_EQ(0, lit[1]);
    EXPECT_GT(lit[2], 0);
}

TEST_F(BasicAppTest, InfoTextHoldsTheStatisticsInFourLines)
{
    auto& info = qz::dev::Statistics::GetCollection("info");
    info.label = "Info";
    int shown = 3;
    int flagged = 4;
    info.AddTypedItem("shown", &shown, "Shown");
    info.AddTypedItem("flagged", &flagged, "Flagged", 1);
    WriteSettings("info", 1.0f);
    Arguments arguments({});
    RecordingApp app(arguments);
    qz::dev::TextBox2D box(nullptr, "info");
    box.lines.push_back({});
    app.UpdateInfoText(box);
    ASSERT_EQ(4u, box.lines.size());
    const qz::dev::Float4 yellow{1, 1, 0, 1};
    const qz::dev::Float4 white{1, 1, 1, 1};
    EXPECT_EQ(yellow, box.lines[0].color);
    EXPECT_EQ(yellow, box.lines[1].color);
    EXPECT_EQ(white, box.lines[2].color);
    EXPECT_EQ(white, box.lines[3].color);
    EXPECT_EQ("", box.lines[2].text);
    EXPECT_EQ(qz::dev::TextBox2D::Left, box.lines[2].alignment);
    EXPECT_EQ(qz::dev::TextBox2D::Right, box.lines[0].alignment);
    EXPECT_EQ(qz::dev::TextBox2D::Right, box.lines[1].alignment);
    EXPECT_EQ(qz::dev::TextBox2D::Right, box.lines[3].alignment);
    // Without device settings the frame statistics show the frame rate.
    EXPECT_EQ(qz::core::NarrowText(DXUTGetFrameStats(true)), box.lines[0].text);
    EXPECT_EQ("(no device)", box.lines[1].text);
    EXPECT_EQ("*** Info ***\nShown: 3\n\n", box.lines[3].text) << "the flagged items are left out";

    // With sync interval 1 (vsync on) they leave it out.
    std::string frameStats;
    std::string deviceStats;
    app.onFrame = [&](int frame) {
        if (frame != 2) return;
        app.UpdateInfoText(box);
        frameStats = qz::core::NarrowText(DXUTGetFrameStats(false));
        deviceStats = qz::core::NarrowText(DXUTGetDeviceStats());
    };
    ApplicationInstance = &app;
    qz::engine::Run();
    EXPECT_EQ(0u, frameStats.find("Vsync on")) << frameStats;
    EXPECT_EQ(frameStats, box.lines[0].text);
    EXPECT_EQ(0u, deviceStats.find("D3D11 ")) << deviceStats;
    EXPECT_EQ(deviceStats, box.lines[1].text);
    qz::dev::Statistics::GetRegistry().erase("info");
}

TEST_F(BasicAppTest, FrameDumpWritesTheFolderWithItsIndex)
{
    WriteSettings("dump", 1.0f);
    Arguments arguments({});
    RecordingApp app(arguments);
    app.onFrame = [&](int frame) {
        if (frame == 3) app.DumpFrame();
    };
    ApplicationInstance = &app;
    qz::engine::Run();
    EXPECT_EQ(1, std::count(app.calls.begin(), app.calls.end(), "settings stored"));

    std::filesystem::path folder;
    for (const auto& entry : std::filesystem::directory_iterator("Media/Framedumps")) folder = entry.path();
    ASSERT_FALSE(folder.empty());
    const std::string name = folder.filename().string();
    EXPECT_EQ(0u, name.rfind("framedump_", 0));
    EXPECT_TRUE(std::filesystem::exists(folder / (name + "_stats.txt")));
    int width = 0, height = 0, channels = 0;
    stbi_uc* pixels = stbi_load((folder / (name + "_backbuffer.png")).c_str(), &width, &height, &channels, 0);
    ASSERT_NE(nullptr, pixels);
    stbi_image_free(pixels);
    EXPECT_EQ(320, width);
    EXPECT_EQ(200, height);

    TiXmlDocument index;
    ASSERT_TRUE(index.LoadFile((folder / (name + "_settings.xml")).c_str()));
    const TiXmlElement* data = index.FirstChildElement("framedump-data");
    ASSERT_NE(nullptr, data);
    EXPECT_EQ(name + "_stats.txt", std::string(data->FirstChildElement("statistics")->Attribute("file")));
    Names screenshots;
    for (const TiXmlElement* s = data->FirstChildElement("screenshot"); s; s = s->NextSiblingElement("screenshot")) {
        screenshots.push_back(std::string(s->Attribute("name")) + ":" + s->Attribute("file"));
    }
    std::sort(screenshots.begin(), screenshots.end());
    EXPECT_EQ((Names{"backbuffer:" + name + "_backbuffer.png", "extra:" + name + "_extra.png"}), screenshots);
    // The settings copy holds the camera's group.
    EXPECT_NE(nullptr, index.FirstChildElement("tarnwick-config")->FirstChildElement("app-settings")->FirstChildElement("camera"));
}

TEST_F(BasicAppTest, FailedDeviceCreationIsReportedAndLeavesNoDevice)
{
    WriteSettings("failing", 1.0f);
    Arguments arguments({});
    {
        RecordingApp app(arguments);
        ApplicationInstance = &app;
        platform::dxut::FailNextCall(platform::dxut::FrameworkCall::CreateDevice, E_OUTOFMEMORY);
        try {
            qz::engine::Run();
            FAIL() << "no error";
        } catch (const qz::core::Exception& error) {
            EXPECT_NE(std::string::npos, std::string(error.what()).find("Could not create device"));
        }
        EXPECT_EQ(nullptr, DXUTGetD3D11Device());
        EXPECT_EQ(nullptr, DXUTGetHWND());
    }
    EXPECT_EQ(nullptr, ApplicationInstance);
    EXPECT_EQ(nullptr, BasicApp::Instance());
    EXPECT_FALSE(QZRoot.configuration || QZRoot.renderingDevice || QZRoot.eventManager || QZRoot.timer);
    EXPECT_EQ(nullptr, qz::core::Logger::Instance()) << "the logger goes with the application";
}

TEST_F(BasicAppTest, AFailingFrameEndsTheRunAndClosesTheWindow)
{
    WriteSettings("failing frame", 1.0f);
    Arguments arguments({});
    RecordingApp app(arguments);
    app.onFrame = [](int frame) {
        if (frame == 2) QZ_THROW("RecordingApp::UpdateScene", "The frame failed");
    };
    ApplicationInstance = &app;
    EXPECT_NE(std::string::npos, qz::test::ErrorText([] { qz::engine::Run(); }).find("The frame failed"));
    EXPECT_EQ(2, app.frames);
    EXPECT_EQ("destroyed", app.calls.back());
    EXPECT_EQ(nullptr, DXUTGetD3D11Device());
    EXPECT_EQ(nullptr, DXUTGetHWND());
}

TEST_F(BasicAppTest, ResizeErrorsNameTheFailingCallAndKeepNoReference)
{
    Arguments arguments({});
    RecordingApp app(arguments);
    auto& screen = QZRoot.renderingDevice->screens[0];
    const std::string resize = "qz::engine::BasicApp::OnResize|engine\\AppPrototypes|";

    qz::test::RefusingSwapChain noBuffer(DXGI_ERROR_INVALID_CALL);
    screen.swapChain = &noBuffer;
    EXPECT_EQ(resize + "Could not get backbuffer\nCOM error message: " + qz::core::ComErrorText(DXGI_ERROR_INVALID_CALL),
              qz::test::ReportOf([&app] { app.BasicApp::OnResize(); }));

    qz::test::RefusingSwapChain noSurface(S_OK);
    screen.swapChain = &noSurface;
    EXPECT_EQ(resize + "Could not get surface from backbuffer\nCOM error message: " + qz::core::ComErrorText(E_NOINTERFACE),
              qz::test::ReportOf([&app] { app.BasicApp::OnResize(); }));
    EXPECT_EQ(1u, noSurface.texture.Count()) << "the back buffer is released on the failure";
    EXPECT_TRUE(app.frameDump.screenshots.empty());
    screen.swapChain = nullptr;
}

TEST_F(BasicAppTest, OneApplicationAtATime)
{
    Arguments arguments({});
    {
        RecordingApp first(arguments);
        try {
            RecordingApp second(arguments);
            FAIL() << "a second application was made";
        } catch (const qz::core::Exception& error) {
            EXPECT_NE(std::string::npos,
                      std::string(error.what()).find("An instance of another tarnwickApp has already been created"));
        }
        // The first one keeps the engine.
        EXPECT_EQ(&first, BasicApp::Instance());
        EXPECT_EQ(&first, QZRoot.application);
        ASSERT_TRUE(QZRoot.configuration);
        EXPECT_EQ(1u, QZRoot.configuration->appSettings.count("camera"));
    }
    // Gone with its group, so another may start.
    RecordingApp next(arguments);
    EXPECT_EQ(&next, BasicApp::Instance());
}

TEST_F(BasicAppTest, AFailedStartLeavesTheEngineAsItWas)
{
    Arguments arguments({});
    {
        // The engine's rendering device cannot be made while another one exists.
        Configuration configuration("./Settings.xml");
        qz::utils::EventManager events;
        qz::dx11::RenderingDevice other(configuration, events);
        EXPECT_THROW(RecordingApp app(arguments), qz::core::Exception);
        EXPECT_EQ(nullptr, BasicApp::Instance());
        EXPECT_EQ(nullptr, QZRoot.application);
        EXPECT_FALSE(QZRoot.configuration || QZRoot.renderingDevice || QZRoot.eventManager || QZRoot.timer);
    }
    RecordingApp app(arguments);
    EXPECT_EQ(&app, BasicApp::Instance());
}

}  // namespace
