#pragma once
// What the tweak bars hold between TwInit and TwTerminate: the device and the objects
// that draw, the windows' sizes, and what the mouse and keyboard are doing.

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"
#include "platform/tweakbar/BarRenderer.h"
#include "platform/tweakbar/Interaction.h"

#include <map>
#include <memory>

namespace platform::tweakbar {

struct WindowSize {
    int width = 0;
    int height = 0;
};

struct Context {
    d3d11sw::ComPtr<ID3D11Device> device;
    std::unique_ptr<BarRenderer> renderer;
    int currentWindow = 0;
    std::map<int, WindowSize> windows;
    Interaction interaction;

    bool Started() const { return renderer != nullptr; }
};

Context& TheContext();

// What TwCopyStdStringToClientFunc stored; it outlives TwTerminate.
TwCopyStdStringToClient CopyStdStringToClient();

// The bars TwDraw would draw now, with their cells.
std::vector<DrawnBar> BarsToDraw();

}  // namespace platform::tweakbar
