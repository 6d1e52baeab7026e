#pragma once
// Where a swap chain's pictures go: Present hands the back buffer to the presenter set
// here (the window layer shows it); without one the picture stays in the back buffer.

#include "platform/d3d11/api/DxgiInterfaces.h"

#include <cstddef>
#include <functional>

namespace d3d11sw {

struct PresentedImage {
    const std::byte* pixels = nullptr;  // rows from the top
    UINT rowPitch = 0;
    UINT width = 0;
    UINT height = 0;
    DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
    UINT syncInterval = 0;
};

using Presenter = std::function<void(const PresentedImage&)>;

// E_INVALIDARG for a swap chain that is not this layer's.
HRESULT SetPresenter(IDXGISwapChain* swapChain, Presenter presenter);

// How many times Present was called.
UINT PresentCount(IDXGISwapChain* swapChain);

}  // namespace d3d11sw
