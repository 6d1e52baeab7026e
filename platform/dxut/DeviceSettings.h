#pragma once
// What the framework tells the application about candidate devices, and the settings
// from which it creates the device and its swap chain.

#include "platform/d3d11/D3D11.h"

struct DXUTD3D11DeviceSettings {
    UINT AdapterOrdinal;
    D3D_DRIVER_TYPE DriverType;
    UINT Output;
    // Back-buffer size and format, multisampling, windowed flag, output window.
    DXGI_SWAP_CHAIN_DESC sd;
    UINT CreateFlags;
    UINT SyncInterval;
    UINT PresentFlags;
    bool AutoCreateDepthStencil;
    DXGI_FORMAT AutoDepthStencilFormat;
    D3D_FEATURE_LEVEL DeviceFeatureLevel;
};

struct DXUTDeviceSettings {
    D3D_FEATURE_LEVEL MinimumFeatureLevel;
    DXUTD3D11DeviceSettings d3d11;
};

// One adapter of the DXGI factory.
struct CD3D11EnumAdapterInfo {
    UINT AdapterOrdinal;
    DXGI_ADAPTER_DESC AdapterDesc;
};

// One device type on an adapter, with the feature level it would be created with.
struct CD3D11EnumDeviceInfo {
    UINT AdapterOrdinal;
    D3D_DRIVER_TYPE DeviceType;
    D3D_FEATURE_LEVEL SelectedLevel;
    D3D_FEATURE_LEVEL MaxLevel;
};
