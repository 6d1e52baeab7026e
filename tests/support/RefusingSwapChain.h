#pragma once
// A swap chain whose back buffer cannot be had, or is a texture that is no DXGI surface:
// the two ways reading the back buffer's size fails. Counted like the stand-ins beside
// it, so a test can see that every reference handed out came back.

#include "tests/support/RefusingMapDevice.h"

namespace qz::test {

// Answers no interface, so it cannot be read as a surface.
class SurfacelessTexture : public Counted<ID3D11Texture2D> {
public:
    void GetDevice(ID3D11Device** device) override { *device = nullptr; }
    void GetType(D3D11_RESOURCE_DIMENSION* dimension) override { *dimension = D3D11_RESOURCE_DIMENSION_TEXTURE2D; }
    void GetDesc(D3D11_TEXTURE2D_DESC* desc) override { *desc = {}; }
};

class RefusingSwapChain : public Counted<IDXGISwapChain> {
public:
    // GetBuffer fails with the result; with S_OK it hands out the surfaceless texture.
    explicit RefusingSwapChain(HRESULT bufferResult) : bufferResult_(bufferResult) {}

    HRESULT GetBuffer(UINT, REFIID, void** surface) override
    {
        if (FAILED(bufferResult_)) {
            *surface = nullptr;
            return bufferResult_;
        }
        texture.AddRef();
        *surface = static_cast<ID3D11Texture2D*>(&texture);
        return S_OK;
    }
    HRESULT Present(UINT, UINT) override { return S_OK; }
    HRESULT ResizeBuffers(UINT, UINT, UINT, DXGI_FORMAT, UINT) override { return DXGI_ERROR_INVALID_CALL; }
    HRESULT GetDesc(DXGI_SWAP_CHAIN_DESC* desc) override
    {
        *desc = {};
        return S_OK;
    }
    HRESULT GetContainingOutput(IDXGIOutput** output) override
    {
        *output = nullptr;
        return DXGI_ERROR_NOT_FOUND;
    }

    SurfacelessTexture texture;

private:
    HRESULT bufferResult_;
};

}  // namespace qz::test
