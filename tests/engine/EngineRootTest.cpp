// The engine root without an application: engine options and the configuration path,
// services, per-device data on the device events, failing platform calls, and the input
// callbacks before an application exists. The window framework runs on SDL's offscreen
// driver.

#include "tarnwick/engine/EngineRoot.h"

#include "platform/dxut/FrameworkHooks.h"
#include "platform/win/WindowMessages.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/dx11/IndexBuffer.h"
#include "tarnwick/dx11/VertexBuffer.h"
#include "tests/dx11/ImageFiles.h"
#include "tests/support/Arguments.h"
#include "tests/support/BackBufferPixels.h"
#include "tests/support/ErrorReports.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ManualClock.h"
#include "tests/support/RefusingSwapChain.h"

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
    EXPECT_EQ(0, QZRoot.argc);
}

TEST_F(EngineRootTest, InputCallbacksDoNothingWithoutAnApplication)
{
    qz::test::ManualClock clock;
    StartUp({});
    bool noFurther = true;
    EXPECT_EQ(0, QZRoot.MsgProc(nullptr, WM_KEYDOWN, 'A', 0, &noFurther, nullptr));
    EXPECT_FALSE(noFurther);
    QZRoot.OnKeyboard('A', true, false, nullptr);
    QZRoot.OnMouse(true, false, false, false, false, 0, 1, 2, nullptr);
    // The frame move still advances the global timer, by its own clock.
    const double before = QZRoot.timer->Total();
    clock.Advance(40.0);
    QZRoot.OnFrameMove(9.0, 0.5f, nullptr);
    EXPECT_DOUBLE_EQ(40.0, QZRoot.timer->Elapsed());
    EXPECT_DOUBLE_EQ(before + 40.0, QZRoot.timer->Total());
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
    ASSERT_TRUE(created.textHelper);
    // Lines 12 pixels apart from the top left corner.
    EXPECT_EQ(0, created.textHelper->InsertionX());
    EXPECT_EQ(0, created.textHelper->InsertionY());
    created.textHelper->Begin();
    created.textHelper->DrawTextLine(L"x");
    EXPECT_EQ(12, created.textHelper->InsertionY());
    created.textHelper->End();
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

    // A column stacked from the bottom of the screen follows the new height.
    qz::dev::GuiContainer2D column("column");
    column.verticalDirection = qz::dev::GuiContainer2D::BottomUp;
    qz::dev::GuiElement2D box(&column, "box");
    box.SetSize(30, 40);
    EXPECT_EQ(160, box.GetPixelPosition()[1]);

    SDL_SetWindowSize(platform::dxut::Window(), 200, 100);
    setenv(platform::dxut::ExitAfterFramesVariable, "3", 1);
    DXUTMainLoop();
    EXPECT_EQ(200u, QZRoot.renderingDevice->CurrentScreen().width);
    EXPECT_EQ(200, created.dialogResourceManager->m_nBackBufferWidth);
    EXPECT_EQ(100, created.dialogResourceManager->m_nBackBufferHeight);
    EXPECT_EQ(60, box.GetPixelPosition()[1]);

    DXUTShutdown(0);
    EXPECT_FALSE(created.textHelper);
    EXPECT_TRUE(created.guiResources.buffers.empty());
    EXPECT_EQ(nullptr, created.dialogResourceManager->GetD3D11Device());
    EXPECT_FALSE(resource->IsCreated());
    EXPECT_TRUE(resource->IsLoaded());
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
    const auto red = qz::test::RedOfBackBuffer(context, QZRoot.renderingDevice->CurrentScreen().swapChain, width);
    const auto at = [&](UINT x, UINT y) { return red[std::size_t{y} * width + x]; };
    EXPECT_EQ(255, at(10, 20));
    EXPECT_EQ(255, at(39, 59));
    EXPECT_EQ(0, at(9, 20));
    EXPECT_EQ(0, at(40, 59));
    EXPECT_EQ(0, at(10, 60));
    EXPECT_EQ(0, at(2, 2));  // the hidden one
}

// A real device whose shader resource views cannot be made (the text's glyph view).
class RefusingViewDevice : public qz::test::ForwardingDevice {
public:
    using ForwardingDevice::ForwardingDevice;

    HRESULT CreateShaderResourceView(ID3D11Resource*, const D3D11_SHADER_RESOURCE_VIEW_DESC*,
                                     ID3D11ShaderResourceView** view) override
    {
        *view = nullptr;
        return E_OUTOFMEMORY;
    }
};

TEST_F(EngineRootTest, FailedPlatformCallsAreReportedAndKeepNoReference)
{
    WriteConfiguration("Settings.xml", "failing");
    StartUp({});
    QZRoot.renderingDevice->CreateDevice();
    auto& screen = QZRoot.renderingDevice->screens[0];
    IDXGISwapChain* const realSwapChain = screen.swapChain;
    const std::string resize = "qz::engine::QZRootImpl::OnResizeWindow|engine\\EngineRoot|";

    qz::test::RefusingSwapChain noBuffer(DXGI_ERROR_INVALID_CALL);
    screen.swapChain = &noBuffer;
    EXPECT_EQ(resize + "Could not get backbuffer\nCOM error message: " + qz::core::ComErrorText(DXGI_ERROR_INVALID_CALL),
              qz::test::ReportOf([] { QZRoot.OnResizeWindow(); }));

    qz::test::RefusingSwapChain noSurface(S_OK);
    screen.swapChain = &noSurface;
    EXPECT_EQ(resize + "Could not get surface from backbuffer\nCOM error message: " + qz::core::ComErrorText(E_NOINTERFACE),
              qz::test::ReportOf([] { QZRoot.OnResizeWindow(); }));
    EXPECT_EQ(1u, noSurface.texture.Count()) << "the back buffer is released on the failure";
    screen.swapChain = realSwapChain;

    auto& record = QZRoot.renderingDevice->devices[0];
    ID3D11Device* const realDevice = record.device;
    ID3D11DeviceContext* const context = record.immediateContext;
    // Released first, so that the references left are DXUT's own.
    QZRoot.OnDestroyDevice();
    const ULONG contextCount = CountOf(context);
    {
        RefusingViewDevice refusing(realDevice);
        record.device = &refusing;
        EXPECT_EQ("qz::engine::QZRootImpl::OnCreateDevice|engine\\EngineRoot|Could not create dialog resource manager"
                  "\nCOM error message: " + qz::core::ComErrorText(E_OUTOFMEMORY),
                  qz::test::ReportOf([] { QZRoot.OnCreateDevice(); }));
        EXPECT_EQ(contextCount, CountOf(context)) << "the context is released on the failure";
        // Made again on the real device, nothing refers to the stand-in any more.
        record.device = realDevice;
        EXPECT_EQ(S_OK, QZRoot.OnCreateDevice());
        EXPECT_EQ(1u, refusing.Count());
    }
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
