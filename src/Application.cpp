#include "src/Application.h"

#include "platform/win/WindowMessages.h"
#include "tarnwick/core/Logging.h"
#include "tarnwick/dx11/ComRelease.h"
#include "tarnwick/engine/EngineRoot.h"
#include "platform/tweakbar/AntTweakBar.h"

#include <algorithm>
#include <chrono>
#include <vector>

using qz::engine::QZRoot;

Application::Settings::Settings() : group("program", "Program")
{
    group.AddTypedItem("dumponclose", &dumpOnClose, "Dump the last frame when the window closes");
}

Application::Application(int argc, char** argv) : BasicApp(argc, argv)
{
    QZRoot.configuration->appSettings[settings.group.Name()] = &settings.group;
}

Application::~Application()
{
    // Members go before the base shuts the engine down; none of them may stay behind in
    // the engine's tables.
    infoText_.reset();
    infoPanel_.reset();
    if (settingsRestored_) {
        try {
            StoreSettings();
            QZRoot.configuration->StoreCopy(kLastSettingsFile);
        } catch (const std::exception&) {
            // Reported where it was thrown; the application ends either way.
        }
    }
    QZRoot.configuration->appSettings.erase(settings.group.Name());
}

void Application::UpdateScene()
{
    BasicApp::UpdateScene();
    if (infoText_) {
        UpdateInfoText(*infoText_);
    }
}

void Application::OnKeyboard(UINT key, bool keyDown, bool /*altDown*/)
{
    if (keyDown && key == kDumpFrameKey) {
        DumpFrame();
    }
}

LRESULT Application::MsgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE && settings.dumpOnClose) {
        DumpFrame();
    }
    return BasicApp::MsgProc(window, message, wParam, lParam);
}

HRESULT Application::OnCreateDevice()
{
    const HRESULT result = BasicApp::OnCreateDevice();
    if (QZRoot.renderingDevice->currentDeviceIndex == 0) {
        CreateMenu();
    }
    LoadShaders();
    if (!infoPanel_) {
        infoPanel_ = std::make_unique<qz::dev::GuiContainer2D>("infopanel");
        infoPanel_->horizontalDirection = qz::dev::GuiContainer2D::RightToLeft;
        infoText_ = std::make_unique<qz::dev::TextBox2D>(infoPanel_.get(), "infotext");
        infoText_->SetOffset(10, 10);
    }
    return result;
}

void Application::OnDestroyDevice()
{
    // The menu's bar goes before the tweak bars end.
    menu_.reset();
    qz::dx11::SafeRelease(MeshInputLayout);
    sceneEffect.Release();
    BasicApp::OnDestroyDevice();
}

void Application::OnResize()
{
    BasicApp::OnResize();
    if (menu_) {
        const qz::dx11::RenderingDevice::ScreenRecord& screen = QZRoot.renderingDevice->CurrentScreen();
        menu_->windowWidth = static_cast<std::int32_t>(screen.width);
        menu_->windowHeight = static_cast<std::int32_t>(screen.height);
        menu_->UpdateLayout();
    }
}

void Application::CreateMenu()
{
    menu_ = std::make_unique<qz::dev::TweakBarMenu>();
    std::vector<qz::utils::SettingsGroup*> groups;
    for (const auto& [name, group] : QZRoot.configuration->appSettings) {
        if (!group->Label().empty()) {
            groups.push_back(group);
        }
    }
    std::sort(groups.begin(), groups.end(), [](const auto* a, const auto* b) { return a->Name() < b->Name(); });
    for (qz::utils::SettingsGroup* group : groups) {
        menu_->AddItem(group->Name(), group->Label());
        group->AddToAntTweakBar(menu_->GetItem(group->Name()).bar, true);
    }
}

void Application::OnReleasingSwapChain() {}

void Application::LoadShaders()
{
    ID3D11Device* device = QZRoot.renderingDevice->CurrentDevice().device;
    qz::dx11::SafeRelease(MeshInputLayout);
    sceneEffect.Create(device);
    MeshInputLayout = sceneEffect.CreateMeshInputLayout(device);
}

void Application::OnStoreSettings() {}

void Application::OnSettingsRestored() { settingsRestored_ = true; }

void Application::Render(ID3D11DeviceContext* immediateContext)
{
    frameTimeAverage.AddValue(static_cast<float>(QZRoot.timer->Elapsed()));
    const qz::dx11::RenderingDevice::ScreenRecord& screen = QZRoot.renderingDevice->CurrentScreen();
    const float background[4] = {0.08f, 0.09f, 0.12f, 1.0f};
    if (screen.renderTargetView) {
        immediateContext->ClearRenderTargetView(screen.renderTargetView, background);
    }
    TwDraw();
    QZRoot.CurrentDeviceData().guiResources.Root().Render(immediateContext);
    BasicApp::Render(immediateContext);
}
