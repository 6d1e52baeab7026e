#include "platform/dxut/FrameworkState.h"
#include "platform/dxut/Utf8.h"

#include <cstdio>

namespace platform::dxut {

namespace {

constexpr int InitialWidth = 640;
constexpr int InitialHeight = 480;

// The video driver SDL chooses; without a display (and without a driver named in
// SDL_VIDEODRIVER) the offscreen one, so that the program still runs.
bool StartVideo()
{
    // The window surface is plain memory that SDL copies to the window: no OpenGL
    // context (and no GL driver threads) just to show a picture the device drew.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        return true;
    }
    const char* named = SDL_getenv("SDL_VIDEODRIVER");
    if (named && *named) {
        std::fprintf(stderr, "Window: the video driver \"%s\" does not start: %s\n", named, SDL_GetError());
        return false;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        std::fprintf(stderr, "Window: no display, the window is kept off screen\n");
        return true;
    }
    std::fprintf(stderr, "Window: no video driver starts: %s\n", SDL_GetError());
    return false;
}

}  // namespace

void CloseWindow()
{
    FrameworkState& state = State();
    state.windowClosed = true;
    if (state.window.window) {
        SDL_HideWindow(state.window.window);
    }
}

void DestroyWindow()
{
    FrameworkState& state = State();
    if (state.window.window) {
        SDL_DestroyWindow(state.window.window);
        state.window.window = nullptr;
    }
    if (state.videoStarted) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        SDL_Quit();
        state.videoStarted = false;
    }
}

}  // namespace platform::dxut

using namespace platform::dxut;

HRESULT DXUTInit(bool /*parseCommandLine*/, bool /*showMsgBoxOnError*/)
{
    const HRESULT injected = TakeInjectedFailure(FrameworkCall::Init);
    if (FAILED(injected)) {
        return injected;
    }
    State().initialized = true;
    return S_OK;
}

HRESULT DXUTCreateWindow(const WCHAR* title)
{
    const HRESULT injected = TakeInjectedFailure(FrameworkCall::CreateWindow);
    if (FAILED(injected)) {
        return injected;
    }
    FrameworkState& state = State();
    if (state.window.window) {
        return S_OK;
    }
    state.initialized = true;
    if (!state.videoStarted) {
        if (!StartVideo()) {
            return E_FAIL;
        }
        state.videoStarted = true;
    }
    state.window.window = SDL_CreateWindow(ToUtf8(title).c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                           InitialWidth, InitialHeight, SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (!state.window.window) {
        std::fprintf(stderr, "Window: SDL_CreateWindow failed: %s\n", SDL_GetError());
        return E_FAIL;
    }
    state.windowClosed = false;
    state.minimized = false;
    return S_OK;
}

BOOL SetWindowTextW(HWND window, const WCHAR* text)
{
    FrameworkState& state = State();
    if (!window || window != &state.window || !state.window.window) {
        return FALSE;
    }
    SDL_SetWindowTitle(state.window.window, ToUtf8(text).c_str());
    return TRUE;
}
