#include "platform/d3d11/objects/Resource.h"

#include "platform/d3d11/formats/FormatLayout.h"
#include "platform/d3d11/objects/Buffer.h"
#include "platform/d3d11/objects/Texture2D.h"
#include "platform/d3d11/objects/Texture3D.h"

#include <cstring>
#include <new>

namespace d3d11sw {

HRESULT ResourceCore::Allocate()
{
    layouts_.clear();
    std::size_t offset = 0;
    const bool isBuffer = shape_.dimension == D3D11_RESOURCE_DIMENSION_BUFFER;
    for (UINT slice = 0; slice < shape_.arraySize; ++slice) {
        for (UINT mip = 0; mip < shape_.mipLevels; ++mip) {
            SubresourceLayout layout;
            layout.offset = offset;
            layout.width = isBuffer ? shape_.width : MipSize(shape_.width, mip);
            layout.height = MipSize(shape_.height, mip);
            layout.depth = MipSize(shape_.depth, mip);
            layout.rowPitch = isBuffer ? shape_.width : RowBytes(shape_.format, layout.width);
            layout.rowCount = isBuffer ? 1 : RowCount(shape_.format, layout.height);
            layout.depthPitch = layout.rowPitch * layout.rowCount;
            offset += std::size_t{layout.depthPitch} * layout.depth;
            layouts_.push_back(layout);
        }
    }
    totalBytes_ = offset;
    mapped_.assign(layouts_.size(), false);
    memory_.reset(new (std::nothrow) std::byte[totalBytes_ > 0 ? totalBytes_ : 1]());
    return memory_ ? S_OK : E_OUTOFMEMORY;
}

HRESULT ResourceCore::Fill(const D3D11_SUBRESOURCE_DATA* data)
{
    for (UINT index = 0; index < SubresourceCount(); ++index) {
        const D3D11_SUBRESOURCE_DATA& source = data[index];
        const SubresourceLayout& layout = layouts_[index];
        const bool isBuffer = shape_.dimension == D3D11_RESOURCE_DIMENSION_BUFFER;
        if (!source.pSysMem) {
            return E_INVALIDARG;
        }
        const UINT rowPitch = isBuffer ? layout.rowPitch : source.SysMemPitch;
        const UINT slicePitch = (shape_.dimension == D3D11_RESOURCE_DIMENSION_TEXTURE3D)
                                    ? source.SysMemSlicePitch
                                    : rowPitch * layout.rowCount;
        if (rowPitch < layout.rowPitch || (layout.depth > 1 && slicePitch < rowPitch * layout.rowCount)) {
            return E_INVALIDARG;
        }
        const auto* from = static_cast<const std::byte*>(source.pSysMem);
        std::byte* to = Data(index);
        for (UINT z = 0; z < layout.depth; ++z) {
            for (UINT row = 0; row < layout.rowCount; ++row) {
                std::memcpy(to + std::size_t{z} * layout.depthPitch + std::size_t{row} * layout.rowPitch,
                            from + std::size_t{z} * slicePitch + std::size_t{row} * rowPitch, layout.rowPitch);
            }
        }
    }
    return S_OK;
}

ResourceCore* CoreOf(ID3D11Resource* resource)
{
    if (!resource) {
        return nullptr;
    }
    D3D11_RESOURCE_DIMENSION dimension = D3D11_RESOURCE_DIMENSION_UNKNOWN;
    resource->GetType(&dimension);
    switch (dimension) {
    case D3D11_RESOURCE_DIMENSION_BUFFER:
        return static_cast<Buffer*>(static_cast<ID3D11Buffer*>(resource));
    case D3D11_RESOURCE_DIMENSION_TEXTURE2D:
        return static_cast<Texture2D*>(static_cast<ID3D11Texture2D*>(resource));
    case D3D11_RESOURCE_DIMENSION_TEXTURE3D:
        return static_cast<Texture3D*>(static_cast<ID3D11Texture3D*>(resource));
    default:
        return nullptr;
    }
}

}  // namespace d3d11sw
