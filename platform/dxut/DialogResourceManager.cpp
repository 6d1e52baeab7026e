#include "platform/dxut/DialogResourceManager.h"

#include "platform/dxut/TextPipeline.h"

CDXUTDialogResourceManager::CDXUTDialogResourceManager() = default;
CDXUTDialogResourceManager::~CDXUTDialogResourceManager() = default;

HRESULT CDXUTDialogResourceManager::OnD3D11CreateDevice(ID3D11Device* device, ID3D11DeviceContext* context)
{
    OnD3D11DestroyDevice();
    if (!device || !context) {
        return E_INVALIDARG;
    }
    const HRESULT result = platform::dxut::TextPipeline::Create(device, text_);
    if (FAILED(result)) {
        return result;
    }
    device_ = d3d11sw::ComPtr<ID3D11Device>(device);
    context_ = d3d11sw::ComPtr<ID3D11DeviceContext>(context);
    return S_OK;
}

void CDXUTDialogResourceManager::OnD3D11DestroyDevice()
{
    text_.reset();
    context_.Reset();
    device_.Reset();
}
