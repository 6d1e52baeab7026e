// Creating, resizing, recreating and releasing the device objects, with their callbacks.

#include "platform/dxut/FrameworkState.h"
#include "platform/win/ComError.h"
#include "platform/dxut/Utf8.h"

#include <algorithm>
#include <cstdio>

namespace platform::dxut {

namespace {

DXUTDeviceSettings DefaultSettings(D3D_FEATURE_LEVEL minimum, bool windowed, UINT width, UINT height)
{
    DXUTDeviceSettings settings{};
    settings.MinimumFeatureLevel = minimum;
    DXUTD3D11DeviceSettings& d3d11 = settings.d3d11;
    d3d11.AdapterOrdinal = 0;
    d3d11.DriverType = D3D_DRIVER_TYPE_HARDWARE;
    d3d11.Output = 0;
    d3d11.sd.BufferDesc = {width, height, {60, 1},
                           State().gammaCorrect ? DXGI_FORMAT_R8G8B8A8_UNORM_SRGB : DXGI_FORMAT_R8G8B8A8_UNORM,
                           DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED, DXGI_MODE_SCALING_UNSPECIFIED};
    d3d11.sd.SampleDesc = {1, 0};
    d3d11.sd.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    d3d11.sd.BufferCount = 2;
    d3d11.sd.OutputWindow = DXUTGetHWND();
    d3d11.sd.Windowed = windowed ? TRUE : FALSE;
    d3d11.sd.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
    d3d11.SyncInterval = 1;
    d3d11.AutoCreateDepthStencil = true;
    d3d11.AutoDepthStencilFormat = DXGI_FORMAT_D24_UNORM_S8_UINT;
    d3d11.DeviceFeatureLevel = D3D_FEATURE_LEVEL_11_0;
    return settings;
}

void Warn(const char* what, HRESULT result)
{
    std::fprintf(stderr, "Window: %s (%s)\n", what, ToUtf8(_com_error(result).ErrorMessage()).c_str());
}

// The back buffer's render-target view and the automatic depth-stencil buffer, bound
// with a viewport over the whole back buffer.
HRESULT CreateViews(DeviceObjects& objects)
{
    ComPtr<ID3D11Texture2D> backBuffer;
    HRESULT result = objects.swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(backBuffer.ReleaseAndGetAddressOf()));
    if (FAILED(result)) {
        return result;
    }
    result = objects.device->CreateRenderTargetView(backBuffer.Get(), nullptr, objects.renderTargetView.ReleaseAndGetAddressOf());
    if (FAILED(result)) {
        return result;
    }
    D3D11_TEXTURE2D_DESC desc{};
    backBuffer->GetDesc(&desc);
    objects.backBuffer = DXGI_SURFACE_DESC{desc.Width, desc.Height, desc.Format, desc.SampleDesc};

