// What kernels read: constant buffers, texels (point, bilinear, trilinear and mip
// filtering with wrap, mirror, clamp or border addressing) and buffer elements.

#include "platform/d3d11/formats/FormatCodec.h"
#include "platform/d3d11/formats/FormatLayout.h"
#include "platform/d3d11/kernels/ShaderKernels.h"
#include "platform/d3d11/objects/PipelineState.h"

#include <algorithm>
#include <cmath>

namespace d3d11sw {
namespace {

constexpr int kBorder = -1;

// floor() as an int, safe for any float (NaN gives 0).
int FloorToInt(float value)
{
    if (!(value == value)) {
        return 0;
    }
    const float clamped = std::clamp(value, -1.0e9f, 1.0e9f);
    return static_cast<int>(std::floor(clamped));
}

int Address(int index, int size, D3D11_TEXTURE_ADDRESS_MODE mode)
{
    switch (mode) {
    case D3D11_TEXTURE_ADDRESS_WRAP:
        return ((index % size) + size) % size;
    case D3D11_TEXTURE_ADDRESS_MIRROR: {
        const int period = 2 * size;
        const int folded = ((index % period) + period) % period;
        return folded < size ? folded : period - 1 - folded;
    }
    case D3D11_TEXTURE_ADDRESS_BORDER:
        return (index < 0 || index >= size) ? kBorder : index;
    default:
        return std::clamp(index, 0, size - 1);
    }
}

Float4 Lerp(const Float4& a, const Float4& b, float t) { return a + (b - a) * t; }

// One view and one sampler, ready to fetch texels.
class Texels {
public:
    Texels(ShaderResourceView& view, const D3D11_SAMPLER_DESC& sampler)
        : view_(view),
          core_(view.Core()),
          range_(view.Range()),
          codec_(CodecOf(view.Range().format)),
          elementBytes_(LayoutOf(view.Range().format).bytes),
          sampler_(sampler),
          is3D_(view.Description().ViewDimension == D3D11_SRV_DIMENSION_TEXTURE3D),
          isArray_(view.Description().ViewDimension == D3D11_SRV_DIMENSION_TEXTURE2DARRAY)
    {
    }

    bool Readable() const
    {
        const UINT dimension = view_.Description().ViewDimension;
        return codec_.load && (dimension == D3D11_SRV_DIMENSION_TEXTURE2D || isArray_ || is3D_);
    }

    float Size(int axis, UINT level) const
    {
        const SubresourceLayout& layout = core_.Layout(core_.Subresource(range_.firstMip + level, range_.firstSlice));
        return static_cast<float>(axis == 0 ? layout.width : axis == 1 ? layout.height : layout.depth);
    }

    UINT Levels() const { return range_.mipCount; }

    Float4 Filtered(const Float4& coord, float lod) const
    {
        const UINT filter = sampler_.Filter & ~0x80u;
        const bool anisotropic = filter == D3D11_FILTER_ANISOTROPIC;
        const bool mipLinear = anisotropic || (filter & 0x1) != 0;
        const bool magLinear = anisotropic || (filter & 0x4) != 0;
        const bool minLinear = anisotropic || (filter & 0x10) != 0;
        lod += sampler_.MipLODBias;
        lod = std::clamp(lod, sampler_.MinLOD, sampler_.MaxLOD);
        if (!(lod == lod)) {
            lod = 0.0f;
        }
        const bool magnified = lod <= 0.0f;
        const bool linear = magnified ? magLinear : minLinear;
        const float last = static_cast<float>(Levels() - 1);
        const float clamped = std::clamp(lod, 0.0f, last);
        if (mipLinear && !magnified) {
            const float lower = std::floor(clamped);
            const auto level = static_cast<UINT>(lower);
            const Float4 a = Level(coord, level, linear);
            const float weight = clamped - lower;
            return weight > 0.0f ? Lerp(a, Level(coord, std::min(level + 1, Levels() - 1), linear), weight) : a;
        }
        const auto level = magnified ? 0u : static_cast<UINT>(std::floor(clamped + 0.5f));
        return Level(coord, std::min(level, Levels() - 1), linear);
    }

