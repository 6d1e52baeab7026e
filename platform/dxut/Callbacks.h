#pragma once
// The application's callbacks. Device callbacks come in this order: on creation the
// acceptable test (per candidate), modify settings, device created, swap chain resized;
// on a window resize swap chain releasing, then resized; at shutdown swap chain
// releasing, then device destroyed. Each frame: frame move, frame render, present. Each
// window message goes to the keyboard callback (key messages), the mouse callback
// (button and wheel messages, moves when asked for), then the message callback.
//
// A callback may throw: the framework keeps the exception, stops what it was doing,
// runs the teardown the application would otherwise get (swap chain releasing, device
// destroyed) and rethrows the exception from the framework call it made the callback
// from (DXUTCreateDevice, DXUTMainLoop, DXUTShutdown).

#include "platform/dxut/DeviceSettings.h"

using DXUTCallbackModifyDeviceSettings = bool (*)(DXUTDeviceSettings* settings, void* userContext);
using DXUTCallbackDeviceRemoved = bool (*)(void* userContext);
using DXUTCallbackD3D11DeviceAcceptable = bool (*)(const CD3D11EnumAdapterInfo* adapterInfo, UINT output,
                                                   const CD3D11EnumDeviceInfo* deviceInfo,
                                                   DXGI_FORMAT backBufferFormat, bool windowed, void* userContext);
using DXUTCallbackD3D11DeviceCreated = HRESULT (*)(ID3D11Device* device, const DXGI_SURFACE_DESC* backBuffer,
                                                   void* userContext);
using DXUTCallbackD3D11SwapChainResized = HRESULT (*)(ID3D11Device* device, IDXGISwapChain* swapChain,
                                                      const DXGI_SURFACE_DESC* backBuffer, void* userContext);
using DXUTCallbackD3D11FrameRender = void (*)(ID3D11Device* device, ID3D11DeviceContext* context, double time,
                                              float elapsedTime, void* userContext);
using DXUTCallbackD3D11SwapChainReleasing = void (*)(void* userContext);
using DXUTCallbackD3D11DeviceDestroyed = void (*)(void* userContext);
using DXUTCallbackFrameMove = void (*)(double time, float elapsedTime, void* userContext);
using DXUTCallbackKeyboard = void (*)(UINT key, bool keyDown, bool altDown, void* userContext);
using DXUTCallbackMouse = void (*)(bool left, bool right, bool middle, bool side1, bool side2, int wheelDelta,
                                   int x, int y, void* userContext);
// Setting *noFurtherProcessing keeps the framework from its own handling of the message
// (a WM_CLOSE then leaves the window open).
using DXUTCallbackMsgProc = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                        bool* noFurtherProcessing, void* userContext);

void DXUTSetCallbackDeviceChanging(DXUTCallbackModifyDeviceSettings callback, void* userContext = nullptr);
void DXUTSetCallbackDeviceRemoved(DXUTCallbackDeviceRemoved callback, void* userContext = nullptr);
void DXUTSetCallbackD3D11DeviceAcceptable(DXUTCallbackD3D11DeviceAcceptable callback, void* userContext = nullptr);
void DXUTSetCallbackD3D11DeviceCreated(DXUTCallbackD3D11DeviceCreated callback, void* userContext = nullptr);
void DXUTSetCallbackD3D11SwapChainResized(DXUTCallbackD3D11SwapChainResized callback, void* userContext = nullptr);
void DXUTSetCallbackD3D11FrameRender(DXUTCallbackD3D11FrameRender callback, void* userContext = nullptr);
void DXUTSetCallbackD3D11SwapChainReleasing(DXUTCallbackD3D11SwapChainReleasing callback, void* userContext = nullptr);
void DXUTSetCallbackD3D11DeviceDestroyed(DXUTCallbackD3D11DeviceDestroyed callback, void* userContext = nullptr);
void DXUTSetCallbackFrameMove(DXUTCallbackFrameMove callback, void* userContext = nullptr);
void DXUTSetCallbackKeyboard(DXUTCallbackKeyboard callback, void* userContext = nullptr);
// Mouse moves reach the callback only with includeMouseMove.
void DXUTSetCallbackMouse(DXUTCallbackMouse callback, bool includeMouseMove = false, void* userContext = nullptr);
void DXUTSetCallbackMsgProc(DXUTCallbackMsgProc callback, void* userContext = nullptr);