    if (objects.settings.d3d11.AutoCreateDepthStencil) {
        D3D11_TEXTURE2D_DESC depth = desc;
        depth.Format = objects.settings.d3d11.AutoDepthStencilFormat;
        depth.BindFlags = D3D11_BIND_DEPTH_STENCIL;
        depth.CPUAccessFlags = 0;
        depth.MiscFlags = 0;
        result = objects.device->CreateTexture2D(&depth, nullptr, objects.depthStencil.ReleaseAndGetAddressOf());
        if (SUCCEEDED(result)) {
            result = objects.device->CreateDepthStencilView(objects.depthStencil.Get(), nullptr,
                                                            objects.depthStencilView.ReleaseAndGetAddressOf());
        }
        if (FAILED(result)) {
            return result;
        }
    }
    ID3D11RenderTargetView* const targets[] = {objects.renderTargetView.Get()};
    objects.context->OMSetRenderTargets(1, targets, objects.depthStencilView.Get());
    const D3D11_VIEWPORT viewport{0.0f, 0.0f, static_cast<float>(desc.Width), static_cast<float>(desc.Height), 0.0f, 1.0f};
    objects.context->RSSetViewports(1, &viewport);
    return S_OK;
}

// The swap chain refuses to resize while its back buffer is bound or viewed.
void ReleaseViews(DeviceObjects& objects)
{
    objects.context->OMSetRenderTargets(0, nullptr, nullptr);
    objects.depthStencilView.Reset();
    objects.depthStencil.Reset();
    objects.renderTargetView.Reset();
}

// Calls a device callback that returns an HRESULT; an exception counts as a failure.
template <class Slot, class... Arguments>
HRESULT CallChecked(const Slot& slot, Arguments... arguments)
{
    HRESULT result = S_OK;
    if (slot && !State().guard.Run([&] { result = slot.Call(arguments...); })) {
        result = E_FAIL;
    }
    return result;
}

HRESULT CreateDeviceObjects(DXUTDeviceSettings settings)
{
    FrameworkState& state = State();
    // The rasteriser draws one sample per pixel: multisampling is reduced to that, as
    // the framework snaps settings to what the device offers.
    settings.d3d11.sd.SampleDesc = {1, 0};
    ComPtr<IDXGIAdapter1> adapter;
    HRESULT result = state.factory->EnumAdapters1(settings.d3d11.AdapterOrdinal, adapter.ReleaseAndGetAddressOf());
    if (FAILED(result)) {
        return result;
    }
    auto objects = std::make_unique<DeviceObjects>();
    objects->settings = settings;
    const D3D_FEATURE_LEVEL level = D3D_FEATURE_LEVEL_11_0;
    result = D3D11CreateDevice(adapter.Get(), D3D_DRIVER_TYPE_UNKNOWN, nullptr, settings.d3d11.CreateFlags, &level, 1,
                               D3D11_SDK_VERSION, objects->device.ReleaseAndGetAddressOf(),
                               &objects->settings.d3d11.DeviceFeatureLevel, objects->context.ReleaseAndGetAddressOf());
    if (FAILED(result)) {
        return result;
    }
    DXGI_SWAP_CHAIN_DESC chain = settings.d3d11.sd;
    chain.OutputWindow = DXUTGetHWND();
    result = state.factory->CreateSwapChain(objects->device.Get(), &chain, objects->swapChain.ReleaseAndGetAddressOf());
    if (FAILED(result)) {
        return result;
    }
    state.presenter = std::make_unique<WindowPresenter>(state.window.window);
    d3d11sw::SetPresenter(objects->swapChain.Get(),
                          [presenter = state.presenter.get()](const d3d11sw::PresentedImage& image) { presenter->Show(image); });
    objects->backBuffer = DXGI_SURFACE_DESC{chain.BufferDesc.Width, chain.BufferDesc.Height, chain.BufferDesc.Format, chain.SampleDesc};

    // From here on a failure goes through ReleaseDevice, which calls the counterparts owed.
    state.device = std::move(objects);
    DeviceObjects& created = *state.device;
    created.owesDestroyed = true;
    result = CallChecked(state.callbacks.deviceCreated, created.device.Get(), &created.backBuffer);
    if (SUCCEEDED(result)) {
        result = CreateViews(created);
    }
    if (SUCCEEDED(result)) {
        created.owesReleasing = true;
        result = CallChecked(state.callbacks.swapChainResized, created.device.Get(), created.swapChain.Get(), &created.backBuffer);
    }
    if (FAILED(result)) {
        ReleaseDevice();
    }
    return result;
}

void ApplyWindowMode(const DXUTDeviceSettings& settings)
{
    SDL_Window* window = State().window.window;
    const DXGI_MODE_DESC& mode = settings.d3d11.sd.BufferDesc;
    SDL_SetWindowSize(window, static_cast<int>(mode.Width), static_cast<int>(mode.Height));
    if (!settings.d3d11.sd.Windowed) {
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
        SDL_ShowCursor(State().showCursorWhenFullScreen ? SDL_ENABLE : SDL_DISABLE);
        SDL_SetWindowGrab(window, State().clipCursorWhenFullScreen ? SDL_TRUE : SDL_FALSE);
    }
    SDL_ShowWindow(window);
}

}  // namespace

void ReleaseDevice()
{
    FrameworkState& state = State();
    if (!state.device) {
        return;
    }
    DeviceObjects& objects = *state.device;
    if (objects.owesReleasing) {
        objects.owesReleasing = false;
        state.guard.Run([&] {
            if (state.callbacks.swapChainReleasing) state.callbacks.swapChainReleasing.Call();
        });
    }
    ReleaseViews(objects);
    if (objects.owesDestroyed) {
        objects.owesDestroyed = false;
        state.guard.Run([&] {
            if (state.callbacks.deviceDestroyed) state.callbacks.deviceDestroyed.Call();
        });
    }
    d3d11sw::SetPresenter(objects.swapChain.Get(), {});
    objects.context->ClearState();
    state.device.reset();
    state.presenter.reset();
}

