#include "platform/d3d11/kernels/StageResources.h"

#include "platform/d3d11/kernels/ShaderKernels.h"
#include "platform/d3d11/objects/PipelineState.h"

namespace d3d11sw {

StageResources::StageResources(const StageBindings& bindings)
{
    std::size_t total = 0;
    for (UINT slot = 0; slot < kConstantSlots; ++slot) {
        if (const Buffer* buffer = bindings.constantBuffers[slot].Get()) {
            constantOffsets_[slot] = static_cast<UINT>(total);
            constantSizes_[slot] = buffer->Desc().ByteWidth;
            total += (buffer->Desc().ByteWidth + 15u) & ~15u;
        }
    }
    constants_.resize(total);
    for (UINT slot = 0; slot < kConstantSlots; ++slot) {
        if (const Buffer* buffer = bindings.constantBuffers[slot].Get()) {
            std::memcpy(constants_.data() + constantOffsets_[slot], buffer->Data(0), constantSizes_[slot]);
        }
    }
    std::size_t views = bindings.views.size();
    while (views > 0 && !bindings.views[views - 1].Get()) {
        --views;
    }
    textures_.reserve(views);
    for (std::size_t slot = 0; slot < views; ++slot) {
        textures_.emplace_back(bindings.views[slot].Get());
    }
    for (UINT slot = 0; slot < kSamplerSlots; ++slot) {
        if (const SamplerState* state = bindings.samplers[slot].Get()) {
            samplers_[slot] = SamplerBinding(state->Description());
        }
    }
}

Quad<Float4> StageResources::Sample(UINT texture, UINT sampler, const Quad<Float4>& coord) const
{
    Quad<Float4> result{};
    const TextureBinding* view = TextureAt(texture);
    if (view && view->Sampleable()) {
        const SamplerBinding& state = SamplerAt(sampler);
        // One level filtered one way needs no level of detail.
        if (view->Levels() == 1 && state.magLinear == state.minLinear) {
            view->FilterTop(state, coord.lane, 4, state.magLinear, result.lane);
        } else {
            view->Filter(state, coord.lane, 4, view->LevelOfDetail(DdxCoarse(coord), DdyCoarse(coord)), result.lane);
        }
    }
    return result;
}

void StageResources::Sample(UINT texture, UINT sampler, const PixelSpan& span, const SpanFloats& u, const SpanFloats& v,
                            SpanFloat4& out) const
{
    const TextureBinding* view = TextureAt(texture);
    if (view && view->Sampleable()) {
        const SamplerBinding& state = SamplerAt(sampler);
        if (view->Levels() == 1 && state.magLinear == state.minLinear) {
            view->FilterTopSpan(state, u.lane, v.lane, span.Count(), state.magLinear, out);
            return;
        }
    }
    for (int quad = 0; quad < span.Count(); ++quad) {
        Quad<Float4> coord;
        for (int lane = 0; lane < 4; ++lane) {
            coord[lane] = {u[4 * quad + lane], v[4 * quad + lane], 0.0f, 0.0f};
        }
        const Quad<Float4> result = Sample(texture, sampler, coord);
        for (int lane = 0; lane < 4; ++lane) {
            for (int c = 0; c < 4; ++c) {
                out[c][4 * quad + lane] = result[lane][c];
            }
        }
    }
}

Float4 StageResources::SampleGrad(UINT texture, UINT sampler, const Float4& coord, const Float4& ddx,
                                  const Float4& ddy) const
{
    Float4 result{};
    const TextureBinding* view = TextureAt(texture);
    if (view && view->Sampleable()) {
        view->Filter(SamplerAt(sampler), &coord, 1, view->LevelOfDetail(ddx, ddy), &result);
    }
    return result;
}

Float4 StageResources::SampleLevel(UINT texture, UINT sampler, const Float4& coord, float lod) const
{
    Float4 result{};
    const TextureBinding* view = TextureAt(texture);
    if (view && view->Sampleable()) {
        view->Filter(SamplerAt(sampler), &coord, 1, lod, &result);
    }
    return result;
}

Quad<Float4> StageResources::SampleLevel(UINT texture, UINT sampler, const Quad<Float4>& coord, float lod) const
{
    Quad<Float4> result{};
    const TextureBinding* view = TextureAt(texture);
    if (view && view->Sampleable()) {
        view->Filter(SamplerAt(sampler), coord.lane, 4, lod, result.lane);
    }
    return result;
}

Float4 StageResources::Load(UINT texture, int x, int y, int z, UINT mip) const
{
    const TextureBinding* view = TextureAt(texture);
    return view ? view->Texel(x, y, z, mip) : Float4{};
}

const std::byte* StageResources::Element(UINT buffer, UINT index) const
{
    const TextureBinding* view = TextureAt(buffer);
    return view ? view->Element(index) : nullptr;
}

bool StageResources::Dimensions(UINT texture, UINT mip, UINT& width, UINT& height, UINT& depth, UINT& levels) const
{
    const TextureBinding* view = TextureAt(texture);
    if (!view) {
        return false;
    }
    const ViewRange& range = view->View()->Range();
    if (view->GetKind() == TextureBinding::Kind::Buffer) {
        width = range.elementCount;
        height = depth = levels = 1;
        return true;
    }
    const TextureLevel level = view->Level(std::min(mip, range.mipCount - 1), 0);
    width = static_cast<UINT>(level.width);
    height = static_cast<UINT>(level.height);
    depth = view->GetKind() == TextureBinding::Kind::Texture3D ? static_cast<UINT>(level.depth) : range.sliceCount;
    levels = range.mipCount;
    return true;
}

}  // namespace d3d11sw
