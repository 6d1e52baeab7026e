#pragma once
// An owner of a 2D texture with the views its bind flags ask for. Creation functions
// return the first failing HRESULT and never throw; all but CreateFromFile release what
// the object held first, so they may be called again.

#include "tarnwick/dx11/ImageLevel.h"
#include "tarnwick/dx11/Texture.h"

#include <string>

namespace qz::dx11 {

class Texture2D : public Texture {
public:
    Texture2D() = default;
    // Takes a reference to the texture and each view; the copy has no name.
    Texture2D(const Texture2D& other);
    ~Texture2D() override;

    // Releases the texture and both views and forgets the device.
    void Release() override;

    // The description is read back after creation, so a mip count of 0 becomes the real
    // count. arrayViews asks for array views of a single-slice texture.
    virtual HRESULT CreateFromDescription(ID3D11Device* device, const D3D11_TEXTURE2D_DESC& desc,
                                          const D3D11_SUBRESOURCE_DATA* data = nullptr, bool arrayViews = false);
    // Usage DEFAULT, one sample, bind SHADER_RESOURCE (and UNORDERED_ACCESS); the full mip
    // chain with mipChain, else one level.
    virtual HRESULT Create(ID3D11Device* device, UINT width, UINT height, DXGI_FORMAT format, UINT arraySize = 1,
                           bool mipChain = false, const D3D11_SUBRESOURCE_DATA* data = nullptr,
                           bool arrayViews = false, bool unorderedAccess = false);

    // An image file as a texture with its shader-resource view; for a fresh object.
    HRESULT CreateFromFile(ID3D11Device* device, const std::string& fileName);
    // An RGBA8 texture with one level per image, largest first.
    HRESULT CreateFromMipChain(ID3D11Device* device, const ImageLevels& levels);

    ID3D11Texture2D* GetTexture() const { return texture_; }
    const D3D11_TEXTURE2D_DESC& GetDesc() const { return desc_; }
    const std::string& GetName() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

protected:
    ID3D11Texture2D* texture_ = nullptr;
    D3D11_TEXTURE2D_DESC desc_{};
    std::string name_;
};

}  // namespace qz::dx11