void ResizeSwapChain(UINT width, UINT height)
{
    FrameworkState& state = State();
    if (!state.device || width == 0 || height == 0 || state.guard.Failed()) {
        return;
    }
    DeviceObjects& objects = *state.device;
    if (objects.backBuffer.Width == width && objects.backBuffer.Height == height) {
        return;
    }
    if (objects.owesReleasing) {
        objects.owesReleasing = false;
        if (!state.guard.Run([&] {
                if (state.callbacks.swapChainReleasing) state.callbacks.swapChainReleasing.Call();
            })) {
            return;
        }
    }
    ReleaseViews(objects);
    HRESULT result = objects.swapChain->ResizeBuffers(0, width, height, DXGI_FORMAT_UNKNOWN, 0);
    if (FAILED(result)) {
        Warn("the swap chain keeps its size: ResizeBuffers failed, the back buffer is still referenced", result);
    } else {
        objects.settings.d3d11.sd.BufferDesc.Width = width;
        objects.settings.d3d11.sd.BufferDesc.Height = height;
    }
    result = CreateViews(objects);
    if (SUCCEEDED(result)) {
        objects.owesReleasing = true;
        result = CallChecked(state.callbacks.swapChainResized, objects.device.Get(), objects.swapChain.Get(), &objects.backBuffer);
    }
    if (FAILED(result) && !state.guard.Failed()) {
        Warn("the resized swap chain could not be set up; the window closes", result);
        CloseWindow();
    }
}

void RecreateRemovedDevice()
{
    FrameworkState& state = State();
    bool recreate = true;
    state.guard.Run([&] {
        if (state.callbacks.deviceRemoved) recreate = state.callbacks.deviceRemoved.Call();
    });
    DXUTDeviceSettings settings = state.device->settings;
    ReleaseDevice();
    // The new device is set up as a changed one: the settings pass the modify callback.
    state.guard.Run([&] {
        if (recreate && state.callbacks.modifyDeviceSettings) recreate = state.callbacks.modifyDeviceSettings.Call(&settings);
    });
    if (!recreate || state.guard.Failed()) {
        CloseWindow();
        return;
    }
    const HRESULT result = CreateDeviceObjects(settings);
    if (FAILED(result) && !state.guard.Failed()) {
        Warn("the removed device could not be created again; the window closes", result);
        CloseWindow();
    }
}

}  // namespace platform::dxut

using namespace platform::dxut;

HRESULT DXUTCreateDevice(D3D_FEATURE_LEVEL minimumFeatureLevel, bool windowed, int width, int height)
{
    const HRESULT injected = TakeInjectedFailure(FrameworkCall::CreateDevice);
    if (FAILED(injected)) {
        return injected;
    }
    FrameworkState& state = State();
    if (!state.window.window || state.device) {
        return DXGI_ERROR_INVALID_CALL;
    }
    if (width < 0 || height < 0) {
        return E_INVALIDARG;
    }
    if (minimumFeatureLevel > D3D_FEATURE_LEVEL_11_0) {
        return DXGI_ERROR_UNSUPPORTED;  // no candidate reaches it
    }
    if (width == 0 || height == 0) {
        SDL_GetWindowSize(state.window.window, &width, &height);
    }
    if (!DXUTLoadDXGI()) {
        return E_FAIL;
    }
    DXUTDeviceSettings settings = DefaultSettings(minimumFeatureLevel, windowed, static_cast<UINT>(width), static_cast<UINT>(height));

    // One candidate: the software adapter's device at feature level 11.0.
    ComPtr<IDXGIAdapter1> adapter;
    CD3D11EnumAdapterInfo adapterInfo{0, {}};
    if (SUCCEEDED(state.factory->EnumAdapters1(0, adapter.ReleaseAndGetAddressOf()))) {
        adapter->GetDesc(&adapterInfo.AdapterDesc);
    }
    const CD3D11EnumDeviceInfo deviceInfo{0, D3D_DRIVER_TYPE_HARDWARE, D3D_FEATURE_LEVEL_11_0, D3D_FEATURE_LEVEL_11_0};
    bool acceptable = true;
    bool keep = true;
    state.guard.Run([&] {
        if (state.callbacks.deviceAcceptable) {
            acceptable = state.callbacks.deviceAcceptable.Call(&adapterInfo, 0u, &deviceInfo,
                                                               settings.d3d11.sd.BufferDesc.Format, windowed);
        }
        if (acceptable && state.callbacks.modifyDeviceSettings) {
            keep = state.callbacks.modifyDeviceSettings.Call(&settings);
        }
    });
    state.guard.RethrowPending();
    if (!acceptable) {
        return DXGI_ERROR_UNSUPPORTED;
    }
    if (!keep) {
        return E_ABORT;
    }
    const HRESULT result = CreateDeviceObjects(settings);
    state.guard.RethrowPending();
    if (FAILED(result)) {
        return result;
    }
    ApplyWindowMode(state.device->settings);
    return S_OK;
}

void DXUTShutdown(int /*exitCode*/)
{
    FrameworkState& state = State();
    ReleaseDevice();
    DestroyWindow();
    CallbackGuard guard = std::move(state.guard);
    state = FrameworkState{};
    guard.RethrowPending();
}
