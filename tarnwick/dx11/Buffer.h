#pragma once
// An owner of a Direct3D 11 buffer made from a description. Creation returns the
// HRESULT and never throws; it releases the buffer held before.

#include "platform/d3d11/D3D11.h"

#include <cstdint>
#include <string>

namespace qz::dx11 {

// count x stride in 64 bits into byteWidth; false, leaving it alone, when the product
// does not fit a buffer's 32-bit size.
inline bool FitsByteWidth(std::uint64_t count, std::uint64_t stride, UINT& byteWidth)
{
    if (stride != 0 && count > 0xFFFFFFFFu / stride) {
        return false;
    }
    byteWidth = static_cast<UINT>(count * stride);
    return true;
}

// A buffer of usage DEFAULT without CPU access, for data that is given at creation.
inline D3D11_BUFFER_DESC DefaultBufferDesc(UINT byteWidth, UINT bindFlags)
{
    D3D11_BUFFER_DESC desc{};
    desc.ByteWidth = byteWidth;
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = bindFlags;
    return desc;
}

class Buffer {
public:
    Buffer() = default;
    // Takes a reference to the buffer; the copy has no name.
    Buffer(const Buffer& other);
    Buffer& operator=(const Buffer&) = delete;
    // Virtual, so that a derived buffer deleted through a Buffer pointer releases what it
    // holds.
    virtual ~Buffer();

    virtual void Release();

    // Logs the size, creates the buffer (with the data as its initial contents when
    // given) and reads its description back.
    HRESULT Create(ID3D11Device* device, const void* data, const D3D11_BUFFER_DESC& desc);

    ID3D11Device* GetDevice() const { return device_; }
    ID3D11Buffer* GetBuffer() const { return buffer_; }
    const D3D11_BUFFER_DESC& GetDesc() const { return desc_; }
    const std::string& GetName() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

protected:
    ID3D11Device* device_ = nullptr;  // not a reference
    ID3D11Buffer* buffer_ = nullptr;
    D3D11_BUFFER_DESC desc_{};
    std::string name_;
};

}  // namespace qz::dx11
