#pragma once
// IDXGIFactory1: one software adapter; swap chains for the software device.

#include "platform/d3d11/dxgi/DxgiAdapter.h"

namespace d3d11sw {

class DxgiFactory final : public ComObject<IDXGIFactory1> {
public:
    DxgiFactory();

    HRESULT EnumAdapters1(UINT adapter, IDXGIAdapter1** out) override;
    HRESULT CreateSwapChain(IUnknown* device, DXGI_SWAP_CHAIN_DESC* desc, IDXGISwapChain** swapChain) override;

protected:
    void* Query(REFIID riid) override;

private:
    ComPtr<DxgiAdapter> adapter_;
};

}  // namespace d3d11sw
