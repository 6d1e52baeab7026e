// The engine root without an application: engine options and the configuration path,
// services, per-device data on the device events, and the input callbacks before an
// application exists. The window framework runs on SDL's offscreen driver.

#include "tarnwick/engine/EngineRoot.h"

#include "platform/dxut/FrameworkHooks.h"
#include "platform/win/WindowMessages.h"
#include "tarnwick/dx11/IndexBuffer.h"
#include "tarnwick/dx11/VertexBuffer.h"
#include "tests/dx11/ImageFiles.h"
#include "tests/support/Arguments.h"
#include "tests/support/LogCapture.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <fstream>
#include <string>
#include <vector>

namespace {

using qz::engine::QZRoot;

template <class T>
ULONG CountOf(T* object)
{
    object->AddRef();
    return object->Release();
}

void WriteConfiguration(const std::string& path, const std::string& title)
{
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) std::filesystem::create_directories(folder);
    std::ofstream(path) << "<tarnwick-config><engine-settings><renderingdevice>"
                           "<windowtitle typeid=\"100\" value=\""
                        << title << "\" /><resolution typeid=\"1584490197\" value=\"[320, 200]\" />"
                        << "</renderingdevice></engine-settings></tarnwick-config>";
}

class EngineRootTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        unsetenv(platform::dxut::ExitAfterFramesVariable);
        std::filesystem::remove_all("Media");
        std::filesystem::remove("Settings.xml");
        std::filesystem::remove("other.xml");
    }

    void TearDown() override
    {
        DXUTShutdown(0);
        QZRoot.ShutDown();
        QZRoot.deviceData.clear();
    }

    void StartUp(std::vector<std::string> arguments)
    {
        this->arguments = std::make_unique<qz::test::Arguments>(std::move(arguments));
        QZRoot.StartUp(this->arguments->Count(), this->arguments->Values());
    }

    std::unique_ptr<qz::test::Arguments> arguments;
};

TEST_F(EngineRootTest, ConfigurationIsFoundInTheFolderThenUnderMediaThenTheDefault)
{
    struct Case {
        const char* argument;
        const char* inFolder;
        const char* underMedia;
        std::string expected;
    };
    const Case cases[] = {
        {"--config=other.xml", "other.xml", nullptr, "other.xml"},
        {"--config=other.xml", nullptr, "other.xml", "./Media/configuration/other.xml"},
        {"--unnamed:config=other.xml", "other.xml", "other.xml", "other.xml"},
        {"--config=other.xml", nullptr, nullptr, "./Settings.xml"},
        {"", nullptr, nullptr, "./Settings.xml"},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.inFolder) WriteConfiguration(c.inFolder, "folder");
        if (c.underMedia) WriteConfiguration(QZRoot.GetConfigurationPath(c.underMedia), "media");
        StartUp({c.argument});
        EXPECT_EQ(c.expected, QZRoot.configuration->FileName()) << c.argument;
        // The start-up load restores the window settings from it.
        if (c.inFolder || c.underMedia) {
            EXPECT_EQ(c.inFolder ? "folder" : "media", QZRoot.renderingDevice->settings.windowTitle);
        }
        TearDown();
    }
}

TEST_F(EngineRootTest, VerboseLowersOnlyTheLogFilesLevel)
{
    const auto& streams = qz::core::Logger::Instance()->Streams();
    ASSERT_GE(streams.size(), 2u);
    const int console = streams[0]->MinLevel();
    const int file = streams[1]->MinLevel();
    StartUp({"--verbose"});
    EXPECT_EQ(0, streams[1]->MinLevel());
    EXPECT_EQ(console, streams[0]->MinLevel());
    streams[1]->SetMinLevel(file);
}

TEST_F(EngineRootTest, StartUpLogsTheBannerAndCreatesTheServices)
{
    qz::test::LogCapture log;
    StartUp({});
    const std::string text = log.Text();
    EXPECT_EQ(0u, text.find(std::string(46, '=') + "\n"));
    EXPECT_NE(std::string::npos, text.find("... Starting up ..."));
    EXPECT_TRUE(QZRoot.renderingDevice && QZRoot.eventManager && QZRoot.timer && QZRoot.configuration);
    EXPECT_EQ(qz::utils::Timer::Running, QZRoot.timer->GetState());
    EXPECT_EQ(nullptr, QZRoot.application);
    EXPECT_EQ(1, QZRoot.argc);
    // The engine options are never stored.
    EXPECT_EQ(1u, QZRoot.configuration->engineSettings.size());
    EXPECT_TRUE(QZRoot.configuration->appSettings.empty());

    QZRoot.ShutDown();
    EXPECT_FALSE(QZRoot.renderingDevice || QZRoot.eventManager || QZRoot.timer || QZRoot.configuration);
    EXPECT_TRUE(QZRoot.argv.empty());
}

