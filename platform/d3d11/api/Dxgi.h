#pragma once
// DXGI in one include.

#include "platform/d3d11/api/DxgiInterfaces.h"

// The factory of the one software adapter; riid must name IDXGIFactory1.
HRESULT CreateDXGIFactory1(REFIID riid, void** factory);
