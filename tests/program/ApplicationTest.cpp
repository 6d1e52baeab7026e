// The application of the interactive mode on SDL's offscreen driver: its info text in the
// GUI root, the dump key, the settings it stores when it ends, its settings groups on the
// tweak-bar menu and the mesh input layout of its scene effect.

#include "src/Application.h"

#include "platform/dxut/FrameworkHooks.h"
#include "platform/tweakbar/Bars.h"
#include "tarnwick/engine/EngineRoot.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using qz::engine::QZRoot;

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv(platform::dxut::ExitAfterFramesVariable, "6", 1);
        std::filesystem::remove_all("Media");
        std::filesystem::remove("lastsettings.xml");
        std::ofstream("Settings.xml") << "<tarnwick-config><engine-settings><renderingdevice>"
                                         "<resolution typeid=\"1584490197\" value=\"[320, 200]\" />"
                                         "</renderingdevice></engine-settings></tarnwick-config>";
    }

    void TearDown() override { unsetenv(platform::dxut::ExitAfterFramesVariable); }

    std::string program = "renderer";
    std::vector<char*> arguments{program.data()};
};

// Runs the application, pressing the key during its frames when asked.
class KeyPressingApplication : public Application {
public:
    using Application::Application;

    void UpdateScene() override
    {
        Application::UpdateScene();
        if (++frames == 2 && pressKey) {
            SDL_Event key{};
            key.type = SDL_KEYDOWN;
            key.key.keysym.sym = SDLK_F12;
            key.key.keysym.scancode = SDL_SCANCODE_F12;
            key.key.state = SDL_PRESSED;
            key.key.windowID = SDL_GetWindowID(platform::dxut::Window());
            SDL_PushEvent(&key);
        }
        if (InfoText()) {
            infoLines = InfoText()->lines.size();
            infoPosition = InfoText()->GetPixelPosition();
            infoSize = InfoText()->GetPixelSize();
        }
    }

    bool pressKey = false;
    int frames = 0;
    std::size_t infoLines = 0;
    qz::dev::Int2 infoPosition{};
    qz::dev::Int2 infoSize{};
};

TEST_F(ApplicationTest, DumpKeyWritesAFrameDumpAndTheInfoTextSitsTopRight)
{
    {
        KeyPressingApplication application(static_cast<int>(arguments.size()), arguments.data());
        ApplicationInstance = &application;
        application.pressKey = true;
        qz::engine::Run();
        EXPECT_EQ(4u, application.infoLines);
        const auto& screen = QZRoot.renderingDevice->CurrentScreen();
        EXPECT_EQ(static_cast<int>(screen.width) - 10, application.infoPosition[0] + application.infoSize[0]);
        EXPECT_EQ(10, application.infoPosition[1]);
    }
    std::vector<std::filesystem::path> dumps;
    for (const auto& entry : std::filesystem::directory_iterator("Media/Framedumps")) dumps.push_back(entry.path());
    ASSERT_EQ(1u, dumps.size());
    const std::string name = dumps[0].filename().string();
    EXPECT_TRUE(std::filesystem::exists(dumps[0] / (name + "_backbuffer.png")));
    // The application's end stores the settings; its group has gone from the tables.
    EXPECT_TRUE(std::filesystem::exists(Application::kLastSettingsFile));
    EXPECT_EQ(nullptr, ApplicationInstance);
}

TEST_F(ApplicationTest, WithoutTheKeyNoDumpIsWritten)
{
    {
        KeyPressingApplication application(static_cast<int>(arguments.size()), arguments.data());
        ApplicationInstance = &application;
        qz::engine::Run();
        EXPECT_GE(application.frames, 6);
    }
    EXPECT_FALSE(std::filesystem::exists("Media/Framedumps"));
}

// Looks at the menu and reloads the shaders during its frames.
class ShaderReloadingApplication : public Application {
public:
    using Application::Application;

    void UpdateScene() override
    {
        Application::UpdateScene();
        if (++frames != 2) return;
        menuWidth = Menu()->windowWidth;
        menuItems = platform::tweakbar::FindBar("MainMenu")->buttons.size();
        const CTwBar* bar = platform::tweakbar::FindBar("program");
        programVariable = bar && bar->FindVariable("dumponclose") != nullptr;
        old = MeshInputLayout;
        old->AddRef();
        LoadShaders();
        oldCount = old->Release();  // only this test held it still
        reloaded = MeshInputLayout;
    }

    int frames = 0;
    std::int32_t menuWidth = 0;
    std::size_t menuItems = 0;
    bool programVariable = false;
    ID3D11InputLayout* old = nullptr;
    ULONG oldCount = 99;
    ID3D11InputLayout* reloaded = nullptr;
};

TEST_F(ApplicationTest, SettingsGroupsAreBarsOfTheMenuAndReloadedShadersRemakeTheMeshLayout)
{
    ShaderReloadingApplication application(static_cast<int>(arguments.size()), arguments.data());
    ApplicationInstance = &application;
    EXPECT_EQ(nullptr, MeshInputLayout);
    qz::engine::Run();
    EXPECT_EQ(320, application.menuWidth);
    EXPECT_EQ(1u, application.menuItems) << "the labelled group \"program\" only";
    EXPECT_TRUE(application.programVariable);
    EXPECT_NE(nullptr, application.old);
    EXPECT_EQ(0u, application.oldCount);
    EXPECT_NE(nullptr, application.reloaded);
    EXPECT_FALSE(application.sceneEffect.IsReady()) << "released with the device";
    EXPECT_EQ(nullptr, MeshInputLayout);
    EXPECT_EQ(nullptr, application.Menu());
}

}  // namespace
