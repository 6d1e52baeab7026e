#pragma once
// The framework's one state: callbacks, settings, the window and the device objects.
// Internal to platform/dxut.

#include "platform/d3d11/com/ComPtr.h"
#include "platform/dxut/CallbackGuard.h"
#include "platform/dxut/Callbacks.h"
#include "platform/dxut/FrameStatistics.h"
#include "platform/dxut/Framework.h"
#include "platform/dxut/FrameworkHooks.h"
#include "platform/dxut/MessageTranslation.h"
#include "platform/dxut/WindowPresenter.h"

#include <SDL.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

// What an HWND of this framework points to.
struct HWND__ {
    SDL_Window* window = nullptr;
};

namespace platform::dxut {

using d3d11sw::ComPtr;

// A callback with the user context it was registered with.
template <class Callback>
struct CallbackSlot {
    Callback callback = nullptr;
    void* context = nullptr;

    explicit operator bool() const { return callback != nullptr; }
    template <class... Arguments>
    decltype(auto) Call(Arguments&&... arguments) const
    {
        return callback(std::forward<Arguments>(arguments)..., context);
    }
};

struct CallbackTable {
    CallbackSlot<DXUTCallbackModifyDeviceSettings> modifyDeviceSettings;
    CallbackSlot<DXUTCallbackDeviceRemoved> deviceRemoved;
    CallbackSlot<DXUTCallbackD3D11DeviceAcceptable> deviceAcceptable;
    CallbackSlot<DXUTCallbackD3D11DeviceCreated> deviceCreated;
    CallbackSlot<DXUTCallbackD3D11SwapChainResized> swapChainResized;
    CallbackSlot<DXUTCallbackD3D11FrameRender> frameRender;
    CallbackSlot<DXUTCallbackD3D11SwapChainReleasing> swapChainReleasing;
    CallbackSlot<DXUTCallbackD3D11DeviceDestroyed> deviceDestroyed;
    CallbackSlot<DXUTCallbackFrameMove> frameMove;
    CallbackSlot<DXUTCallbackKeyboard> keyboard;
    CallbackSlot<DXUTCallbackMouse> mouse;
    bool mouseMoves = false;
    CallbackSlot<DXUTCallbackMsgProc> msgProc;
};

struct DeviceObjects {
    ComPtr<ID3D11Device> device;
    ComPtr<ID3D11DeviceContext> context;
    ComPtr<IDXGISwapChain> swapChain;
    ComPtr<ID3D11RenderTargetView> renderTargetView;
    ComPtr<ID3D11Texture2D> depthStencil;
    ComPtr<ID3D11DepthStencilView> depthStencilView;
    DXUTDeviceSettings settings{};
    DXGI_SURFACE_DESC backBuffer{};
    // The counterparts owed: releasing once resized has been called, destroyed once
    // created has been called (even when it failed, so that whatever its subscribers
    // made before the failure is released).
    bool owesReleasing = false;
    bool owesDestroyed = false;
};

struct FrameworkState {
    CallbackTable callbacks;
    CallbackGuard guard;
    std::map<FrameworkCall, HRESULT> injectedFailures;

    bool initialized = false;
    bool videoStarted = false;
    bool autoChangeAdapter = false;
    bool showCursorWhenFullScreen = true;
    bool clipCursorWhenFullScreen = true;
    bool gammaCorrect = true;

    HWND__ window;
    bool windowClosed = false;
    bool minimized = false;

    ComPtr<IDXGIFactory1> factory;
    std::unique_ptr<DeviceObjects> device;
    std::unique_ptr<WindowPresenter> presenter;
    MessageTranslator translator;
    FrameStatistics statistics;
    // The texts handed out by the statistics getters.
    std::wstring frameStatsText;
    std::wstring deviceStatsText;
};

FrameworkState& State();

// The injected failure of a call, taken once; S_OK when there is none.
HRESULT TakeInjectedFailure(FrameworkCall call);

// Releases the device objects, calling releasing and destroyed as owed.
void ReleaseDevice();
// After the device reported its removal: asks the device-removed callback and creates
// the device again, or closes the window.
void RecreateRemovedDevice();
// Resizes the swap chain to the window's size when it differs.
void ResizeSwapChain(UINT width, UINT height);
// Closes the window after the main loop ends: hidden until DXUTShutdown destroys it.
void CloseWindow();
// Destroys the window and stops SDL.
void DestroyWindow();

}  // namespace platform::dxut
