#pragma once
// Back buffer 0 of a swap chain with its surface description, the reference held by an
// owner so that no path keeps it (one left behind makes every later ResizeBuffers fail).

#include "platform/d3d11/D3D11.h"
#include "tarnwick/dx11/ComRelease.h"

namespace qz::dx11 {

struct BackBuffer {
    ComOwner<ID3D11Texture2D> texture;
    DXGI_SURFACE_DESC surface{};
};

// S_OK, or the failing call's result with failure set to "Could not get backbuffer" or
// "Could not get surface from backbuffer".
HRESULT GetBackBuffer(IDXGISwapChain* swapChain, BackBuffer& backBuffer, const char*& failure);

}  // namespace qz::dx11
