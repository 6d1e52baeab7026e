#include "platform/d3d11/dxgi/DxgiFactory.h"

#include "platform/d3d11/api/Dxgi.h"
#include "platform/d3d11/dxgi/SwapChain.h"
#include "platform/d3d11/objects/Device.h"

namespace d3d11sw {

DxgiFactory::DxgiFactory() : adapter_(ComPtr<DxgiAdapter>::Attach(new DxgiAdapter)) {}

HRESULT DxgiFactory::EnumAdapters1(UINT adapter, IDXGIAdapter1** out)
{
    if (!out) {
        return E_INVALIDARG;
    }
    *out = nullptr;
    if (adapter != 0) {
        return DXGI_ERROR_NOT_FOUND;
    }
    adapter_->AddRef();
    *out = adapter_.Get();
    return S_OK;
}

HRESULT DxgiFactory::CreateSwapChain(IUnknown* device, DXGI_SWAP_CHAIN_DESC* desc, IDXGISwapChain** swapChain)
{
    if (!swapChain) {
        return E_INVALIDARG;
    }
    *swapChain = nullptr;
    ComPtr<ID3D11Device> softwareDevice;
    if (!device || !desc ||
        FAILED(device->QueryInterface(Device::Iid, reinterpret_cast<void**>(softwareDevice.ReleaseAndGetAddressOf())))) {
        return E_INVALIDARG;
    }
    return SwapChain::Create(softwareDevice.Get(), *desc, adapter_->Output(), swapChain);
}

void* DxgiFactory::Query(REFIID riid) { return QueryFaces<IDXGIFactory1>(this, riid); }

}  // namespace d3d11sw

HRESULT CreateDXGIFactory1(REFIID riid, void** factory)
{
    if (!factory) {
        return E_INVALIDARG;
    }
    *factory = nullptr;
    auto* created = new d3d11sw::DxgiFactory;
    const HRESULT result = created->QueryInterface(riid, factory);
    created->Release();
    return result;
}