    // The texel at integer coordinates of a view level; 0 outside.
    Float4 Texel(int x, int y, int z, UINT level) const
    {
        if (level >= Levels()) {
            return {};
        }
        const int layers = is3D_ ? static_cast<int>(Size(2, level)) : static_cast<int>(range_.sliceCount);
        if (x < 0 || y < 0 || z < 0 || x >= static_cast<int>(Size(0, level)) || y >= static_cast<int>(Size(1, level)) ||
            z >= layers) {
            return {};
        }
        return Fetch(x, y, z, level);
    }

private:
    Float4 Fetch(int x, int y, int z, UINT level) const
    {
        if (x == kBorder || y == kBorder || z == kBorder) {
            const FLOAT* border = sampler_.BorderColor;
            return {border[0], border[1], border[2], border[3]};
        }
        const UINT slice = is3D_ ? range_.firstSlice : range_.firstSlice + static_cast<UINT>(z);
        const UINT subresource = core_.Subresource(range_.firstMip + level, slice);
        const SubresourceLayout& layout = core_.Layout(subresource);
        const std::size_t depthOffset = is3D_ ? std::size_t{layout.depthPitch} * static_cast<UINT>(z) : 0;
        return codec_.load(core_.Data(subresource) + depthOffset + std::size_t{layout.rowPitch} * static_cast<UINT>(y) +
                           std::size_t{static_cast<UINT>(x)} * elementBytes_);
    }

    Float4 Level(const Float4& coord, UINT level, bool linear) const
    {
        const int width = static_cast<int>(Size(0, level));
        const int height = static_cast<int>(Size(1, level));
        const int depth = is3D_ ? static_cast<int>(Size(2, level)) : 1;
        int layer = 0;
        if (isArray_) {
            layer = std::clamp(FloorToInt(coord.z + 0.5f), 0, static_cast<int>(range_.sliceCount) - 1);
        }
        if (!linear) {
            const int x = Address(FloorToInt(coord.x * width), width, sampler_.AddressU);
            const int y = Address(FloorToInt(coord.y * height), height, sampler_.AddressV);
            const int z = is3D_ ? Address(FloorToInt(coord.z * depth), depth, sampler_.AddressW) : layer;
            return Fetch(x, y, z, level);
        }
        const float u = coord.x * width - 0.5f;
        const float v = coord.y * height - 0.5f;
        const int x0 = FloorToInt(u);
        const int y0 = FloorToInt(v);
        const float fx = u - static_cast<float>(x0);
        const float fy = v - static_cast<float>(y0);
        const int xa = Address(x0, width, sampler_.AddressU);
        const int xb = Address(x0 + 1, width, sampler_.AddressU);
        const int ya = Address(y0, height, sampler_.AddressV);
        const int yb = Address(y0 + 1, height, sampler_.AddressV);
        auto plane = [&](int z) {
            return Lerp(Lerp(Fetch(xa, ya, z, level), Fetch(xb, ya, z, level), fx),
                        Lerp(Fetch(xa, yb, z, level), Fetch(xb, yb, z, level), fx), fy);
        };
        if (!is3D_) {
            return plane(layer);
        }
        const float w = coord.z * depth - 0.5f;
        const int z0 = FloorToInt(w);
        const float fz = w - static_cast<float>(z0);
        return Lerp(plane(Address(z0, depth, sampler_.AddressW)), plane(Address(z0 + 1, depth, sampler_.AddressW)),
                    fz);
    }

