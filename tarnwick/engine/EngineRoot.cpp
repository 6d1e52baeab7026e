#include "tarnwick/engine/EngineRoot.h"

#include "platform/win/Files.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/core/FlushingLogs.h"
#include "tarnwick/dx11/BackBuffer.h"
#include "tarnwick/dx11/ComRelease.h"
#include "tarnwick/engine/AppPrototypes.h"

namespace qz::engine {

QZRootImpl QZRoot;

namespace {

constexpr const char* kBanner =
    "==============================================\n"
    "   _                          _      _\n"
    "  | |_ __ _ _ __ _ ____      _(_) ___| | __\n"
    "  | __/ _` | '__| '_ \\ \\ /\\ / / |/ __| |/ /\n"
    "  | || (_| | |  | | | \\ V  V /| | (__|   <\n"
    "   \\__\\__,_|_|  |_| |_|\\_/\\_/ |_|\\___|_|\\_\\\n"
    "\n"
    "==============================================";

}  // namespace

std::unique_ptr<utils::SettingsGroup> MakeEngineOptionsGroup(EngineOptions& options)
{
    auto group = std::make_unique<utils::SettingsGroup>("unnamed", "");
    group->AddTypedItem("config", &options.config);
    group->AddTypedItem("verbose", &options.verbose);
    return group;
}

void QZRootImpl::StartUp(int argCount, char** args)
{
    core::Logger::BeginMessage(core::LogLevelImportant) << kBanner;
    core::Logger::BeginMessage(core::LogLevelImportant) << "... Starting up ...\n";
    StartUpSettings(argCount, args);
    DXUTSetCallbackFrameMove(OnFrameMove);
    DXUTSetCallbackKeyboard(OnKeyboard);
    DXUTSetCallbackMouse(OnMouse, true);
    DXUTSetCallbackMsgProc(MsgProc);
}

void QZRootImpl::StartUpSettings(int argCount, char** args)
{
    EngineOptions options;
    const auto group = MakeEngineOptionsGroup(options);
    group->ApplyCommandLine(argCount, args);

    if (options.verbose) {
        if (core::Logger* logger = core::Logger::Instance(); logger && logger->Streams().size() > 1) {
            logger->Streams()[1]->SetMinLevel(core::LogLevelDetail);
        }
    }

    std::string path = options.config;
    if (!platform::win::FileExists(path)) {
        path = GetConfigurationPath(options.config);
        if (!platform::win::FileExists(path)) {
            path = "./Settings.xml";
        }
    }

    configuration = std::make_unique<Configuration>(path);
    eventManager = std::make_unique<utils::EventManager>();
    timer = std::make_unique<utils::Timer>();
    timer->SetScale(1.0);
    timer->Update();
    renderingDevice = std::make_unique<dx11::RenderingDevice>(*configuration, *eventManager);

    configuration->Load();
    application = nullptr;
    // Zero total and elapsed time, running from now.
    timer->Reset();

    argc = argCount;
    argv.assign(args, args + argCount);

    for (std::int32_t event : {dx11::DeviceEvents.devicesCounted, dx11::DeviceEvents.created, dx11::DeviceEvents.destroyed,
                               dx11::DeviceEvents.windowResized, dx11::DeviceEvents.windowDestroyed}) {
        eventManager->Subscribe(event, this);
    }
}

std::string QZRootImpl::GetConfigurationPath(const std::string& name)
{
    return "./Media/configuration/" + name;
}

void QZRootImpl::HandleEvent(const utils::EventManager::EventArgs* args)
{
    const std::int32_t id = args->event->id;
    if (id == dx11::DeviceEvents.devicesCounted) {
        deviceData.resize(renderingDevice->devices.size());
        for (DeviceData& data : deviceData) {
            data.dialogResourceManager = std::make_shared<CDXUTDialogResourceManager>();
        }
    } else if (id == dx11::DeviceEvents.created) {
        // A failing resource was logged by the pass; the event has no way to report it.
        OnCreateDevice();
    } else if (id == dx11::DeviceEvents.destroyed) {
        OnDestroyDevice();
    } else if (id == dx11::DeviceEvents.windowResized) {
        OnResizeWindow();
    }
}

QZRootImpl::DeviceData* QZRootImpl::FindCurrentDeviceData()
{
    const dx11::RenderingDevice* device = renderingDevice ? renderingDevice.get() : dx11::RenderingDevice::Instance();
    if (!device || device->currentDeviceIndex >= deviceData.size()) {
        return nullptr;
    }
    return &deviceData[device->currentDeviceIndex];
}

QZRootImpl::DeviceData& QZRootImpl::CurrentDeviceData()
{
    DeviceData* data = FindCurrentDeviceData();
    if (!data) {
        QZ_THROW("qz::engine::QZRootImpl::CurrentDeviceData", "No data for the current device: the devices were not counted");
    }
    return *data;
}

HRESULT QZRootImpl::OnCreateDevice()
{
    DeviceData& data = CurrentDeviceData();
    ID3D11Device* device = renderingDevice->CurrentDevice().device;
    data.guiResources.Create(device);

    ID3D11DeviceContext* acquired = nullptr;
    device->GetImmediateContext(&acquired);
    const dx11::ComOwner<ID3D11DeviceContext> context(acquired);
    const HRESULT result = data.dialogResourceManager->OnD3D11CreateDevice(device, context.get());
    if (FAILED(result)) {
        QZ_THROW_COM("qz::engine::QZRootImpl::OnCreateDevice", result, "Could not create dialog resource manager");
    }
    data.textHelper = std::make_shared<CDXUTTextHelper>(device, context.get(), data.dialogResourceManager.get(), 12);
    return dx11::CreateRequiredResources(data.resources, device);
}

void QZRootImpl::OnDestroyDevice()
{
    DeviceData& data = CurrentDeviceData();
    data.guiResources.Release();
    data.dialogResourceManager->OnD3D11DestroyDevice();
    dx11::ReleaseCreatedResources(data.resources);
    data.textHelper.reset();
}

void QZRootImpl::OnResizeWindow()
{
    const char* const method = "qz::engine::QZRootImpl::OnResizeWindow";
    DeviceData& data = CurrentDeviceData();
    data.guiResources.root->Layout();

    dx11::BackBuffer backBuffer;
    const char* failure = "";
    const HRESULT result = dx11::GetBackBuffer(renderingDevice->CurrentScreen().swapChain, backBuffer, failure);
    if (FAILED(result)) {
        QZ_THROW_COM(method, result, failure);
    }
    const DXGI_SURFACE_DESC& desc = backBuffer.surface;
    data.dialogResourceManager->m_nBackBufferWidth = static_cast<int>(desc.Width);
    data.dialogResourceManager->m_nBackBufferHeight = static_cast<int>(desc.Height);
}

void QZRootImpl::ShutDown()
{
    renderingDevice.reset();
    timer.reset();
    eventManager.reset();
    configuration.reset();
    argv.clear();
    argv.shrink_to_fit();
    argc = 0;
}

void QZRootImpl::OnFrameMove(double /*time*/, float /*elapsedTime*/, void* /*userContext*/)
{
    core::FlushingLogsOnError([] {
        if (QZRoot.timer) {
            QZRoot.timer->Update();
        }
        if (QZRoot.application) {
            QZRoot.application->UpdateScene();
        }
    });
}

void QZRootImpl::OnKeyboard(UINT key, bool keyDown, bool altDown, void* /*userContext*/)
{
    if (QZRoot.application) {
        QZRoot.application->OnKeyboard(key, keyDown, altDown);
    }
}

void QZRootImpl::OnMouse(bool left, bool right, bool middle, bool side1, bool side2, int wheelDelta, int x, int y,
                         void* /*userContext*/)
{
    if (QZRoot.application) {
        QZRoot.application->OnMouse(left, right, middle, side1, side2, wheelDelta, x, y);
    }
}

LRESULT QZRootImpl::MsgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool* noFurtherProcessing,
                            void* /*userContext*/)
{
    if (noFurtherProcessing) {
        *noFurtherProcessing = false;
    }
    if (!QZRoot.application) {
        return 0;
    }
    return QZRoot.application->MsgProc(window, message, wParam, lParam);
}

}  // namespace qz::engine
