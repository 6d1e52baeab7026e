#pragma once
// The base of the one application object and the run sequence of the interactive mode.
// The framework reaches the application only through the virtual operations below: the
// base starts the engine root, turns the rendering device's events into operations and
// gives working defaults for the camera, the tweak bars, the settings dialog and frame
// dumps.

#include "platform/dxut/DXUT.h"
#include "tarnwick/dev/FrameDump.h"
#include "tarnwick/dev/MovingAverage.h"
#include "tarnwick/dx11/RenderingDevice.h"
#include "tarnwick/utils/Camera.h"
#include "tarnwick/utils/EventManager.h"

namespace qz::dev {
class TextBox2D;
}

namespace qz::engine {

class ISceneUpdateCallback {
public:
    virtual ~ISceneUpdateCallback() = default;
    virtual void UpdateScene() = 0;
};

class BasicApp : public ISceneUpdateCallback,
                 public dx11::IRenderingCallback,
                 public utils::EventManager::IEventHandler {
public:
    // Starts the engine root with the command line; throws when an application exists.
    BasicApp(int argc, char** argv);
    // Leaves the events and the configuration, shuts the engine root down and tears the
    // logger down.
    ~BasicApp() override;
    BasicApp(const BasicApp&) = delete;
    BasicApp& operator=(const BasicApp&) = delete;

    // Once per frame before rendering: the camera's frame move.
    void UpdateScene() override;
    virtual void OnKeyboard(UINT key, bool keyDown, bool altDown);
    virtual void OnMouse(bool left, bool right, bool middle, bool side1, bool side2, int wheelDelta, int x, int y);
    // The settings dialog while it is active (F2 closes it), then the tweak bars for the
    // device window, then the camera.
    virtual LRESULT MsgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual void RestoreSettings();
    virtual HRESULT OnCreateDevice();
    virtual void OnDestroyDevice();
    // The settings dialog, the camera's projection, the tweak bars' window size and the
    // back buffer as the frame dump's "backbuffer" entry follow the new size.
    virtual void OnResize();
    virtual void OnReleasingSwapChain() {}
    virtual void OnDevicesCounted();
    virtual void OnScreensCounted() {}
    virtual void LoadShaders() {}
    virtual void OnStoreSettings() {}
    virtual void StoreSettings();
    virtual void OnSettingsRestored() {}

    // The settings dialog while it is active.
    void Render(ID3D11DeviceContext* immediateContext) override;
    // Turns the device events into the operations above.
    void HandleEvent(const utils::EventManager::EventArgs* args) final;

    // Stores the settings, then dumps the frame into "./Media/Framedumps/".
    void DumpFrame();
    // Frame and device statistics and every statistics collection as the box's lines.
    void UpdateInfoText(dev::TextBox2D& textBox);

    static BasicApp* Instance() { return instance_; }

    CD3DSettingsDlg settingsDialog;
    utils::Camera camera;
    dev::FrameDump frameDump;
    dev::MovingAverage<float, 10> frameTimeAverage;

private:
    void SubscribeToDeviceEvents();
    void UnsubscribeFromDeviceEvents();
    void LeaveEngine() noexcept;

    static BasicApp* instance_;
};

// Loads the configuration, restores and overrides the application's settings, creates
// the device and runs the message loop until the window closes. Throws when no
// application object is set.
void Run();

// Assigns the source to the destination unless both are one string.
void CopyStdStringToClient(std::string& destination, const std::string& source);

}  // namespace qz::engine

// The one application object, set by the program's entry before it calls Run.
extern qz::engine::BasicApp* ApplicationInstance;
