#include "platform/effects/Blob.h"

#include "platform/d3d11/com/ComObject.h"

#include <cstring>

namespace platform::effects {
namespace {

class Blob final : public d3d11sw::ComObject<ID3D10Blob> {
public:
    explicit Blob(std::vector<std::byte> bytes) : bytes_(std::move(bytes)) {}
    void* GetBufferPointer() override { return bytes_.data(); }
    SIZE_T GetBufferSize() override { return bytes_.size(); }

protected:
    void* Query(REFIID riid) override { return d3d11sw::QueryFaces<ID3D10Blob>(this, riid); }

private:
    std::vector<std::byte> bytes_;
};

}  // namespace

ID3DBlob* MakeBlob(std::vector<std::byte> bytes) { return new Blob(std::move(bytes)); }

ID3DBlob* MakeTextBlob(std::string_view text)
{
    std::vector<std::byte> bytes(text.size() + 1);
    if (!text.empty()) {
        std::memcpy(bytes.data(), text.data(), text.size());
    }
    return MakeBlob(std::move(bytes));
}

}  // namespace platform::effects

HRESULT D3DCreateBlob(SIZE_T size, ID3DBlob** blob)
{
    if (!blob) {
        return E_INVALIDARG;
    }
    *blob = platform::effects::MakeBlob(std::vector<std::byte>(size));
    return S_OK;
}
