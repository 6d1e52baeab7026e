#pragma once
// The one Direct3D device and window of the system. It has the window framework create
// them, turns each device callback into a named event, keeps the window settings group
// "renderingdevice", and in every frame clears the depth buffer, writes the frame
// statistics into the window title and calls the rendering callback.
//
// Events, in order: "device_devices_counted" and "device_screens_counted" before any
// window; "device_created", then "device_window_resized" inside CreateDevice; once per
// frame "device_frame_rendered" (data: the immediate context); on every resize
// "device_window_destroyed", then "device_window_resized"; at the framework's shutdown
// "device_window_destroyed", then "device_destroyed".

#include "platform/dxut/DXUT.h"
#include "tarnwick/core/SerializableVectors.h"
#include "tarnwick/utils/EventManager.h"
#include "tarnwick/utils/Settings.h"

#include <cstdint>
#include <string>
#include <vector>

class Configuration;

namespace qz::dx11 {

class IRenderingCallback {
public:
    virtual ~IRenderingCallback() = default;
    virtual void Render(ID3D11DeviceContext* immediateContext) = 0;
};

// The ids of the device events, set when the rendering device registers them.
struct DeviceEventIds {
    std::int32_t created = 0;
    std::int32_t destroyed = 0;
    std::int32_t windowResized = 0;
    std::int32_t windowDestroyed = 0;
    std::int32_t frameRendered = 0;
    std::int32_t devicesCounted = 0;
    std::int32_t screensCounted = 0;
};
extern DeviceEventIds DeviceEvents;

class RenderingDevice {
public:
    struct DeviceRecord {
        // Written 0 and 1 when the device is created; nothing reads them.
        std::uint32_t reserved0 = 0;
        std::uint32_t reserved1 = 0;
        ID3D11Device* device = nullptr;
        // No reference of the record's own: the framework owns device and context.
        ID3D11DeviceContext* immediateContext = nullptr;
    };

    struct ScreenRecord {
        HWND window = nullptr;
        // The one reference the record owns.
        IDXGIAdapter1* adapter = nullptr;
        // Which output it was; its reference is released once the description is read.
        IDXGIOutput* output = nullptr;
        IDXGISwapChain* swapChain = nullptr;
        DeviceRecord* device = nullptr;
        ID3D11RenderTargetView* renderTargetView = nullptr;
        ID3D11DepthStencilView* depthStencilView = nullptr;
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        DXGI_ADAPTER_DESC adapterDesc{};
        DXGI_OUTPUT_DESC outputDesc{};
    };

    // The window settings and their group "renderingdevice".
    struct Settings {
        Settings();
        Settings(const Settings&) = delete;
        Settings& operator=(const Settings&) = delete;

        std::string windowTitle = "RenderWindow";
        bool statsInTitle = true;
        bool windowed = true;
        bool vsync = true;
        core::Int32Vec2 resolution{1280, 720};
        bool gammaCorrectMode = true;
        std::int32_t sampleCount = 1;
        std::int32_t msaaQuality = 0;
        utils::SettingsGroup group;
    };

    // Enters the settings group into the configuration's engine table and registers the
    // seven device events; throws when a rendering device exists already. Both services
    // must outlive the device.
    RenderingDevice(Configuration& configuration, utils::EventManager& events);
    ~RenderingDevice();
    RenderingDevice(const RenderingDevice&) = delete;
    RenderingDevice& operator=(const RenderingDevice&) = delete;

    // Registers the callbacks, fires the counted events and has the framework create the
    // window and the device; throws on failure, after the framework has shut down again.
    void CreateDevice();

    static RenderingDevice* Instance() { return instance_; }
    DeviceRecord& CurrentDevice() { return devices[currentDeviceIndex]; }
    ScreenRecord& CurrentScreen() { return screens[currentScreenIndex]; }

    std::vector<DeviceRecord> devices;
    std::vector<ScreenRecord> screens;
    std::uint32_t currentDeviceIndex = 0;
    std::uint32_t currentScreenIndex = 0;
    IRenderingCallback* renderingCallback = nullptr;
    Settings settings;

    // The framework's device callbacks; the user context is the rendering device.
    static bool IsDeviceAcceptable(const CD3D11EnumAdapterInfo* adapterInfo, UINT output,
                                   const CD3D11EnumDeviceInfo* deviceInfo, DXGI_FORMAT backBufferFormat,
                                   bool windowed, void* userContext);
    static bool ModifyDeviceSettings(DXUTDeviceSettings* deviceSettings, void* userContext);
    static bool OnDeviceRemoved(void* userContext);
    static HRESULT OnDeviceCreated(ID3D11Device* device, const DXGI_SURFACE_DESC* backBuffer, void* userContext);
    static HRESULT OnSwapChainResized(ID3D11Device* device, IDXGISwapChain* swapChain,
                                      const DXGI_SURFACE_DESC* backBuffer, void* userContext);
    static void OnFrameRender(ID3D11Device* device, ID3D11DeviceContext* immediateContext, double time,
                              float elapsedTime, void* userContext);
    static void OnSwapChainReleasing(void* userContext);
    static void OnDeviceDestroyed(void* userContext);

private:
    void RenderFrame(ID3D11DeviceContext* immediateContext);

    static RenderingDevice* instance_;
    Configuration& configuration_;
    utils::EventManager& events_;
};

// "<title> @ <fps> fps / <ms> ms" in a buffer of 1024 characters; a longer text is cut,
// and the buffer always ends with a terminating zero.
void FormatStatisticsTitle(wchar_t (&buffer)[1024], const std::wstring& title, float fps);

}  // namespace qz::dx11