    ShaderResourceView& view_;
    ResourceCore& core_;
    const ViewRange& range_;
    const FormatCodec& codec_;
    UINT elementBytes_;
    const D3D11_SAMPLER_DESC& sampler_;
    bool is3D_;
    bool isArray_;
};

ShaderResourceView* ViewAt(const StageBindings& bindings, UINT slot)
{
    return slot < bindings.views.size() ? bindings.views[slot].Get() : nullptr;
}

const D3D11_SAMPLER_DESC& SamplerAt(const StageBindings& bindings, UINT slot)
{
    static const D3D11_SAMPLER_DESC fallback = DefaultSamplerDesc();
    const SamplerState* state = slot < bindings.samplers.size() ? bindings.samplers[slot].Get() : nullptr;
    return state ? state->Description() : fallback;
}

bool IsBufferView(const ShaderResourceView& view)
{
    const UINT dimension = view.Description().ViewDimension;
    return dimension == D3D11_SRV_DIMENSION_BUFFER || dimension == D3D11_SRV_DIMENSION_BUFFEREX;
}

}  // namespace

StageResources::StageResources(const StageBindings& bindings) : bindings_(bindings)
{
    for (UINT slot = 0; slot < kConstantSlots; ++slot) {
        if (const Buffer* buffer = bindings.constantBuffers[slot].Get()) {
            constantData_[slot] = buffer->Data(0);
            constantSizes_[slot] = buffer->Desc().ByteWidth;
        }
    }
}

Float4 StageResources::Sample(UINT texture, UINT sampler, const Float4& coord, const Float4& ddx,
                              const Float4& ddy) const
{
    ShaderResourceView* view = ViewAt(bindings_, texture);
    if (!view || IsBufferView(*view)) {
        return {};
    }
    const Texels texels(*view, SamplerAt(bindings_, sampler));
    if (!texels.Readable()) {
        return {};
    }
    // The level of detail from the longer footprint of a pixel in level-0 texels.
    const bool is3D = view->Description().ViewDimension == D3D11_SRV_DIMENSION_TEXTURE3D;
    const float w = texels.Size(0, 0);
    const float h = texels.Size(1, 0);
    const float d = is3D ? texels.Size(2, 0) : 0.0f;
    const float alongX = std::hypot(ddx.x * w, ddx.y * h, ddx.z * d);
    const float alongY = std::hypot(ddy.x * w, ddy.y * h, ddy.z * d);
    const float footprint = std::max(alongX, alongY);
    const float lod = footprint > 0.0f ? std::log2(footprint) : -100.0f;
    return texels.Filtered(coord, lod);
}

Float4 StageResources::SampleLevel(UINT texture, UINT sampler, const Float4& coord, float lod) const
{
    ShaderResourceView* view = ViewAt(bindings_, texture);
    if (!view || IsBufferView(*view)) {
        return {};
    }
    const Texels texels(*view, SamplerAt(bindings_, sampler));
    return texels.Readable() ? texels.Filtered(coord, lod) : Float4{};
}

Float4 StageResources::Load(UINT texture, int x, int y, int z, UINT mip) const
{
    ShaderResourceView* view = ViewAt(bindings_, texture);
    if (!view) {
        return {};
    }
    if (IsBufferView(*view)) {
        const FormatCodec& codec = CodecOf(view->Range().format);
        const std::byte* element = x >= 0 ? Element(texture, static_cast<UINT>(x)) : nullptr;
        return (element && codec.load) ? codec.load(element) : Float4{};
    }
    static const D3D11_SAMPLER_DESC point = DefaultSamplerDesc();
    const Texels texels(*view, point);
    const UINT dimension = view->Description().ViewDimension;
    const bool multisampled = dimension == D3D11_SRV_DIMENSION_TEXTURE2DMS ||
                              dimension == D3D11_SRV_DIMENSION_TEXTURE2DMSARRAY;
    if (!CodecOf(view->Range().format).load) {
        return {};
    }
    return texels.Texel(x, y, z, multisampled ? 0 : mip);
}

const std::byte* StageResources::Element(UINT buffer, UINT index) const
{
    ShaderResourceView* view = ViewAt(bindings_, buffer);
    if (!view || !IsBufferView(*view) || index >= view->Range().elementCount) {
        return nullptr;
    }
    const ViewRange& range = view->Range();
    return view->Core().Data(0) + (std::size_t{range.firstElement} + index) * range.elementBytes;
}

bool StageResources::Dimensions(UINT texture, UINT mip, UINT& width, UINT& height, UINT& depth, UINT& levels) const
{
    ShaderResourceView* view = ViewAt(bindings_, texture);
    if (!view) {
        return false;
    }
    const ViewRange& range = view->Range();
    if (IsBufferView(*view)) {
        width = range.elementCount;
        height = depth = levels = 1;
        return true;
    }
    const ResourceCore& core = view->Core();
    const bool is3D = core.Shape().dimension == D3D11_RESOURCE_DIMENSION_TEXTURE3D;
    const UINT level = range.firstMip + std::min(mip, range.mipCount - 1);
    const SubresourceLayout& layout = core.Layout(is3D ? level : core.Subresource(level, range.firstSlice));
    width = layout.width;
    height = layout.height;
    depth = is3D ? layout.depth : range.sliceCount;
    levels = range.mipCount;
    return true;
}

}  // namespace d3d11sw
