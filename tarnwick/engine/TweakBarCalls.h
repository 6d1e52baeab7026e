#pragma once
// The tweak bars' part of the application base: set up on the first device, told the
// window's size, given the device window's messages, terminated with the device.

#include "platform/d3d11/D3D11.h"

namespace qz::engine {

void InitTweakBars(ID3D11Device* device);
void TerminateTweakBars();
void TweakBarWindowSize(int window, int width, int height);
// Non-zero when the bars handled the message.
int TweakBarEvent(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void DrawTweakBars();

}  // namespace qz::engine
