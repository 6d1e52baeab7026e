#pragma once
// The application of the interactive mode: a window that shows the frame and device
// statistics at its top-right corner, draws the tweak bars and the 2D GUI over a cleared
// frame, and dumps the frame on F12. Its labelled settings groups are bars of the
// tweak-bar menu; its scene effect gives the meshes' pass and input layout.

#include "src/SceneEffect.h"
#include "tarnwick/dev/GUI.h"
#include "tarnwick/dev/TweakBarMenu.h"
#include "tarnwick/engine/AppPrototypes.h"
#include "tarnwick/utils/Settings.h"

#include <memory>

class Application : public qz::engine::BasicApp {
public:
    // The key that dumps the frame into ./Media/Framedumps/.
    static constexpr UINT kDumpFrameKey = 0x7B;  // F12
    // Where the settings go when the application ends.
    static constexpr const char* kLastSettingsFile = "./lastsettings.xml";

    // The application's own settings, group "program".
    struct Settings {
        Settings();
        Settings(const Settings&) = delete;
        Settings& operator=(const Settings&) = delete;

        bool dumpOnClose = false;
        qz::utils::SettingsGroup group;
    };

    Application(int argc, char** argv);
    // Stores the settings to ./lastsettings.xml, once the run sequence has restored them:
    // a run that never loaded them (the usage text) keeps the user's last state.
    ~Application() override;

    void UpdateScene() override;
    void OnKeyboard(UINT key, bool keyDown, bool altDown) override;
    LRESULT MsgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    HRESULT OnCreateDevice() override;
    void OnDestroyDevice() override;
    void OnResize() override;
    void OnReleasingSwapChain() override;
    void LoadShaders() override;
    void OnStoreSettings() override;
    void OnSettingsRestored() override;
    void Render(ID3D11DeviceContext* immediateContext) override;

    Settings settings;
    SceneEffect sceneEffect;
    // Between device creation and destruction.
    qz::dev::TweakBarMenu* Menu() const { return menu_.get(); }
    // Null until the first device exists.
    const qz::dev::TextBox2D* InfoText() const { return infoText_.get(); }
    const qz::dev::GuiContainer2D* InfoPanel() const { return infoPanel_.get(); }

private:
    // One bar per settings group of the configuration's application table that has a
    // label, in name order.
    void CreateMenu();

    std::unique_ptr<qz::dev::TweakBarMenu> menu_;
    // A panel over the whole screen that flows from the right, holding the info text.
    std::unique_ptr<qz::dev::GuiContainer2D> infoPanel_;
    std::unique_ptr<qz::dev::TextBox2D> infoText_;
    bool settingsRestored_ = false;
};
