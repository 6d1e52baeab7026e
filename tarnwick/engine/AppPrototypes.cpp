#include "tarnwick/engine/AppPrototypes.h"

#include "platform/tweakbar/AntTweakBar.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowMessages.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/core/WideText.h"
#include "tarnwick/dev/GUI.h"
#include "tarnwick/dev/Statistics.h"
#include "tarnwick/dx11/BackBuffer.h"
#include "tarnwick/engine/EngineRoot.h"

#include <sstream>

qz::engine::BasicApp* ApplicationInstance = nullptr;

namespace qz::engine {

BasicApp* BasicApp::instance_ = nullptr;

namespace {

// The six device events the application base turns into operations, in the order it
// subscribes to them.
std::array<std::int32_t, 6> AppEvents()
{
    const dx11::DeviceEventIds& e = dx11::DeviceEvents;
    return {e.devicesCounted, e.screensCounted, e.created, e.destroyed, e.windowDestroyed, e.windowResized};
}

float ElapsedSeconds()
{
    return QZRoot.timer ? static_cast<float>(QZRoot.timer->Elapsed()) / 1000.0f : 0.0f;
}

}  // namespace

void CopyStdStringToClient(std::string& destination, const std::string& source)
{
    if (&destination != &source) {
        destination = source;
    }
}

BasicApp::BasicApp(int argc, char** argv)
{
    if (instance_) {
        QZ_THROW("qz::engine::BasicApp::BasicApp", "An instance of another tarnwickApp has already been created");
    }
    instance_ = this;
    try {
        QZRoot.StartUp(argc, argv);
        core::Logger::BeginMessageWith("Initializing app...");
        QZRoot.renderingDevice->renderingCallback = this;
        QZRoot.application = this;
        SubscribeToDeviceEvents();

        camera.SetViewParams(DirectX::XMVectorSet(0.0f, 0.0f, -5.0f, 1.0f), DirectX::XMVectorSet(0.0f, 0.0f, 0.0f, 1.0f));
        camera.SetNumberOfFramesToSmoothMouseData(5);
        camera.SetEnablePositionMovement(true);
        camera.SetEnableYAxisMovement(true);
        camera.SetScalers(0.005f, 1.0f);
        camera.SetRotateButtons(true, false, false, false);
        QZRoot.configuration->appSettings[camera.Settings().Name()] = &camera.Settings();
    } catch (...) {
        // No destructor runs for a half-built application: leave the engine as found.
        LeaveEngine();
        throw;
    }
}

BasicApp::~BasicApp()
{
    LeaveEngine();
    core::Logger::Release();
}

void BasicApp::LeaveEngine() noexcept
{
    UnsubscribeFromDeviceEvents();
    // The camera's group dies with this object, after the configuration would still
    // refer to it.
    if (QZRoot.configuration) {
        QZRoot.configuration->appSettings.erase(camera.Settings().Name());
    }
    if (QZRoot.renderingDevice && QZRoot.renderingDevice->renderingCallback == this) {
        QZRoot.renderingDevice->renderingCallback = nullptr;
    }
    if (QZRoot.application == this) {
        QZRoot.application = nullptr;
    }
    QZRoot.ShutDown();
    if (ApplicationInstance == this) {
        ApplicationInstance = nullptr;
    }
    instance_ = nullptr;
}

void BasicApp::SubscribeToDeviceEvents()
{
    for (std::int32_t event : AppEvents()) {
        QZRoot.eventManager->Subscribe(event, this);
    }
}

void BasicApp::UnsubscribeFromDeviceEvents()
{
    if (!QZRoot.eventManager) {
        return;
    }
    for (std::int32_t event : AppEvents()) {
        QZRoot.eventManager->Unsubscribe(event, this);
    }
}

void BasicApp::HandleEvent(const utils::EventManager::EventArgs* args)
{
    const std::int32_t id = args->event->id;
    const dx11::DeviceEventIds& e = dx11::DeviceEvents;
    if (id == e.created) {
        OnCreateDevice();
    } else if (id == e.destroyed) {
        OnDestroyDevice();
    } else if (id == e.windowResized) {
        OnResize();
    } else if (id == e.windowDestroyed) {
        OnReleasingSwapChain();
    } else if (id == e.devicesCounted) {
        OnDevicesCounted();
    } else if (id == e.screensCounted) {
        OnScreensCounted();
    }
}

void BasicApp::UpdateScene()
{
    camera.FrameMove(ElapsedSeconds());
}

void BasicApp::OnKeyboard(UINT /*key*/, bool /*keyDown*/, bool /*altDown*/) {}

void BasicApp::OnMouse(bool, bool, bool, bool, bool, int, int, int) {}

LRESULT BasicApp::MsgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (settingsDialog.IsActive()) {
        settingsDialog.MsgProc(window, message, wParam, lParam);
        if (message == WM_KEYDOWN && wParam == VK_F2) {
            settingsDialog.SetActive(false);
        }
    }
    const dx11::RenderingDevice* device = QZRoot.renderingDevice.get();
    if (device && window == device->screens[device->currentScreenIndex].window) {
        TwSetCurrentWindow(0);
        if (const int handled = TwEventWin(window, message, wParam, lParam)) {
            return handled;
        }
    }
    return camera.HandleMessages(window, message, wParam, lParam);
}

