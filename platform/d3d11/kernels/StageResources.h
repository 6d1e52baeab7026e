#pragma once
// What a kernel reads of its stage: the constant buffers, shader resources and samplers
// bound to its slots when the draw was issued. The draw takes a snapshot: constant
// buffers are copied (a later UpdateSubresource does not reach a draw already made),
// views are held, and each view and sampler is resolved once, to a fetch specialised
// for its format and a digested sampler state.

#include "platform/d3d11/kernels/Quad.h"
#include "platform/d3d11/kernels/SpanValues.h"
#include "platform/d3d11/kernels/TextureBinding.h"

#include <array>
#include <cstring>
#include <vector>

namespace d3d11sw {

class StageBindings;
class PixelSpan;

class StageResources {
public:
    StageResources() = default;
    explicit StageResources(const StageBindings& bindings);
    StageResources(StageResources&& other) noexcept = default;
    StageResources& operator=(StageResources&& other) noexcept = default;
    StageResources(const StageResources&) = delete;
    StageResources& operator=(const StageResources&) = delete;

    // ---- constants ----

    // The bytes of a constant buffer slot; null (and size 0) when nothing is bound.
    const std::byte* ConstantBuffer(UINT slot, UINT* size = nullptr) const
    {
        const bool bound = slot < kConstantSlots && constantSizes_[slot] > 0;
        if (size) {
            *size = bound ? constantSizes_[slot] : 0;
        }
        return bound ? constants_.data() + constantOffsets_[slot] : nullptr;
    }
    // A value at a byte offset of a constant buffer; zero outside the buffer. Kernels
    // take their offsets from the effect's reflection, never from a layout of their own.
    template <class T>
    T Constant(UINT slot, UINT offset) const
    {
        T value{};
        UINT size = 0;
        const std::byte* bytes = ConstantBuffer(slot, &size);
        if (bytes && offset <= size && sizeof(T) <= size - offset) {
            std::memcpy(&value, bytes + offset, sizeof(T));
        }
        return value;
    }

    // ---- textures: coordinates (u, v[, w or array index]) ----

    // Filtered samples of a quad; the level of detail comes from the quad's derivatives
    // of the coordinate (one level for the whole quad).
    Quad<Float4> Sample(UINT texture, UINT sampler, const Quad<Float4>& coord) const;
    // The samples of every quad of a span at 2D coordinates (u, v): what Sample gives for
    // each quad at (u, v, 0, 0).
    void Sample(UINT texture, UINT sampler, const PixelSpan& span, const SpanFloats& u, const SpanFloats& v,
                SpanFloat4& out) const;
    // With explicit derivatives, and at an explicit level (vertex kernels use these).
    Float4 SampleGrad(UINT texture, UINT sampler, const Float4& coord, const Float4& ddx, const Float4& ddy) const;
    Float4 SampleLevel(UINT texture, UINT sampler, const Float4& coord, float lod) const;
    Quad<Float4> SampleLevel(UINT texture, UINT sampler, const Quad<Float4>& coord, float lod) const;

    // One texel of a view's mip level (z: array slice or depth), 0 outside the view. Float
    // and normalized formats give their values; integer formats their bits, exactly
    // (LoadUint and LoadInt read them as integers). Buffer views read element x.
    Float4 Load(UINT texture, int x, int y, int z, UINT mip) const;
    Uint4 LoadUint(UINT texture, int x, int y, int z, UINT mip) const { return AsUint(Load(texture, x, y, z, mip)); }
    Int4 LoadInt(UINT texture, int x, int y, int z, UINT mip) const { return AsInt(Load(texture, x, y, z, mip)); }

    // An element of a buffer view; null outside the view.
    const std::byte* Element(UINT buffer, UINT index) const;
    // Size of a view's mip level and its level count; false when the slot is empty.
    bool Dimensions(UINT texture, UINT mip, UINT& width, UINT& height, UINT& depth, UINT& levels) const;

    // Calls f with the resource of every bound view.
    template <class F>
    void ForEachResource(F f) const
    {
        for (const TextureBinding& texture : textures_) {
            if (texture.Bound()) {
                f(texture.View()->Core());
            }
        }
    }

private:
    static constexpr UINT kConstantSlots = D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT;
    static constexpr UINT kSamplerSlots = D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT;

    const TextureBinding* TextureAt(UINT slot) const
    {
        return slot < textures_.size() && textures_[slot].Bound() ? &textures_[slot] : nullptr;
    }
    const SamplerBinding& SamplerAt(UINT slot) const { return slot < kSamplerSlots ? samplers_[slot] : defaultSampler_; }

    std::vector<std::byte> constants_;
    std::array<UINT, kConstantSlots> constantOffsets_{};
    std::array<UINT, kConstantSlots> constantSizes_{};
    std::vector<TextureBinding> textures_;  // by slot, up to the last bound one
    std::array<SamplerBinding, kSamplerSlots> samplers_{};  // empty slots: the default state
    SamplerBinding defaultSampler_{};
};

}  // namespace d3d11sw
