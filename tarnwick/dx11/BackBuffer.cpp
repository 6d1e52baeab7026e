#include "tarnwick/dx11/BackBuffer.h"

namespace qz::dx11 {

HRESULT GetBackBuffer(IDXGISwapChain* swapChain, BackBuffer& backBuffer, const char*& failure)
{
    ID3D11Texture2D* texture = nullptr;
    HRESULT result = swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D), reinterpret_cast<void**>(&texture));
    if (FAILED(result)) {
        failure = "Could not get backbuffer";
        return result;
    }
    backBuffer.texture.reset(texture);
    IDXGISurface* acquired = nullptr;
    result = texture->QueryInterface(__uuidof(IDXGISurface), reinterpret_cast<void**>(&acquired));
    if (FAILED(result)) {
        failure = "Could not get surface from backbuffer";
        return result;
    }
    const ComOwner<IDXGISurface> surface(acquired);
    surface->GetDesc(&backBuffer.surface);
    return S_OK;
}

}  // namespace qz::dx11
