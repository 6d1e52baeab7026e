#pragma once
// The DXGI interfaces this system calls: one factory, one adapter, one output, swap
// chains and the surface face of 2D textures.

#include "platform/d3d11/api/DxgiTypes.h"
#include "platform/d3d11/api/Unknown.h"

struct IDXGIOutput : IUnknown {
    static constexpr IID Iid = d3d11sw::MakeIid(40);
    virtual HRESULT GetDesc(DXGI_OUTPUT_DESC* desc) = 0;

protected:
    ~IDXGIOutput() = default;
};

struct IDXGIAdapter : IUnknown {
    static constexpr IID Iid = d3d11sw::MakeIid(41);
    // DXGI_ERROR_NOT_FOUND past the last output.
    virtual HRESULT EnumOutputs(UINT output, IDXGIOutput** out) = 0;
    virtual HRESULT GetDesc(DXGI_ADAPTER_DESC* desc) = 0;

protected:
    ~IDXGIAdapter() = default;
};

struct IDXGIAdapter1 : IDXGIAdapter {
    static constexpr IID Iid = d3d11sw::MakeIid(42);

protected:
    ~IDXGIAdapter1() = default;
};

struct IDXGISurface : IUnknown {
    static constexpr IID Iid = d3d11sw::MakeIid(43);
    virtual HRESULT GetDesc(DXGI_SURFACE_DESC* desc) = 0;

protected:
    ~IDXGISurface() = default;
};

struct IDXGISwapChain : IUnknown {
    static constexpr IID Iid = d3d11sw::MakeIid(44);
    virtual HRESULT Present(UINT syncInterval, UINT flags) = 0;
    // Buffer 0 only; adds a reference to the back buffer, which the swap chain keeps too.
    virtual HRESULT GetBuffer(UINT buffer, REFIID riid, void** surface) = 0;
    // DXGI_ERROR_INVALID_CALL while anyone but the swap chain holds the back buffer.
    // Width or height 0 keeps that size; DXGI_FORMAT_UNKNOWN keeps the format.
    virtual HRESULT ResizeBuffers(UINT bufferCount, UINT width, UINT height, DXGI_FORMAT format,
                                  UINT flags) = 0;
    virtual HRESULT GetDesc(DXGI_SWAP_CHAIN_DESC* desc) = 0;
    virtual HRESULT GetContainingOutput(IDXGIOutput** output) = 0;

protected:
    ~IDXGISwapChain() = default;
};

struct IDXGIFactory1 : IUnknown {
    static constexpr IID Iid = d3d11sw::MakeIid(45);
    // DXGI_ERROR_NOT_FOUND past the last adapter.
    virtual HRESULT EnumAdapters1(UINT adapter, IDXGIAdapter1** out) = 0;
    virtual HRESULT CreateSwapChain(IUnknown* device, DXGI_SWAP_CHAIN_DESC* desc,
                                    IDXGISwapChain** swapChain) = 0;

protected:
    ~IDXGIFactory1() = default;
};
