#pragma once
// The framework's life cycle over SDL2: one window, one software device with its swap
// chain, the message loop. Main thread only.
//
// Without a display the window is made by SDL's offscreen driver (chosen when no other
// video driver starts and SDL_VIDEODRIVER names none), so the same program runs on a
// server. The environment variable QZ_EXIT_AFTER_FRAMES=N ends DXUTMainLoop after N
// rendered frames as a closed window does.

#include "platform/dxut/DeviceSettings.h"

#include <string>

// Parses nothing and shows no message boxes (errors come back as results); HRESULT.
HRESULT DXUTInit(bool parseCommandLine = true, bool showMsgBoxOnError = true);
// Initialises the framework if needed and makes the (hidden) window; the device
// creation shows it. S_OK when the window exists already.
HRESULT DXUTCreateWindow(const WCHAR* title = L"Direct3D Window");
// Creates the device, its swap chain for the window (width and height 0: the window's
// size) and the automatic depth-stencil buffer, calling the device callbacks.
// DXGI_ERROR_UNSUPPORTED when the acceptable callback refuses the device, E_ABORT when
// the modify callback returns false, DXGI_ERROR_INVALID_CALL without a window or with a
// device already there. A failure leaves no device behind.
HRESULT DXUTCreateDevice(D3D_FEATURE_LEVEL minimumFeatureLevel, bool windowed, int width, int height);
// Runs frames and dispatches messages until the window closes; S_OK.
HRESULT DXUTMainLoop(void* acceleratorTable = nullptr);
// Releases the swap chain and the device (with their callbacks), closes the window and
// forgets every callback and setting, so the framework can start again.
void DXUTShutdown(int exitCode = 0);

// Stored settings: moving between adapters, the cursor in full screen (shown, clipped
// to the window) and the preference for an sRGB back buffer.
void DXUTSetMultimonSettings(bool autoChangeAdapter);
void DXUTSetCursorSettings(bool showCursorWhenFullScreen, bool clipCursorWhenFullScreen);
void DXUTSetIsInGammaCorrectMode(bool gammaCorrect);
bool DXUTGetMultimonSettings();
bool DXUTGetShowCursorWhenFullScreen();
bool DXUTGetClipCursorWhenFullScreen();
bool DXUTIsInGammaCorrectMode();

// The framework keeps the references of these; none is added for the caller.
ID3D11Device* DXUTGetD3D11Device();
ID3D11DeviceContext* DXUTGetD3D11DeviceContext();
IDXGISwapChain* DXUTGetDXGISwapChain();
ID3D11RenderTargetView* DXUTGetD3D11RenderTargetView();
ID3D11DepthStencilView* DXUTGetD3D11DepthStencilView();
// Creates the factory on first use; false when it cannot.
bool DXUTLoadDXGI();
IDXGIFactory1* DXUTGetDXGIFactory();
const DXGI_SURFACE_DESC* DXUTGetDXGIBackBufferSurfaceDesc();
// Null while no device exists.
const DXUTDeviceSettings* DXUTGetCurrentDeviceSettings();

HWND DXUTGetHWND();
bool DXUTIsWindowed();
// Seconds since the loop's first frame, and the length of the last frame.
double DXUTGetTime();
float DXUTGetElapsedTime();
// Frames per second over the last completed interval of about a second; 0 before it.
float DXUTGetFPS();
// "<fps> fps " (with showFPS) "Vsync on (1280x720), R8G8B8A8_UNORM_SRGB (MS1, Q0)".
const WCHAR* DXUTGetFrameStats(bool showFPS = false);
// The adapter and feature level of the device.
const WCHAR* DXUTGetDeviceStats();

// The title of the framework's window (UTF-8 in the window system); FALSE for another
// handle.
BOOL SetWindowTextW(HWND window, const WCHAR* text);
