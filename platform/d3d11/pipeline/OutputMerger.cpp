#include "platform/d3d11/pipeline/OutputMerger.h"


#include <algorithm>
#include <cstring>
#include <limits>

namespace d3d11sw {
namespace {

bool Compare(D3D11_COMPARISON_FUNC func, std::uint32_t incoming, std::uint32_t stored)
{
    switch (func) {
    case D3D11_COMPARISON_NEVER: return false;
    case D3D11_COMPARISON_LESS: return incoming < stored;
    case D3D11_COMPARISON_EQUAL: return incoming == stored;
    case D3D11_COMPARISON_LESS_EQUAL: return incoming <= stored;
    case D3D11_COMPARISON_GREATER: return incoming > stored;
    case D3D11_COMPARISON_NOT_EQUAL: return incoming != stored;
    case D3D11_COMPARISON_GREATER_EQUAL: return incoming >= stored;
    default: return true;
    }
}

Float4 Clamp(const Float4& value, float low)
{
    auto one = [low](float v) { return v > low ? (v < 1.0f ? v : 1.0f) : low; };  // NaN goes low
    return {one(value.x), one(value.y), one(value.z), one(value.w)};
}

}  // namespace

OutputMerger::OutputMerger(const PipelineState& state)
{
    width_ = std::numeric_limits<UINT>::max();
    height_ = std::numeric_limits<UINT>::max();
    const D3D11_BLEND_DESC blend = state.blend.Get() ? state.blend.Get()->Description() : DefaultBlendDesc();
    for (UINT slot = 0; slot < state.renderTargets.size(); ++slot) {
        RenderTargetView* view = state.renderTargets[slot].Get();
        const FormatCodec* codec = view ? &CodecOf(view->Range().format) : nullptr;
        if (!codec || !codec->store) {
            continue;
        }
        ColourTarget& target = targets_[slot];
        target.surface = SurfaceOf(view->Core(), view->Range(), 0);
        target.codec = codec;
        const D3D11_RENDER_TARGET_BLEND_DESC& targetBlend = blend.RenderTarget[blend.IndependentBlendEnable ? slot : 0];
        target.integer = codec->storeBits != nullptr;
        if (targetBlend.BlendEnable && !target.integer) {
            target.blend.emplace(targetBlend);
        }
        target.writeMask = targetBlend.RenderTargetWriteMask;
        target.low = codec->signedNormalized ? -1.0f : 0.0f;
        const Float4 factor{state.blendFactor[0], state.blendFactor[1], state.blendFactor[2], state.blendFactor[3]};
        target.blendFactor = codec->normalized ? Clamp(factor, target.low) : factor;
        target.write = ChooseSpanWriter(view->Range().format, target);
        target.writeOne = ChooseOneColourWriter(view->Range().format, target);
        targetCount_ = slot + 1;
        width_ = std::min(width_, target.surface.width);
        height_ = std::min(height_, target.surface.height);
        hasTargets_ = true;
    }
    if (DepthStencilView* view = state.depthStencilView.Get()) {
        const D3D11_DEPTH_STENCIL_DESC desc =
            state.depthStencil.Get() ? state.depthStencil.Get()->Description() : DefaultDepthStencilDesc();
        depthSurface_ = SurfaceOf(view->Core(), view->Range(), 0);
        depthCodec_ = &DepthCodecOf(view->Range().format);
        depthTest_ = desc.DepthEnable != FALSE;
        depthWrite_ = depthTest_ && desc.DepthWriteMask == D3D11_DEPTH_WRITE_MASK_ALL &&
                      (view->Description().Flags & D3D11_DSV_READ_ONLY_DEPTH) == 0;
        depthFunc_ = desc.DepthFunc;
        width_ = std::min(width_, depthSurface_.width);
        height_ = std::min(height_, depthSurface_.height);
        hasTargets_ = true;
    }
}

bool OutputMerger::DepthTest(PixelSpan& span) const
{
    if (!depthTest_) {
        return true;
    }
    bool any = false;
    for (int quad = 0; quad < span.Count(); ++quad) {
        UINT lanes = span.Coverage(quad);
        const float* depths = span.Depths(quad);
        for (int lane = 0; lane < 4; ++lane) {
            if (!(lanes & (1u << lane))) {
                continue;
            }
            const std::byte* element = depthSurface_.Element(static_cast<UINT>(span.X(quad) + (lane & 1)),
                                                             static_cast<UINT>(span.Y() + (lane >> 1)));
            if (!Compare(depthFunc_, depthCodec_->key(depths[lane]), depthCodec_->read(element))) {
                lanes &= ~(1u << lane);
            }
        }
        span.SetCoverage(quad, lanes);
        any = any || lanes != 0;
    }
    return any;
}

void OutputMerger::Write(const PixelSpan& span, bool colours) const
{
    for (UINT slot = 0; colours && slot < targetCount_; ++slot) {
        if (targets_[slot].write) {
            targets_[slot].write(targets_[slot], span, slot);
        }
    }
    WriteDepths(span);
}

void OutputMerger::WriteOneColour(PixelSpan& span, const Float4& colour) const
{
    if (targetCount_ > 0 && targets_[0].write) {
        const ColourTarget& target = targets_[0];
        if (!target.writeOne || !target.writeOne(target, span, colour)) {
            span.FillTarget(0, colour);
            target.write(target, span, 0);
        }
    }
    WriteDepths(span);
}

namespace {

void PrefetchRows(const Surface& surface, int left, int top, int right, int bottom)
{
    constexpr std::size_t kLine = 64;
    const std::size_t first = static_cast<std::size_t>(left) * surface.elementBytes;
    const std::size_t end = static_cast<std::size_t>(right) * surface.elementBytes;
    for (int y = top; y < bottom; ++y) {
        const std::byte* row = surface.data + std::size_t{static_cast<UINT>(y)} * surface.rowPitch;
        for (std::size_t offset = first & ~(kLine - 1); offset < end; offset += kLine) {
            __builtin_prefetch(row + offset, 1, 3);
        }
    }
}

}  // namespace

void OutputMerger::Prefetch(int left, int top, int right, int bottom) const
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, static_cast<int>(width_));
    bottom = std::min(bottom, static_cast<int>(height_));
    if (left >= right || top >= bottom) {
        return;
    }
    for (UINT slot = 0; slot < targetCount_; ++slot) {
        if (targets_[slot].codec) {
            PrefetchRows(targets_[slot].surface, left, top, right, bottom);
        }
    }
    if (depthTest_) {
        PrefetchRows(depthSurface_, left, top, right, bottom);
    }
}

const std::byte* OutputMerger::FirstView() const
{
    for (UINT slot = 0; slot < targetCount_; ++slot) {
        if (targets_[slot].codec) {
            return targets_[slot].surface.data;
        }
    }
    return depthTest_ ? depthSurface_.data : nullptr;
}

void OutputMerger::WriteDepths(const PixelSpan& span) const
{
    if (!depthWrite_) {
        return;
    }
    for (int quad = 0; quad < span.Count(); ++quad) {
        const UINT lanes = span.Live(quad);
        for (int lane = 0; lane < 4; ++lane) {
            if (lanes & (1u << lane)) {
                depthCodec_->write(depthCodec_->key(span.Depths(quad)[lane]),
                                   depthSurface_.Element(static_cast<UINT>(span.X(quad) + (lane & 1)),
                                                         static_cast<UINT>(span.Y() + (lane >> 1))));
            }
        }
    }
}

}  // namespace d3d11sw
