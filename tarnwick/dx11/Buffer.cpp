#include "tarnwick/dx11/Buffer.h"

#include "tarnwick/core/Logging.h"
#include "tarnwick/dx11/ComRelease.h"

namespace qz::dx11 {

Buffer::Buffer(const Buffer& other) : device_(other.device_), buffer_(SafeAddRef(other.buffer_)), desc_(other.desc_) {}

Buffer::~Buffer() { SafeRelease(buffer_); }

void Buffer::Release() { SafeRelease(buffer_); }

HRESULT Buffer::Create(ID3D11Device* device, const void* data, const D3D11_BUFFER_DESC& desc)
{
    Release();
    device_ = device;
    core::Logger::BeginMessage(core::LogLevelDetail) << "Creating buffer of size " << desc.ByteWidth / 1048576
                                                     << " MiB";
    const D3D11_SUBRESOURCE_DATA initial{data, 0, 0};
    const HRESULT result = device->CreateBuffer(&desc, data ? &initial : nullptr, &buffer_);
    if (FAILED(result)) {
        return result;
    }
    buffer_->GetDesc(&desc_);
    return S_OK;
}

}  // namespace qz::dx11