void BasicApp::RestoreSettings()
{
    OnSettingsRestored();
}

HRESULT BasicApp::OnCreateDevice()
{
    const dx11::RenderingDevice& device = *QZRoot.renderingDevice;
    if (device.currentDeviceIndex == 0) {
        TwInit(TW_DIRECT3D11, device.devices[0].device);
        TwCopyStdStringToClientFunc(CopyStdStringToClient);
    }
    return S_OK;
}

void BasicApp::OnDestroyDevice()
{
    TwTerminate();
}

void BasicApp::OnResize()
{
    const char* const method = "qz::engine::BasicApp::OnResize";
    dx11::RenderingDevice& device = *QZRoot.renderingDevice;
    const dx11::RenderingDevice::ScreenRecord& screen = device.CurrentScreen();

    dx11::BackBuffer backBuffer;
    const char* failure = "";
    const HRESULT result = dx11::GetBackBuffer(screen.swapChain, backBuffer, failure);
    if (FAILED(result)) {
        QZ_THROW_COM(method, result, failure);
    }
    const DXGI_SURFACE_DESC& desc = backBuffer.surface;

    settingsDialog.OnD3D11ResizedSwapChain(device.CurrentDevice().device, &desc);
    camera.SetProjParams(1.0471976f, static_cast<float>(screen.width) / static_cast<float>(screen.height), 0.01f,
                         100.0f);
    if (device.currentDeviceIndex == 0) {
        TwSetCurrentWindow(static_cast<int>(device.currentScreenIndex));
        TwWindowSize(static_cast<int>(screen.width), static_cast<int>(screen.height));
    }
    frameDump.screenshots.clear();
    dev::FrameDump::Screenshot entry;
    entry.texture = backBuffer.texture.get();
    entry.fillBackground = true;
    frameDump.screenshots["backbuffer"] = entry;
}

void BasicApp::OnDevicesCounted()
{
    const std::size_t devices = QZRoot.renderingDevice->devices.size();
    for (std::size_t i = 0; i < devices && i < QZRoot.deviceData.size(); ++i) {
        settingsDialog.Init(QZRoot.deviceData[i].dialogResourceManager.get());
    }
}

void BasicApp::StoreSettings()
{
    OnStoreSettings();
}

void BasicApp::Render(ID3D11DeviceContext* /*immediateContext*/)
{
    if (settingsDialog.IsActive()) {
        settingsDialog.OnRender(ElapsedSeconds());
    }
}

void BasicApp::DumpFrame()
{
    StoreSettings();
    frameDump.Dump("./Media/Framedumps/", "",
                   [](const std::string& fileName) { QZRoot.configuration->StoreCopy(fileName); });
}

void BasicApp::UpdateInfoText(dev::TextBox2D& textBox)
{
    const DXUTDeviceSettings* settings = DXUTGetCurrentDeviceSettings();
    const bool showFps = !settings || settings->d3d11.SyncInterval == 0;
    const dev::Float4 yellow{1.0f, 1.0f, 0.0f, 1.0f};
    const dev::Float4 white{1.0f, 1.0f, 1.0f, 1.0f};
    std::ostringstream statistics;
    dev::Statistics::AppendText(statistics, false);

    textBox.lines.clear();
    textBox.lines.push_back({dev::TextBox2D::Right, core::NarrowText(DXUTGetFrameStats(showFps)), yellow});
    textBox.lines.push_back({dev::TextBox2D::Right, core::NarrowText(DXUTGetDeviceStats()), yellow});
    textBox.lines.push_back({dev::TextBox2D::Left, "", white});
    textBox.lines.push_back({dev::TextBox2D::Right, statistics.str(), white});
}

void Run()
{
    BasicApp* application = ApplicationInstance;
    if (!application) {
        QZ_THROW("qz::engine::Run", "No application object: ApplicationInstance must be set before Run");
    }
    if (!QZRoot.configuration || !QZRoot.renderingDevice) {
        QZ_THROW("qz::engine::Run", "The engine is not started: the application object must be a living BasicApp");
    }
    QZRoot.configuration->Load();
    application->RestoreSettings();
    for (auto& [name, group] : QZRoot.configuration->appSettings) {
        group->ApplyCommandLine(QZRoot.argc, QZRoot.argv.data());
    }
    QZRoot.renderingDevice->CreateDevice();
    try {
        DXUTMainLoop();
    } catch (...) {
        // The window and the device go in any case; a failure of that would only hide
        // the one that matters.
        try {
            DXUTShutdown(1);
        } catch (...) {
        }
        throw;
    }
    DXUTShutdown(1);
}

}  // namespace qz::engine