TEST_F(EngineRootTest, InputCallbacksDoNothingWithoutAnApplication)
{
    StartUp({});
    bool noFurther = true;
    EXPECT_EQ(0, QZRoot.MsgProc(nullptr, WM_KEYDOWN, 'A', 0, &noFurther, nullptr));
    EXPECT_FALSE(noFurther);
    QZRoot.OnKeyboard('A', true, false, nullptr);
    QZRoot.OnMouse(true, false, false, false, false, 0, 1, 2, nullptr);
    const double before = QZRoot.timer->Total();
    QZRoot.OnFrameMove(0.0, 0.0f, nullptr);
    EXPECT_GE(QZRoot.timer->Total(), before);
}

TEST_F(EngineRootTest, DeviceEventsCreateAndReleaseThePerDeviceData)
{
    WriteConfiguration("Settings.xml", "root test");
    StartUp({});
    auto& events = *QZRoot.eventManager;

    // Neither event is one the root acts on.
    events.Fire(qz::dx11::DeviceEvents.screensCounted, nullptr);
    events.Fire(qz::dx11::DeviceEvents.windowDestroyed, nullptr);
    EXPECT_TRUE(QZRoot.deviceData.empty());

    // A shared texture resource waits in the table for the device.
    qz::test::WritePng("shared.png", 256, 64, 4);
    events.Fire(qz::dx11::DeviceEvents.devicesCounted, nullptr);
    ASSERT_EQ(1u, QZRoot.deviceData.size());
    const auto firstManager = QZRoot.deviceData[0].dialogResourceManager;
    events.Fire(qz::dx11::DeviceEvents.devicesCounted, nullptr);
    EXPECT_NE(firstManager, QZRoot.deviceData[0].dialogResourceManager);
    auto& data = QZRoot.deviceData[0];
    qz::dx11::Resource* resource = qz::dx11::GetTexture2DResource(data.resources, "shared.png");
    resource->Require();

    // Counted again inside CreateDevice: a fresh manager, the same table.
    QZRoot.renderingDevice->CreateDevice();
    ASSERT_EQ(1u, QZRoot.deviceData.size());
    auto& created = QZRoot.deviceData[0];
    EXPECT_TRUE(created.textHelper);
    EXPECT_NE(nullptr, created.dialogResourceManager->GetD3D11Device());
    EXPECT_EQ(320, created.dialogResourceManager->m_nBackBufferWidth);
    EXPECT_EQ(200, created.dialogResourceManager->m_nBackBufferHeight);
    EXPECT_EQ(3u, created.guiResources.buffers.size());
    EXPECT_TRUE(resource->IsCreated());

    // No back-buffer reference stays behind; one would make the resize below fail.
    IDXGISwapChain* swapChain = QZRoot.renderingDevice->CurrentScreen().swapChain;
    ID3D11Texture2D* backBuffer = nullptr;
    ASSERT_EQ(S_OK, swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(&backBuffer)));
    const ULONG count = CountOf(backBuffer);
    QZRoot.OnResizeWindow();
    EXPECT_EQ(count, CountOf(backBuffer));
    backBuffer->Release();

    SDL_SetWindowSize(platform::dxut::Window(), 200, 100);
    setenv(platform::dxut::ExitAfterFramesVariable, "3", 1);
    DXUTMainLoop();
    EXPECT_EQ(200u, QZRoot.renderingDevice->CurrentScreen().width);
    EXPECT_EQ(200, created.dialogResourceManager->m_nBackBufferWidth);
    EXPECT_EQ(100, created.dialogResourceManager->m_nBackBufferHeight);

    DXUTShutdown(0);
    EXPECT_FALSE(created.textHelper);
    EXPECT_TRUE(created.guiResources.buffers.empty());
    EXPECT_EQ(nullptr, created.dialogResourceManager->GetD3D11Device());
    EXPECT_FALSE(resource->IsCreated());
    EXPECT_TRUE(resource->IsLoaded());
}

