#pragma once
// An owner of a 3D texture with the views its bind flags ask for (the brick pools of the
// volume renderer use unordered access). Creation returns the first failing HRESULT.

#include "tarnwick/dx11/Texture.h"

#include <string>

namespace qz::dx11 {

class Texture3D : public Texture {
public:
    Texture3D() = default;
    Texture3D(const Texture3D&) = delete;
    ~Texture3D() override;

    void Release() override;

    virtual HRESULT CreateFromDescription(ID3D11Device* device, const D3D11_TEXTURE3D_DESC& desc,
                                          const D3D11_SUBRESOURCE_DATA* data = nullptr);
    virtual HRESULT Create(ID3D11Device* device, UINT width, UINT height, UINT depth, DXGI_FORMAT format,
                           bool mipChain = false, const D3D11_SUBRESOURCE_DATA* data = nullptr,
                           bool unorderedAccess = false);

    ID3D11Texture3D* GetTexture() const { return texture_; }
    const D3D11_TEXTURE3D_DESC& GetDesc() const { return desc_; }
    const std::string& GetName() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

protected:
    ID3D11Texture3D* texture_ = nullptr;
    D3D11_TEXTURE3D_DESC desc_{};
    std::string name_;
};

}  // namespace qz::dx11
