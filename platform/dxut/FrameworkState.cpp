#include "platform/dxut/FrameworkState.h"

namespace platform::dxut {

FrameworkState& State()
{
    static FrameworkState state;
    return state;
}

HRESULT TakeInjectedFailure(FrameworkCall call)
{
    auto& failures = State().injectedFailures;
    const auto found = failures.find(call);
    if (found == failures.end()) {
        return S_OK;
    }
    const HRESULT result = found->second;
    failures.erase(found);
    return result;
}

void FailNextCall(FrameworkCall call, HRESULT result) { State().injectedFailures[call] = result; }

SDL_Window* Window() { return State().window.window; }

}  // namespace platform::dxut

using platform::dxut::CallbackSlot;
using platform::dxut::State;

namespace {

template <class Callback>
void Register(CallbackSlot<Callback>& slot, Callback callback, void* userContext)
{
    slot = CallbackSlot<Callback>{callback, userContext};
}

}  // namespace

void DXUTSetCallbackDeviceChanging(DXUTCallbackModifyDeviceSettings callback, void* userContext)
{
    Register(State().callbacks.modifyDeviceSettings, callback, userContext);
}

void DXUTSetCallbackDeviceRemoved(DXUTCallbackDeviceRemoved callback, void* userContext)
{
    Register(State().callbacks.deviceRemoved, callback, userContext);
}

void DXUTSetCallbackD3D11DeviceAcceptable(DXUTCallbackD3D11DeviceAcceptable callback, void* userContext)
{
    Register(State().callbacks.deviceAcceptable, callback, userContext);
}

void DXUTSetCallbackD3D11DeviceCreated(DXUTCallbackD3D11DeviceCreated callback, void* userContext)
{
    Register(State().callbacks.deviceCreated, callback, userContext);
}

void DXUTSetCallbackD3D11SwapChainResized(DXUTCallbackD3D11SwapChainResized callback, void* userContext)
{
    Register(State().callbacks.swapChainResized, callback, userContext);
}

void DXUTSetCallbackD3D11FrameRender(DXUTCallbackD3D11FrameRender callback, void* userContext)
{
    Register(State().callbacks.frameRender, callback, userContext);
}

void DXUTSetCallbackD3D11SwapChainReleasing(DXUTCallbackD3D11SwapChainReleasing callback, void* userContext)
{
    Register(State().callbacks.swapChainReleasing, callback, userContext);
}

void DXUTSetCallbackD3D11DeviceDestroyed(DXUTCallbackD3D11DeviceDestroyed callback, void* userContext)
{
    Register(State().callbacks.deviceDestroyed, callback, userContext);
}

void DXUTSetCallbackFrameMove(DXUTCallbackFrameMove callback, void* userContext)
{
    Register(State().callbacks.frameMove, callback, userContext);
}

void DXUTSetCallbackKeyboard(DXUTCallbackKeyboard callback, void* userContext)
{
    Register(State().callbacks.keyboard, callback, userContext);
}

void DXUTSetCallbackMouse(DXUTCallbackMouse callback, bool includeMouseMove, void* userContext)
{
    Register(State().callbacks.mouse, callback, userContext);
    State().callbacks.mouseMoves = includeMouseMove;
}

void DXUTSetCallbackMsgProc(DXUTCallbackMsgProc callback, void* userContext)
{
    Register(State().callbacks.msgProc, callback, userContext);
}
