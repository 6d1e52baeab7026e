#pragma once
// What the framework offers beyond the calls code written for it uses: failures on
// demand for the tests of its callers, and the SDL window for tests that drive it.

#include "platform/win/Types.h"

struct SDL_Window;

namespace platform::dxut {

// Ends DXUTMainLoop after this many rendered frames, as a closed window does.
constexpr const char* ExitAfterFramesVariable = "QZ_EXIT_AFTER_FRAMES";

enum class FrameworkCall {
    Init,          // DXUTInit
    CreateWindow,  // DXUTCreateWindow
    CreateDevice,  // DXUTCreateDevice, before any callback
    Present,       // the swap chain's Present in the main loop
};

// The next call of that kind fails with the result instead of doing its work.
void FailNextCall(FrameworkCall call, HRESULT result);

// The window behind DXUTGetHWND(); null without one.
SDL_Window* Window();

}  // namespace platform::dxut
