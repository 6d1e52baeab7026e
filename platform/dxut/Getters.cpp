#include "platform/dxut/FrameworkState.h"

using namespace platform::dxut;

namespace {

template <class Member>
auto FromDevice(Member member) -> decltype((State().device.get()->*member).Get())
{
    const auto& device = State().device;
    return device ? (device.get()->*member).Get() : nullptr;
}

}  // namespace

void DXUTSetMultimonSettings(bool autoChangeAdapter) { State().autoChangeAdapter = autoChangeAdapter; }

void DXUTSetCursorSettings(bool showCursorWhenFullScreen, bool clipCursorWhenFullScreen)
{
    State().showCursorWhenFullScreen = showCursorWhenFullScreen;
    State().clipCursorWhenFullScreen = clipCursorWhenFullScreen;
}

void DXUTSetIsInGammaCorrectMode(bool gammaCorrect) { State().gammaCorrect = gammaCorrect; }
bool DXUTGetMultimonSettings() { return State().autoChangeAdapter; }
bool DXUTGetShowCursorWhenFullScreen() { return State().showCursorWhenFullScreen; }
bool DXUTGetClipCursorWhenFullScreen() { return State().clipCursorWhenFullScreen; }
bool DXUTIsInGammaCorrectMode() { return State().gammaCorrect; }

ID3D11Device* DXUTGetD3D11Device() { return FromDevice(&DeviceObjects::device); }
ID3D11DeviceContext* DXUTGetD3D11DeviceContext() { return FromDevice(&DeviceObjects::context); }
IDXGISwapChain* DXUTGetDXGISwapChain() { return FromDevice(&DeviceObjects::swapChain); }
ID3D11RenderTargetView* DXUTGetD3D11RenderTargetView() { return FromDevice(&DeviceObjects::renderTargetView); }
ID3D11DepthStencilView* DXUTGetD3D11DepthStencilView() { return FromDevice(&DeviceObjects::depthStencilView); }

bool DXUTLoadDXGI()
{
    FrameworkState& state = State();
    if (!state.factory) {
        CreateDXGIFactory1(__uuidof(IDXGIFactory1), reinterpret_cast<void**>(state.factory.ReleaseAndGetAddressOf()));
    }
    return static_cast<bool>(state.factory);
}

IDXGIFactory1* DXUTGetDXGIFactory() { return State().factory.Get(); }

const DXGI_SURFACE_DESC* DXUTGetDXGIBackBufferSurfaceDesc()
{
    return State().device ? &State().device->backBuffer : nullptr;
}

const DXUTDeviceSettings* DXUTGetCurrentDeviceSettings()
{
    return State().device ? &State().device->settings : nullptr;
}

HWND DXUTGetHWND() { return State().window.window ? &State().window : nullptr; }

bool DXUTIsWindowed()
{
    return !State().device || State().device->settings.d3d11.sd.Windowed;
}

double DXUTGetTime() { return State().statistics.Time(); }
float DXUTGetElapsedTime() { return State().statistics.ElapsedTime(); }
float DXUTGetFPS() { return State().statistics.Fps(); }

const WCHAR* DXUTGetFrameStats(bool showFPS)
{
    std::wstring& text = State().frameStatsText;
    text = FrameStatsText(DXUTGetFPS(), showFPS, DXUTGetCurrentDeviceSettings());
    return text.c_str();
}

const WCHAR* DXUTGetDeviceStats()
{
    FrameworkState& state = State();
    std::wstring& text = state.deviceStatsText;
    if (!state.device) {
        text = L"(no device)";
        return text.c_str();
    }
    DXGI_ADAPTER_DESC adapter{};
    ComPtr<IDXGIAdapter1> enumerated;
    if (state.factory &&
        SUCCEEDED(state.factory->EnumAdapters1(state.device->settings.d3d11.AdapterOrdinal, enumerated.ReleaseAndGetAddressOf()))) {
        enumerated->GetDesc(&adapter);
    }
    text = DeviceStatsText(adapter, state.device->device->GetFeatureLevel());
    return text.c_str();
}
