#pragma once
// Direct3D 11 (and DXGI) in one include, as code written for Direct3D expects.

#include "platform/d3d11/api/D3D11Interfaces.h"
#include "platform/d3d11/api/Dxgi.h"

// Creates the software device and its immediate context. The adapter may be null or the
// software adapter; the first requested feature level up to 11_0 is granted (11_0 when
// none are given); only higher ones fail with DXGI_ERROR_UNSUPPORTED.
HRESULT D3D11CreateDevice(IDXGIAdapter* adapter, D3D_DRIVER_TYPE driverType, HMODULE software, UINT flags,
                          const D3D_FEATURE_LEVEL* featureLevels, UINT featureLevelCount, UINT sdkVersion,
                          ID3D11Device** device, D3D_FEATURE_LEVEL* featureLevel,
                          ID3D11DeviceContext** immediateContext);
