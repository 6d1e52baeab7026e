// The application base and the run sequence on SDL's offscreen driver: the device events
// reaching the root before the application, the configuration loaded twice, command-line
// overrides of the application's groups only, message routing, the "backbuffer" entry,
// frame dumps, a failing device creation and the teardown.

#include "tarnwick/engine/AppPrototypes.h"

#include "platform/dxut/FrameworkHooks.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowMessages.h"
#include "tarnwick/core/Exception.h"
#include "tarnwick/dev/GUI.h"
#include "tarnwick/engine/EngineRoot.h"
#include "tests/support/Arguments.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <stb_image.h>
#include <tinyxml.h>

#include <algorithm>
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

    Names calls;
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
    EXPECT_THROW(qz::engine::Run(), qz::core::Exception);
}

TEST_F(BasicAppTest, DeviceEventsReachTheRootFirstThenTheApplicationInOrder)
{
    WriteSettings("fromfile", 3.0f);
    Arguments arguments({});
    RecordingApp app(arguments);
    ApplicationInstance = &app;
    qz::engine::Run();
    EXPECT_EQ((Names{"settings restored", "devices counted", "screens counted", "created", "resized", "releasing",
                     "destroyed"}),
              app.calls);
    EXPECT_EQ(4, app.frames);
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
    app.onFrame = [&](int frame) {
        if (frame == 2) SDL_SetWindowSize(platform::dxut::Window(), 160, 100);
        Names names;
        for (const auto& [name, entry] : app.frameDump.screenshots) names.push_back(name);
        std::sort(names.begin(), names.end());
        tables.push_back(names);
    };
    ApplicationInstance = &app;
    qz::engine::Run();
    EXPECT_EQ((Names{"backbuffer"}), app.screenshotsAfterBase);
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

    int other = 0;
    app.MsgProc(reinterpret_cast<HWND>(&other), WM_KEYDOWN, 'W', 0);
    EXPECT_TRUE(app.camera.IsKeyDown(CameraKeyMoveForward));
    app.MsgProc(reinterpret_cast<HWND>(&other), WM_KEYUP, 'W', 0);
    EXPECT_FALSE(app.camera.IsKeyDown(CameraKeyMoveForward));
}

TEST_F(BasicAppTest, InfoTextHoldsTheStatisticsInFourLines)
{
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
