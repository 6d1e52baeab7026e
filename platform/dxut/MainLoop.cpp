// The message loop: SDL events become window messages for the callbacks, and every pass
// renders and presents a frame.

#include "platform/dxut/FrameworkState.h"
#include "platform/win/WindowMessages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform::dxut {

namespace {

bool IsKeyMessage(UINT message)
{
    return message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
}

bool IsMouseMessage(UINT message)
{
    return message >= WM_MOUSEMOVE && message <= WM_XBUTTONUP;
}

void CallKeyboard(const WindowMessage& m)
{
    const auto& callback = State().callbacks.keyboard;
    const bool down = m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN;
    const bool altDown = (m.lParam & KEY_LPARAM_ALT_DOWN) != 0;
    callback.Call(static_cast<UINT>(m.wParam), down, altDown);
}

void CallMouse(const WindowMessage& m)
{
    const FrameworkState& state = State();
    const WPARAM flags = LOWORD(m.wParam);
    int x = GET_X_LPARAM(m.lParam);
    int y = GET_Y_LPARAM(m.lParam);
    int wheel = 0;
    if (m.message == WM_MOUSEWHEEL) {
        // The wheel comes in screen coordinates.
        int windowX = 0;
        int windowY = 0;
        SDL_GetWindowPosition(state.window.window, &windowX, &windowY);
        x -= windowX;
        y -= windowY;
        wheel = GET_WHEEL_DELTA_WPARAM(m.wParam);
    }
    state.callbacks.mouse.Call((flags & MK_LBUTTON) != 0, (flags & MK_RBUTTON) != 0, (flags & MK_MBUTTON) != 0,
                               (flags & MK_XBUTTON1) != 0, (flags & MK_XBUTTON2) != 0, wheel, x, y);
}

// The framework's own part of a message.
void Handle(const WindowMessage& m)
{
    FrameworkState& state = State();
    if (m.message == WM_SIZE) {
        if (m.wParam == SIZE_MINIMIZED) {
            state.minimized = true;
        } else {
            state.minimized = false;
            ResizeSwapChain(LOWORD(static_cast<WPARAM>(m.lParam)), HIWORD(static_cast<WPARAM>(m.lParam)));
        }
    } else if (m.message == WM_CLOSE) {
        CloseWindow();
    }
}

void Dispatch(const WindowMessage& m)
{
    FrameworkState& state = State();
    const CallbackTable& callbacks = state.callbacks;
    CallbackGuard& guard = state.guard;
    if (callbacks.keyboard && IsKeyMessage(m.message) && !guard.Run([&] { CallKeyboard(m); })) {
        return;
    }
    const bool mouseWanted = m.message != WM_MOUSEMOVE || callbacks.mouseMoves;
    if (callbacks.mouse && IsMouseMessage(m.message) && mouseWanted && !guard.Run([&] { CallMouse(m); })) {
        return;
    }
    bool noFurtherProcessing = false;
    if (callbacks.msgProc && !guard.Run([&] {
            callbacks.msgProc.Call(DXUTGetHWND(), m.message, m.wParam, m.lParam, &noFurtherProcessing);
        })) {
        return;
    }
    if (!noFurtherProcessing) {
        Handle(m);
    }
}

void PumpEvents()
{
    FrameworkState& state = State();
    SDL_Event event;
    while (!state.guard.Failed() && SDL_PollEvent(&event)) {
        MessageTranslator::WindowPlace place;
        SDL_GetWindowPosition(state.window.window, &place.x, &place.y);
        SDL_GetWindowSize(state.window.window, &place.width, &place.height);
        for (const WindowMessage& m : state.translator.Translate(event, SDL_GetModState(), place)) {
            Dispatch(m);
            if (state.guard.Failed()) {
                return;
            }
        }
    }
}

void RenderFrame()
{
    FrameworkState& state = State();
    state.statistics.BeginFrame(FrameStatistics::Clock::now());
    const double time = state.statistics.Time();
    const float elapsed = state.statistics.ElapsedTime();
    const CallbackTable& callbacks = state.callbacks;
    if (!state.guard.Run([&] {
            if (callbacks.frameMove) callbacks.frameMove.Call(time, elapsed);
        })) {
        return;
    }
    DeviceObjects& objects = *state.device;
    if (!state.guard.Run([&] {
            if (callbacks.frameRender) callbacks.frameRender.Call(objects.device.Get(), objects.context.Get(), time, elapsed);
        })) {
        return;
    }
    HRESULT result = TakeInjectedFailure(FrameworkCall::Present);
    if (SUCCEEDED(result)) {
        result = objects.swapChain->Present(objects.settings.d3d11.SyncInterval, objects.settings.d3d11.PresentFlags);
    }
    if (result == DXGI_ERROR_DEVICE_REMOVED) {
        RecreateRemovedDevice();
        return;
    }
    state.statistics.EndFrame(FrameStatistics::Clock::now());
}

// The frame count of the environment variable; 0 (no limit) when it is unset or unusable.
unsigned long long FrameLimit()
{
    const char* text = std::getenv(ExitAfterFramesVariable);
    if (!text || !*text) {
        return 0;
    }
    char* end = nullptr;
    const unsigned long long frames = std::strtoull(text, &end, 10);
    if (*end != '\0' || frames == 0 || std::strchr(text, '-')) {
        std::fprintf(stderr, "Window: %s=\"%s\" is not a number of frames above 0; ignored\n", ExitAfterFramesVariable, text);
        return 0;
    }
    return frames;
}

}  // namespace

}  // namespace platform::dxut

using namespace platform::dxut;

HRESULT DXUTMainLoop(void* /*acceleratorTable*/)
{
    FrameworkState& state = State();
    const unsigned long long limit = FrameLimit();
    unsigned long long frames = 0;
    while (state.window.window && !state.windowClosed && !state.guard.Failed()) {
        PumpEvents();
        if (state.windowClosed || state.guard.Failed()) {
            break;
        }
        if (state.minimized || !state.device) {
            state.statistics.Pause();
            SDL_WaitEventTimeout(nullptr, 100);
            continue;
        }
        RenderFrame();
        if (limit != 0 && ++frames >= limit && !state.guard.Failed()) {
            Dispatch(WindowMessage{WM_CLOSE, 0, 0});
            CloseWindow();
        }
    }
    if (state.guard.Failed()) {
        ReleaseDevice();
        state.guard.RethrowPending();
    }
    return S_OK;
}
