#include "platform/tweakbar/Context.h"

#include <algorithm>

namespace platform::tweakbar {

namespace {

TwCopyStdStringToClient& StoredCopyFunction()
{
    static TwCopyStdStringToClient copy = nullptr;
    return copy;
}

}  // namespace

Context& TheContext()
{
    static Context context;
    return context;
}

TwCopyStdStringToClient CopyStdStringToClient() { return StoredCopyFunction(); }

std::vector<DrawnBar> BarsToDraw()
{
    const Edit& edit = TheContext().interaction.CurrentEdit();
    std::vector<DrawnBar> drawn;
    for (CTwBar* bar : AllBarsInOrder()) {
        if (!bar->placement.visible) continue;
        const ShownBar shown = Show(*bar);
        drawn.push_back(DrawnBar {shown.frame, bar->placement.alpha, CellsOf(shown, edit)});
    }
    return drawn;
}

}  // namespace platform::tweakbar

using platform::tweakbar::TheContext;

int TwInit(TwGraphAPI graphAPI, void* device)
{
    platform::tweakbar::Context& context = TheContext();
    if (graphAPI != TW_DIRECT3D11 || !device || context.Started()) return 0;
    ID3D11Device* d3dDevice = static_cast<ID3D11Device*>(device);
    if (FAILED(platform::tweakbar::BarRenderer::Create(d3dDevice, context.renderer))) return 0;
    d3dDevice->AddRef();
    context.device = d3d11sw::ComPtr<ID3D11Device>::Attach(d3dDevice);
    return 1;
}

int TwTerminate()
{
    platform::tweakbar::DeleteAllBars();
    platform::tweakbar::Context& context = TheContext();
    const bool started = context.Started();
    context = platform::tweakbar::Context();
    return started ? 1 : 0;
}

int TwDraw()
{
    platform::tweakbar::Context& context = TheContext();
    if (!context.Started()) return 0;
    const platform::tweakbar::WindowSize size = context.windows[context.currentWindow];
    d3d11sw::ComPtr<ID3D11DeviceContext> immediate;
    context.device->GetImmediateContext(immediate.ReleaseAndGetAddressOf());
    context.renderer->Draw(immediate.Get(), platform::tweakbar::BarsToDraw(), size.width, size.height);
    return 1;
}

int TwWindowSize(int width, int height)
{
    platform::tweakbar::Context& context = TheContext();
    if (!context.Started()) return 0;
    context.windows[context.currentWindow] = {std::max(0, width), std::max(0, height)};
    return 1;
}

int TwSetCurrentWindow(int windowID)
{
    platform::tweakbar::Context& context = TheContext();
    if (!context.Started()) return 0;
    context.currentWindow = windowID;
    return 1;
}

int TwEventWin(HWND /*wnd*/, UINT msg, WPARAM wParam, LPARAM lParam)
{
    platform::tweakbar::Context& context = TheContext();
    return context.Started() ? context.interaction.Handle(msg, wParam, lParam) : 0;
}

void TwCopyStdStringToClientFunc(TwCopyStdStringToClient copyStdStringFunc)
{
    platform::tweakbar::StoredCopyFunction() = copyStdStringFunc;
}
