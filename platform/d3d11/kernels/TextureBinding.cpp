#include "platform/d3d11/kernels/TextureBinding.h"

#include "platform/d3d11/formats/FormatCodec.h"
#include "platform/d3d11/formats/FormatLayout.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace d3d11sw {

SamplerBinding::SamplerBinding(const D3D11_SAMPLER_DESC& desc)
{
    const UINT filter = desc.Filter & ~0x80u;  // comparison filters sample as the plain ones
    const bool anisotropic = filter == D3D11_FILTER_ANISOTROPIC;
    mipLinear = anisotropic || (filter & 0x1) != 0;
    magLinear = anisotropic || (filter & 0x4) != 0;
    minLinear = anisotropic || (filter & 0x10) != 0;
    address[0] = desc.AddressU;
    address[1] = desc.AddressV;
    address[2] = desc.AddressW;
    border = {desc.BorderColor[0], desc.BorderColor[1], desc.BorderColor[2], desc.BorderColor[3]};
    mipLodBias = desc.MipLODBias;
    minLod = desc.MinLOD;
    maxLod = desc.MaxLOD;
}

TextureBinding::TextureBinding(ShaderResourceView* view)
{
    if (!view) {
        return;
    }
    view_ = view;
    view_->AddPrivateRef();
    core_ = &view->Core();
    range_ = view->Range();
    const FormatCodec& codec = CodecOf(range_.format);
    load_ = codec.loadBits ? codec.loadBits : codec.load;
    elementBytes_ = LayoutOf(range_.format).bytes;
    switch (view->Description().ViewDimension) {
    case D3D11_SRV_DIMENSION_BUFFER:
    case D3D11_SRV_DIMENSION_BUFFEREX:
        kind_ = Kind::Buffer;
        elementBytes_ = range_.elementBytes;
        break;
    case D3D11_SRV_DIMENSION_TEXTURE2D: kind_ = Kind::Texture2D; break;
    case D3D11_SRV_DIMENSION_TEXTURE2DARRAY: kind_ = Kind::Texture2DArray; break;
    case D3D11_SRV_DIMENSION_TEXTURE3D: kind_ = Kind::Texture3D; break;
    case D3D11_SRV_DIMENSION_TEXTURE2DMS:
    case D3D11_SRV_DIMENSION_TEXTURE2DMSARRAY: kind_ = Kind::Multisampled; break;
    default: kind_ = Kind::Empty; break;  // cube maps and 1D textures are not read here
    }
    const bool filterable = kind_ == Kind::Texture2D || kind_ == Kind::Texture2DArray || kind_ == Kind::Texture3D;
    filter_ = (filterable && codec.load && !codec.loadBits) ? TextureFilters::For(range_.format) : nullptr;
    top_ = filter_ ? TextureFilters::TopFor(range_.format) : nullptr;
    topSpan_ = filter_ ? TextureFilters::TopSpanFor(range_.format) : nullptr;
    if (kind_ != Kind::Empty && kind_ != Kind::Buffer) {
        cachedLevels_ = std::min(range_.mipCount, kCachedLevels);
        for (UINT level = 0; level < cachedLevels_; ++level) {
            levels_[level] = LevelOf(level, 0);
        }
    }
}

TextureBinding::TextureBinding(TextureBinding&& other) noexcept
    : view_(std::exchange(other.view_, nullptr)),
      core_(other.core_),
      range_(other.range_),
      kind_(other.kind_),
      filter_(other.filter_),
      top_(other.top_),
      topSpan_(other.topSpan_),
      load_(other.load_),
      elementBytes_(other.elementBytes_),
      levels_(other.levels_),
      cachedLevels_(other.cachedLevels_)
{
}

TextureBinding& TextureBinding::operator=(TextureBinding&& other) noexcept
{
    if (this != &other) {
        Reset();
        view_ = std::exchange(other.view_, nullptr);
        core_ = other.core_;
        range_ = other.range_;
        kind_ = other.kind_;
        filter_ = other.filter_;
        top_ = other.top_;
        topSpan_ = other.topSpan_;
        load_ = other.load_;
        elementBytes_ = other.elementBytes_;
        levels_ = other.levels_;
        cachedLevels_ = other.cachedLevels_;
    }
    return *this;
}

TextureBinding::~TextureBinding() { Reset(); }

void TextureBinding::Reset()
{
    if (ShaderResourceView* view = std::exchange(view_, nullptr)) {
        view->ReleasePrivateRef();
    }
}

TextureLevel TextureBinding::LevelOf(UINT level, UINT slice) const
{
    const bool is3D = kind_ == Kind::Texture3D;
    const UINT subresource = core_->Subresource(range_.firstMip + level, is3D ? 0 : range_.firstSlice + slice);
    const SubresourceLayout& layout = core_->Layout(subresource);
    return TextureLevel{core_->Data(subresource), layout.rowPitch, layout.depthPitch, static_cast<int>(layout.width),
                        static_cast<int>(layout.height), is3D ? static_cast<int>(layout.depth) : 1};
}

float TextureBinding::LevelOfDetail(const Float4& ddx, const Float4& ddy) const
{
    // The longer side of the pixel's footprint, in texels of the most detailed level.
    const TextureLevel top = Level(0, 0);
    const auto w = static_cast<float>(top.width);
    const auto h = static_cast<float>(top.height);
    const float d = kind_ == Kind::Texture3D ? static_cast<float>(top.depth) : 0.0f;
    auto squared = [&](const Float4& v) {
        const float x = v.x * w;
        const float y = v.y * h;
        const float z = v.z * d;
        return x * x + y * y + z * z;
    };
    const float footprint = std::max(squared(ddx), squared(ddy));
    return footprint > 0.0f ? 0.5f * std::log2(footprint) : -100.0f;
}

Float4 TextureBinding::Texel(int x, int y, int z, UINT level) const
{
    if (!load_) {
        return {};
    }
    if (kind_ == Kind::Buffer) {
        const std::byte* element = x >= 0 ? Element(static_cast<UINT>(x)) : nullptr;
        return element ? load_(element) : Float4{};
    }
    if (kind_ == Kind::Empty) {
        return {};
    }
    if (kind_ == Kind::Multisampled) {
        level = 0;  // sample 0 of the one level
    }
    if (level >= Levels() || x < 0 || y < 0 || z < 0) {
        return {};
    }
    const bool is3D = kind_ == Kind::Texture3D;
    if (!is3D && z >= static_cast<int>(Slices())) {
        return {};
    }
    const TextureLevel texels = Level(level, is3D ? 0 : static_cast<UINT>(z));
    if (x >= texels.width || y >= texels.height || (is3D && z >= texels.depth)) {
        return {};
    }
    const std::size_t depthOffset = is3D ? std::size_t{texels.depthPitch} * static_cast<UINT>(z) : 0;
    return load_(texels.data + depthOffset + std::size_t{texels.rowPitch} * static_cast<UINT>(y) +
                 std::size_t{static_cast<UINT>(x)} * elementBytes_);
}

const std::byte* TextureBinding::Element(UINT index) const
{
    if (kind_ != Kind::Buffer || index >= range_.elementCount) {
        return nullptr;
    }
    return core_->Data(0) + (std::size_t{range_.firstElement} + index) * range_.elementBytes;
}

}  // namespace d3d11sw
