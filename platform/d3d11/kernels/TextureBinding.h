#pragma once
// A shader-resource view and a sampler as a draw resolves them, once: the view's levels
// and slices with a filter routine specialised for its format (RGBA8 unorm and sRGB, R8
// unorm and R32 float have their own; other formats go through their codec), and the
// sampler's description digested into what filtering asks of it.

#include "platform/d3d11/kernels/Registers.h"
#include "platform/d3d11/kernels/SpanValues.h"
#include "platform/d3d11/objects/View.h"

#include <array>

namespace d3d11sw {

struct SamplerBinding {
    bool minLinear = true;
    bool magLinear = true;
    bool mipLinear = true;
    D3D11_TEXTURE_ADDRESS_MODE address[3] = {D3D11_TEXTURE_ADDRESS_CLAMP, D3D11_TEXTURE_ADDRESS_CLAMP,
                                             D3D11_TEXTURE_ADDRESS_CLAMP};
    Float4 border{1.0f, 1.0f, 1.0f, 1.0f};
    float mipLodBias = 0.0f;
    float minLod = -D3D11_FLOAT32_MAX;
    float maxLod = D3D11_FLOAT32_MAX;

    // Direct3D's default state, which an empty sampler slot stands for.
    SamplerBinding() = default;
    explicit SamplerBinding(const D3D11_SAMPLER_DESC& desc);
};

// One mip level of one slice, ready to address.
struct TextureLevel {
    const std::byte* data = nullptr;
    UINT rowPitch = 0;
    UINT depthPitch = 0;
    int width = 0;
    int height = 0;
    int depth = 1;
};

class TextureBinding {
public:
    enum class Kind : std::uint8_t { Empty, Buffer, Texture2D, Texture2DArray, Texture3D, Multisampled };

    TextureBinding() = default;
    // Holds a private reference to the view for the binding's lifetime.
    explicit TextureBinding(ShaderResourceView* view);
    TextureBinding(TextureBinding&& other) noexcept;
    TextureBinding& operator=(TextureBinding&& other) noexcept;
    TextureBinding(const TextureBinding&) = delete;
    TextureBinding& operator=(const TextureBinding&) = delete;
    ~TextureBinding();

    bool Bound() const { return view_ != nullptr; }
    Kind GetKind() const { return kind_; }
    ShaderResourceView* View() const { return view_; }
    // Filtering needs a float (or normalized) texture format.
    bool Sampleable() const { return filter_ != nullptr; }
    UINT Levels() const { return range_.mipCount; }
    UINT Slices() const { return range_.sliceCount; }
    TextureLevel Level(UINT level, UINT slice) const
    {
        return slice == 0 && level < cachedLevels_ ? levels_[level] : LevelOf(level, slice);
    }

    // Filtered values of `lanes` coordinates at one level of detail.
    void Filter(const SamplerBinding& sampler, const Float4* coords, int lanes, float lod, Float4* out) const
    {
        filter_(*this, sampler, coords, lanes, lod, out);
    }
    // Filtered values at the most detailed level, linear or point, whatever the sampler's
    // levels of detail: what Filter gives for a texture of one level whose sampler filters
    // magnified and minified texels alike.
    void FilterTop(const SamplerBinding& sampler, const Float4* coords, int lanes, bool linear, Float4* out) const
    {
        top_(*this, sampler, coords, lanes, linear, out);
    }
    // FilterTop of the 2D coordinates of `quads` quads of a span, (u, v, 0, 0).
    void FilterTopSpan(const SamplerBinding& sampler, const float* u, const float* v, int quads, bool linear,
                       SpanFloat4& out) const
    {
        topSpan_(*this, sampler, u, v, quads, linear, out);
    }
    // The level of detail of a footprint given by the screen derivatives of a coordinate.
    float LevelOfDetail(const Float4& ddx, const Float4& ddy) const;

    // Load: the texel at integer coordinates of a level (the element of a buffer view at
    // x), 0 outside; integer formats as bits.
    Float4 Texel(int x, int y, int z, UINT level) const;
    const std::byte* Element(UINT index) const;

    using FilterRoutine = void (*)(const TextureBinding& texture, const SamplerBinding& sampler, const Float4* coords,
                                   int lanes, float lod, Float4* out);
    using TopRoutine = void (*)(const TextureBinding& texture, const SamplerBinding& sampler, const Float4* coords,
                                int lanes, bool linear, Float4* out);
    using TopSpanRoutine = void (*)(const TextureBinding& texture, const SamplerBinding& sampler, const float* u,
                                    const float* v, int quads, bool linear, SpanFloat4& out);
    using Load = Float4 (*)(const std::byte* element);

private:
    static constexpr UINT kCachedLevels = 16;

    void Reset();
    TextureLevel LevelOf(UINT level, UINT slice) const;

    ShaderResourceView* view_ = nullptr;
    ResourceCore* core_ = nullptr;
    ViewRange range_;
    Kind kind_ = Kind::Empty;
    FilterRoutine filter_ = nullptr;
    TopRoutine top_ = nullptr;
    TopSpanRoutine topSpan_ = nullptr;
    Load load_ = nullptr;
    UINT elementBytes_ = 0;
    // The levels of the first slice, which filtering reads quad after quad.
    std::array<TextureLevel, kCachedLevels> levels_{};
    UINT cachedLevels_ = 0;

    friend struct TextureFilters;
};

// The filter routine for a view format (null when the format cannot be filtered), and
// its codec's loader for the general routine.
struct TextureFilters {
    static TextureBinding::FilterRoutine For(DXGI_FORMAT format);
    static TextureBinding::TopRoutine TopFor(DXGI_FORMAT format);
    static TextureBinding::TopSpanRoutine TopSpanFor(DXGI_FORMAT format);
    static TextureBinding::Load GeneralLoad(const TextureBinding& texture) { return texture.load_; }
    static UINT ElementBytes(const TextureBinding& texture) { return texture.elementBytes_; }
};

}  // namespace d3d11sw
