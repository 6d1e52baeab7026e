#pragma once
// IDXGISwapChain: one back buffer in host memory, a 2D render-target texture.

#include "platform/d3d11/api/D3D11Interfaces.h"
#include "platform/d3d11/com/ComPtr.h"
#include "platform/d3d11/dxgi/DxgiOutput.h"
#include "platform/d3d11/dxgi/Presenter.h"

namespace d3d11sw {

class SwapChain final : public ComObject<IDXGISwapChain> {
public:
    static constexpr IID Iid = MakeIid(101);

    // E_INVALIDARG or DXGI_ERROR_INVALID_CALL for a description DXGI refuses.
    static HRESULT Create(ID3D11Device* device, const DXGI_SWAP_CHAIN_DESC& desc, ComPtr<DxgiOutput> output,
                          IDXGISwapChain** swapChain);

    HRESULT Present(UINT syncInterval, UINT flags) override;
    HRESULT GetBuffer(UINT buffer, REFIID riid, void** surface) override;
    HRESULT ResizeBuffers(UINT bufferCount, UINT width, UINT height, DXGI_FORMAT format, UINT flags) override;
    HRESULT GetDesc(DXGI_SWAP_CHAIN_DESC* desc) override;
    HRESULT GetContainingOutput(IDXGIOutput** output) override;

    void SetPresenter(Presenter presenter) { presenter_ = std::move(presenter); }
    UINT PresentCount() const { return presents_; }

protected:
    void* Query(REFIID riid) override;

private:
    SwapChain(ID3D11Device* device, const DXGI_SWAP_CHAIN_DESC& desc, ComPtr<DxgiOutput> output);
    HRESULT MakeBackBuffer();
    void ShadePendingDraws();

    ComPtr<ID3D11Device> device_;
    DXGI_SWAP_CHAIN_DESC desc_;
    ComPtr<DxgiOutput> output_;
    ComPtr<ID3D11Texture2D> backBuffer_;
    Presenter presenter_;
    UINT presents_ = 0;
};

}  // namespace d3d11sw
