#pragma once
// The engine root: the framework's services (configuration, event manager, frame timer,
// rendering device), the command line, the per-device resources of the framework's
// drawing code and the one application object. The application base starts it up and
// shuts it down; in between it creates and releases the per-device resources on the
// rendering device's events and hands the window framework's input and frame-move
// callbacks to the application.

#include "platform/dxut/DXUT.h"
#include "tarnwick/dev/GuiResources.h"
#include "tarnwick/dx11/RenderingDevice.h"
#include "tarnwick/dx11/ResourceManager.h"
#include "tarnwick/engine/Configuration.h"
#include "tarnwick/utils/EventManager.h"
#include "tarnwick/utils/Settings.h"
#include "tarnwick/utils/Timer.h"

#include <memory>
#include <string>
#include <vector>

namespace qz::engine {

class BasicApp;

// The engine's own options, read from the command line only and never stored.
struct EngineOptions {
    std::string config = "./Settings.xml";
    bool verbose = false;
};

// The group that carries the engine options on the command line: "unnamed", items
// "config" and "verbose", bound to the options given.
std::unique_ptr<utils::SettingsGroup> MakeEngineOptionsGroup(EngineOptions& options);

class QZRootImpl : public utils::EventManager::IEventHandler {
public:
    struct DeviceData {
        dev::GuiResources guiResources;
        // Texture resources that other parts register by name; owned by the table.
        dx11::ResourceTable resources;
        std::shared_ptr<CDXUTTextHelper> textHelper;
        std::shared_ptr<CDXUTDialogResourceManager> dialogResourceManager;
    };

    // Banner, engine options and services, then the window framework's input callbacks.
    void StartUp(int argc, char** argv);
    void StartUpSettings(int argc, char** argv);
    // "./Media/configuration/" + name.
    static std::string GetConfigurationPath(const std::string& name);

    void HandleEvent(const utils::EventManager::EventArgs* args) override;
    HRESULT OnCreateDevice();
    void OnDestroyDevice();
    void OnResizeWindow();

    // Deletes the rendering device, the timer, the event manager and the configuration.
    void ShutDown();

    // The data of the rendering device's current device; throws while there is none.
    DeviceData& CurrentDeviceData();
    // Null when there is no rendering device or no data for its current device.
    DeviceData* FindCurrentDeviceData();

    static void OnFrameMove(double time, float elapsedTime, void* userContext);
    static void OnKeyboard(UINT key, bool keyDown, bool altDown, void* userContext);
    static void OnMouse(bool left, bool right, bool middle, bool side1, bool side2, int wheelDelta, int x,
                                 int y, void* userContext);
    static LRESULT MsgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                    bool* noFurtherProcessing, void* userContext);

    std::unique_ptr<dx11::RenderingDevice> renderingDevice;
    std::unique_ptr<utils::EventManager> eventManager;
    std::unique_ptr<utils::Timer> timer;
    std::unique_ptr<Configuration> configuration;
    int argc = 0;
    // The process's own strings; only the array is a copy.
    std::vector<char*> argv;
    std::vector<DeviceData> deviceData;
    BasicApp* application = nullptr;
};

// The one engine root.
extern QZRootImpl QZRoot;

}  // namespace qz::engine