// The red channel of every pixel of the back buffer, rows from the top.
std::vector<std::uint8_t> RedOfBackBuffer(ID3D11DeviceContext* context, IDXGISwapChain* swapChain, UINT& width)
{
    ID3D11Texture2D* backBuffer = nullptr;
    swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(&backBuffer));
    D3D11_TEXTURE2D_DESC desc{};
    backBuffer->GetDesc(&desc);
    desc.Usage = D3D11_USAGE_STAGING;
    desc.BindFlags = 0;
    desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
    ID3D11Device* device = nullptr;
    backBuffer->GetDevice(&device);
    ID3D11Texture2D* staging = nullptr;
    EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, &staging));
    context->CopyResource(staging, backBuffer);
    D3D11_MAPPED_SUBRESOURCE mapped{};
    EXPECT_EQ(S_OK, context->Map(staging, 0, D3D11_MAP_READ, 0, &mapped));
    std::vector<std::uint8_t> red(std::size_t{desc.Width} * desc.Height);
    for (UINT y = 0; y < desc.Height; ++y) {
        for (UINT x = 0; x < desc.Width; ++x) {
            red[std::size_t{y} * desc.Width + x] = static_cast<const std::uint8_t*>(mapped.pData)[y * mapped.RowPitch + 4 * x];
        }
    }
    context->Unmap(staging, 0);
    staging->Release();
    device->Release();
    backBuffer->Release();
    width = desc.Width;
    return red;
}

TEST_F(EngineRootTest, GuiResourcesDrawRectanglesAndHoldTheBox)
{
    WriteConfiguration("Settings.xml", "gui");
    StartUp({});
    QZRoot.renderingDevice->CreateDevice();
    qz::dev::GuiResources& gui = QZRoot.CurrentDeviceData().guiResources;
    EXPECT_EQ(2u, gui.effects.size());
    EXPECT_EQ(1u, gui.inputLayouts.count("3dobjects"));
    const auto* vertices = dynamic_cast<const qz::dx11::VertexBuffer*>(gui.buffers.at("boxVertex").get());
    const auto* faces = dynamic_cast<const qz::dx11::IndexBuffer*>(gui.buffers.at("boxFace").get());
    const auto* lines = dynamic_cast<const qz::dx11::IndexBuffer*>(gui.buffers.at("boxLine").get());
    ASSERT_TRUE(vertices && faces && lines);
    EXPECT_EQ(12u, vertices->GetStride());
    EXPECT_EQ(8u, vertices->GetVertexCount());
    EXPECT_EQ(96u, vertices->GetDesc().ByteWidth);
    EXPECT_EQ(36u, faces->GetIndexCount());
    EXPECT_EQ(144u, faces->GetDesc().ByteWidth);
    EXPECT_EQ(24u, lines->GetIndexCount());
    EXPECT_EQ(static_cast<UINT>(DXGI_FORMAT_R32_UINT), lines->GetIndexFormat());

    ID3D11DeviceContext* context = QZRoot.renderingDevice->CurrentDevice().immediateContext;
    const float black[4] = {0, 0, 0, 1};
    context->ClearRenderTargetView(QZRoot.renderingDevice->CurrentScreen().renderTargetView, black);
    qz::dev::GuiElement2D rectangle("rectangle");
    rectangle.SetOffset(10, 20);
    rectangle.SetSize(30, 40);
    rectangle.backgroundColor = {1, 0, 0, 1};
    qz::dev::GuiElement2D hidden("hidden");
    hidden.SetSize(5, 5);
    hidden.backgroundColor = {1, 0, 0, 1};
    hidden.visible = false;
    gui.Root().Render(context);

    UINT width = 0;
    const auto red = RedOfBackBuffer(context, QZRoot.renderingDevice->CurrentScreen().swapChain, width);
    const auto at = [&](UINT x, UINT y) { return red[std::size_t{y} * width + x]; };
    EXPECT_EQ(255, at(10, 20));
    EXPECT_EQ(255, at(39, 59));
    EXPECT_EQ(0, at(9, 20));
    EXPECT_EQ(0, at(40, 59));
    EXPECT_EQ(0, at(10, 60));
    EXPECT_EQ(0, at(2, 2));  // the hidden one
}

TEST_F(EngineRootTest, DeviceDataIsAnErrorBeforeTheDevicesAreCounted)
{
    StartUp({});
    EXPECT_EQ(nullptr, QZRoot.FindCurrentDeviceData());
    EXPECT_THROW(QZRoot.CurrentDeviceData(), qz::core::Exception);
}

TEST_F(EngineRootTest, ConfigurationPathIsUnderMedia)
{
    EXPECT_EQ("./Media/configuration/a.xml", qz::engine::QZRootImpl::GetConfigurationPath("a.xml"));
}

}  // namespace
