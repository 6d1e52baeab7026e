#include "tarnwick/dx11/RenderingDevice.h"

#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/core/FlushingLogs.h"
#include "tarnwick/core/WideText.h"
#include "tarnwick/dx11/ComRelease.h"
#include "tarnwick/engine/Configuration.h"

#include <algorithm>
#include <cwchar>

namespace qz::dx11 {

DeviceEventIds DeviceEvents;
RenderingDevice* RenderingDevice::instance_ = nullptr;

namespace {

RenderingDevice& Self(void* userContext) { return *static_cast<RenderingDevice*>(userContext); }

void Warn(const std::string& text)
{
    auto message = core::Logger::BeginMessage(core::LogLevelImportant);
    message.SetType(core::LogTypeWarning);
    message << text;
}

}  // namespace

RenderingDevice::Settings::Settings() : group("renderingdevice", "")
{
    group.AddTypedItem("windowtitle", &windowTitle);
    group.AddTypedItem("statsintitle", &statsInTitle);
    group.AddTypedItem("windowed", &windowed);
    group.AddTypedItem("vsync", &vsync);
    group.AddTypedItem("resolution", &resolution);
    group.AddTypedItem("gammecorrectmode", &gammaCorrectMode);
    group.AddTypedItem("samplecount", &sampleCount);
    group.AddTypedItem("msaaquality", &msaaQuality);
}

RenderingDevice::RenderingDevice(Configuration& configuration, utils::EventManager& events)
    : configuration_(configuration), events_(events)
{
    if (instance_) {
        QZ_THROW("qz::dx11::RenderingDevice::RenderingDevice", "Another rendering device has already been created");
    }
    instance_ = this;
    configuration_.engineSettings[settings.group.Name()] = &settings.group;
    DeviceEvents.created = events_.RegisterEvent("device_created").id;
    DeviceEvents.destroyed = events_.RegisterEvent("device_destroyed").id;
    DeviceEvents.windowResized = events_.RegisterEvent("device_window_resized").id;
    DeviceEvents.windowDestroyed = events_.RegisterEvent("device_window_destroyed").id;
    DeviceEvents.frameRendered = events_.RegisterEvent("device_frame_rendered").id;
    DeviceEvents.devicesCounted = events_.RegisterEvent("device_devices_counted").id;
    DeviceEvents.screensCounted = events_.RegisterEvent("device_screens_counted").id;
    devices.emplace_back();
    screens.emplace_back();
    screens.front().device = &devices.front();
}

RenderingDevice::~RenderingDevice()
{
    configuration_.engineSettings.erase(settings.group.Name());
    for (ScreenRecord& screen : screens) {
        SafeRelease(screen.adapter);
    }
    instance_ = nullptr;
}

void RenderingDevice::CreateDevice()
{
    core::Logger::BeginMessageWith("Initializing DirectX 11...\n\n");

    DXUTSetCallbackDeviceChanging(ModifyDeviceSettings, this);
    DXUTSetCallbackDeviceRemoved(OnDeviceRemoved, this);
    DXUTSetCallbackD3D11DeviceAcceptable(IsDeviceAcceptable, this);
    DXUTSetCallbackD3D11DeviceCreated(OnDeviceCreated, this);
    DXUTSetCallbackD3D11SwapChainResized(OnSwapChainResized, this);
    DXUTSetCallbackD3D11FrameRender(OnFrameRender, this);
    DXUTSetCallbackD3D11SwapChainReleasing(OnSwapChainReleasing, this);
    DXUTSetCallbackD3D11DeviceDestroyed(OnDeviceDestroyed, this);

    DXUTSetMultimonSettings(true);
    DXUTSetCursorSettings(true, true);
    DXUTSetIsInGammaCorrectMode(settings.gammaCorrectMode);

    events_.Fire(DeviceEvents.devicesCounted, nullptr);
    events_.Fire(DeviceEvents.screensCounted, nullptr);

    const char* const method = "qz::dx11::RenderingDevice::CreateDevice";
    try {
        HRESULT result = DXUTCreateWindow(core::WidenText(settings.windowTitle).c_str());
        if (FAILED(result)) {
            QZ_THROW_COM(method, result, "Could not create window");
        }
        result = DXUTCreateDevice(D3D_FEATURE_LEVEL_11_0, settings.windowed, settings.resolution.x,
                                  settings.resolution.y);
        if (FAILED(result)) {
            QZ_THROW_COM(method, result,
                         "Could not create device. Please ensure an acceptable device with Direct3D feature level "
                         "11.0 or above is available.");
        }
        result = DXUTInit(false, false);
        if (FAILED(result)) {
            QZ_THROW_COM(method, result, "Could not init DXUT");
        }
    } catch (...) {
        // No device or window outlives a failed start; a failure of this teardown would
        // only hide the one that matters.
        try {
            DXUTShutdown(0);
        } catch (...) {
        }
        throw;
    }

    core::Logger::BeginMessageWith("Aaaaaand we're good to go. Hf&gl good sirs.\n-------------------------------------------\n");
}

bool RenderingDevice::IsDeviceAcceptable(const CD3D11EnumAdapterInfo* adapterInfo, UINT /*output*/,
                                         const CD3D11EnumDeviceInfo* deviceInfo, DXGI_FORMAT /*backBufferFormat*/,
                                         bool /*windowed*/, void* /*userContext*/)
{
    {
        auto message = core::Logger::BeginMessage(core::LogLevelDetail);
        message << "Checking D3D11 Device: \n"
                << "\t" << core::NarrowText(adapterInfo->AdapterDesc.Description) << "\n"
                << "\tVideo memory: " << (adapterInfo->AdapterDesc.DedicatedVideoMemory >> 20) << " MB\n"
                << "\tFeature level: " << static_cast<unsigned>(deviceInfo->SelectedLevel);
    }
    core::Logger::BeginMessage(core::LogLevelDetail) << "Device accepted\n";
    return true;
}

bool RenderingDevice::ModifyDeviceSettings(DXUTDeviceSettings* deviceSettings, void* userContext)
{
    RenderingDevice& self = Self(userContext);
    DXUTD3D11DeviceSettings& d3d11 = deviceSettings->d3d11;
    d3d11.sd.SampleDesc.Count = static_cast<UINT>(self.settings.sampleCount);
    d3d11.sd.SampleDesc.Quality = static_cast<UINT>(self.settings.msaaQuality);
    d3d11.AutoCreateDepthStencil = true;
    d3d11.AutoDepthStencilFormat = DXGI_FORMAT_D32_FLOAT;
    d3d11.sd.BufferDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB;
    d3d11.SyncInterval = self.settings.vsync ? 1 : 0;

    // The adapter the device will be created on; the record keeps one reference.
    ScreenRecord& screen = self.screens.front();
    SafeRelease(screen.adapter);
    DXUTLoadDXGI();
    IDXGIFactory1* factory = DXUTGetDXGIFactory();
    const HRESULT result = factory ? factory->EnumAdapters1(d3d11.AdapterOrdinal, &screen.adapter) : E_FAIL;
    if (SUCCEEDED(result) && screen.adapter) {
        screen.adapter->GetDesc(&screen.adapterDesc);
    } else {
        screen.adapter = nullptr;
        screen.adapterDesc = DXGI_ADAPTER_DESC{};
        Warn("RenderingDevice: no adapter " + std::to_string(d3d11.AdapterOrdinal) + " to describe: " +
             core::ComErrorText(result));
    }
    return true;
}

bool RenderingDevice::OnDeviceRemoved(void* /*userContext*/) { return true; }

HRESULT RenderingDevice::OnDeviceCreated(ID3D11Device* device, const DXGI_SURFACE_DESC* /*backBuffer*/, void* userContext)
{
    RenderingDevice& self = Self(userContext);
    core::Logger::BeginMessageWith("Device created: ") << core::NarrowText(DXUTGetDeviceStats()) << "\n\n";
    DeviceRecord& record = self.devices.front();
    record.reserved0 = 0;
    record.reserved1 = 1;
    record.device = device;
    ID3D11DeviceContext* context = nullptr;
    device->GetImmediateContext(&context);
    record.immediateContext = context;
    SafeRelease(context);
    self.screens.front().device = &record;
    self.events_.Fire(DeviceEvents.created, nullptr);
    return S_OK;
}

HRESULT RenderingDevice::OnSwapChainResized(ID3D11Device* /*device*/, IDXGISwapChain* swapChain,
                                            const DXGI_SURFACE_DESC* backBuffer, void* userContext)
{
    RenderingDevice& self = Self(userContext);
    core::FlushingLogsOnError([&] {
        ScreenRecord& screen = self.screens.front();
        IDXGIOutput* output = nullptr;
        const HRESULT result = swapChain->GetContainingOutput(&output);
        if (SUCCEEDED(result) && output) {
            screen.output = output;
            output->GetDesc(&screen.outputDesc);
            output->Release();
        } else {
            screen.output = nullptr;
            screen.outputDesc = DXGI_OUTPUT_DESC{};
            Warn("RenderingDevice: no output contains the window: " + core::ComErrorText(result));
        }
        screen.height = backBuffer->Height;
        screen.width = backBuffer->Width;
        screen.window = DXUTGetHWND();
        screen.depthStencilView = DXUTGetD3D11DepthStencilView();
        screen.renderTargetView = DXUTGetD3D11RenderTargetView();
        screen.swapChain = swapChain;
        self.events_.Fire(DeviceEvents.windowResized, nullptr);
    });
    return S_OK;
}

void RenderingDevice::OnFrameRender(ID3D11Device* /*device*/, ID3D11DeviceContext* immediateContext, double /*time*/,
                                    float /*elapsedTime*/, void* userContext)
{
    RenderingDevice& self = Self(userContext);
    core::FlushingLogsOnError([&] { self.RenderFrame(immediateContext); });
}

void RenderingDevice::RenderFrame(ID3D11DeviceContext* immediateContext)
{
    if (ID3D11DepthStencilView* depth = CurrentScreen().depthStencilView) {
        immediateContext->ClearDepthStencilView(depth, D3D11_CLEAR_DEPTH, 1.0f, 0);
    }
    if (settings.windowed && settings.statsInTitle) {
        const float fps = DXUTGetFPS();
        wchar_t title[1024];
        FormatStatisticsTitle(title, core::WidenText(settings.windowTitle), fps);
        SetWindowTextW(DXUTGetHWND(), title);
    }
    if (renderingCallback) {
        renderingCallback->Render(immediateContext);
    }
    events_.Fire(DeviceEvents.frameRendered, immediateContext);
}

void RenderingDevice::OnSwapChainReleasing(void* userContext)
{
    RenderingDevice& self = Self(userContext);
    ScreenRecord& screen = self.screens.front();
    screen.depthStencilView = nullptr;
    screen.output = nullptr;
    screen.renderTargetView = nullptr;
    screen.swapChain = nullptr;
    self.events_.Fire(DeviceEvents.windowDestroyed, nullptr);
}

void RenderingDevice::OnDeviceDestroyed(void* userContext)
{
    RenderingDevice& self = Self(userContext);
    DeviceRecord& record = self.devices.front();
    record.device = nullptr;
    record.immediateContext = nullptr;
    SafeRelease(self.screens.front().adapter);
    self.events_.Fire(DeviceEvents.destroyed, nullptr);
}

void FormatStatisticsTitle(wchar_t (&buffer)[1024], const std::wstring& title, float fps)
{
    // Big enough for any float in "%.2f" twice.
    wchar_t statistics[160];
    const int length = std::swprintf(statistics, std::size(statistics), L" @ %.2f fps / %.2f ms",
                                     static_cast<double>(fps), static_cast<double>(1000.0f / fps));
    const std::size_t capacity = std::size(buffer) - 1;
    std::size_t used = std::min(title.size(), capacity);
    std::wmemcpy(buffer, title.data(), used);
    const std::size_t appended = std::min(length > 0 ? static_cast<std::size_t>(length) : 0, capacity - used);
    std::wmemcpy(buffer + used, statistics, appended);
    buffer[used + appended] = L'\0';
}

}  // namespace qz::dx11
