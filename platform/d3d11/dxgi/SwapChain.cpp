#include "platform/d3d11/dxgi/SwapChain.h"

#include "platform/d3d11/api/D3D11Interfaces.h"
#include "platform/d3d11/objects/Resource.h"

namespace d3d11sw {
namespace {

bool DisplayFormat(DXGI_FORMAT format)
{
    switch (format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM:
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB:
    case DXGI_FORMAT_B8G8R8A8_UNORM:
    case DXGI_FORMAT_B8G8R8A8_UNORM_SRGB:
    case DXGI_FORMAT_R16G16B16A16_FLOAT:
    case DXGI_FORMAT_R10G10B10A2_UNORM:
        return true;
    default:
        return false;
    }
}

}  // namespace

HRESULT SwapChain::Create(ID3D11Device* device, const DXGI_SWAP_CHAIN_DESC& desc, ComPtr<DxgiOutput> output,
                          IDXGISwapChain** swapChain)
{
    *swapChain = nullptr;
    if (desc.BufferCount == 0 || desc.BufferCount > 16 || desc.SampleDesc.Count == 0) {
        return E_INVALIDARG;
    }
    if (desc.BufferDesc.Width == 0 || desc.BufferDesc.Height == 0 || !DisplayFormat(desc.BufferDesc.Format)) {
        return DXGI_ERROR_INVALID_CALL;
    }
    auto* created = new SwapChain(device, desc, std::move(output));
    const HRESULT result = created->MakeBackBuffer();
    if (FAILED(result)) {
        created->Release();
        return result;
    }
    *swapChain = created;
    return S_OK;
}

SwapChain::SwapChain(ID3D11Device* device, const DXGI_SWAP_CHAIN_DESC& desc, ComPtr<DxgiOutput> output)
    : device_(device), desc_(desc), output_(std::move(output))
{
}

HRESULT SwapChain::MakeBackBuffer()
{
    D3D11_TEXTURE2D_DESC texture{};
    texture.Width = desc_.BufferDesc.Width;
    texture.Height = desc_.BufferDesc.Height;
    texture.MipLevels = 1;
    texture.ArraySize = 1;
    texture.Format = desc_.BufferDesc.Format;
    texture.SampleDesc = desc_.SampleDesc;
    texture.Usage = D3D11_USAGE_DEFAULT;
    texture.BindFlags = D3D11_BIND_RENDER_TARGET;
    if (desc_.BufferUsage & DXGI_USAGE_SHADER_INPUT) {
        texture.BindFlags |= D3D11_BIND_SHADER_RESOURCE;
    }
    return device_->CreateTexture2D(&texture, nullptr, backBuffer_.ReleaseAndGetAddressOf());
}

HRESULT SwapChain::Present(UINT syncInterval, UINT /*flags*/)
{
    if (syncInterval > 4) {
        return DXGI_ERROR_INVALID_CALL;
    }
    ++presents_;
    ShadePendingDraws();
    if (presenter_) {
        ResourceCore* core = CoreOf(backBuffer_.Get());
        const SubresourceLayout& layout = core->Layout(0);
        presenter_(PresentedImage{core->Data(0), layout.rowPitch, layout.width, layout.height,
                                  desc_.BufferDesc.Format, syncInterval});
    }
    return S_OK;
}

void SwapChain::ShadePendingDraws()
{
    ComPtr<ID3D11DeviceContext> context;
    device_->GetImmediateContext(context.ReleaseAndGetAddressOf());
    context->Flush();
}

HRESULT SwapChain::GetBuffer(UINT buffer, REFIID riid, void** surface)
{
    if (!surface) {
        return E_INVALIDARG;
    }
    *surface = nullptr;
    if (buffer != 0) {
        return DXGI_ERROR_INVALID_CALL;  // only the back buffer can be reached
    }
    return backBuffer_->QueryInterface(riid, surface);
}

HRESULT SwapChain::ResizeBuffers(UINT bufferCount, UINT width, UINT height, DXGI_FORMAT format, UINT /*flags*/)
{
    // Nobody but the swap chain may hold the back buffer: no references, no views. Draws
    // still waiting to be shaded hold theirs until they are.
    ShadePendingDraws();
    const ResourceCore* core = CoreOf(backBuffer_.Get());
    if (core->Object().PublicRefCount() != 1 || core->Object().HasPrivateRefs()) {
        return DXGI_ERROR_INVALID_CALL;
    }
    if ((format != DXGI_FORMAT_UNKNOWN && !DisplayFormat(format)) || bufferCount > 16) {
        return DXGI_ERROR_INVALID_CALL;
    }
    const DXGI_SWAP_CHAIN_DESC previous = desc_;
    if (bufferCount != 0) {
        desc_.BufferCount = bufferCount;
    }
    if (width != 0) {
        desc_.BufferDesc.Width = width;
    }
    if (height != 0) {
        desc_.BufferDesc.Height = height;
    }
    if (format != DXGI_FORMAT_UNKNOWN) {
        desc_.BufferDesc.Format = format;
    }
    ComPtr<ID3D11Texture2D> kept = backBuffer_;
    const HRESULT result = MakeBackBuffer();
    if (FAILED(result)) {
        desc_ = previous;
        backBuffer_ = kept;
    }
    return result;
}

HRESULT SwapChain::GetDesc(DXGI_SWAP_CHAIN_DESC* desc)
{
    if (!desc) {
        return E_INVALIDARG;
    }
    *desc = desc_;
    return S_OK;
}

HRESULT SwapChain::GetContainingOutput(IDXGIOutput** output)
{
    if (!output) {
        return E_INVALIDARG;
    }
    output_->AddRef();
    *output = output_.Get();
    return S_OK;
}

void* SwapChain::Query(REFIID riid)
{
    return riid == SwapChain::Iid ? this : QueryFaces<IDXGISwapChain>(this, riid);
}

HRESULT SetPresenter(IDXGISwapChain* swapChain, Presenter presenter)
{
    ComPtr<SwapChain> own;
    if (!swapChain || FAILED(swapChain->QueryInterface(SwapChain::Iid, reinterpret_cast<void**>(own.ReleaseAndGetAddressOf())))) {
        return E_INVALIDARG;
    }
    own->SetPresenter(std::move(presenter));
    return S_OK;
}

UINT PresentCount(IDXGISwapChain* swapChain) { return static_cast<SwapChain*>(swapChain)->PresentCount(); }

}  // namespace d3d11sw
