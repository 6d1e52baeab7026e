#include "platform/d3d11/pipeline/OutputMerger.h"

#include "platform/d3d11/formats/ByteChannels.h"

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
        if (targetBlend.BlendEnable) {
            target.blend.emplace(targetBlend);
        }
        target.writeMask = targetBlend.RenderTargetWriteMask;
        target.integer = codec->storeBits != nullptr;
        if (target.integer) {
            target.blend.reset();
        }
        target.low = codec->signedNormalized ? -1.0f : 0.0f;
        const DXGI_FORMAT format = view->Range().format;
        if (format == DXGI_FORMAT_R8G8B8A8_UNORM || format == DXGI_FORMAT_R8G8B8A8_UNORM_SRGB) {
            target.bytes = ByteLayout::Rgba;
        } else if (format == DXGI_FORMAT_B8G8R8A8_UNORM || format == DXGI_FORMAT_B8G8R8A8_UNORM_SRGB) {
            target.bytes = ByteLayout::Bgra;
        }
        target.srgb = format == DXGI_FORMAT_R8G8B8A8_UNORM_SRGB || format == DXGI_FORMAT_B8G8R8A8_UNORM_SRGB;
        const Float4 factor{state.blendFactor[0], state.blendFactor[1], state.blendFactor[2], state.blendFactor[3]};
        target.blendFactor = codec->normalized ? Clamp(factor, target.low) : factor;
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
    for (int quad = 0; quad < span.Count(); ++quad) {
        const UINT lanes = span.Live(quad);
        if (lanes == 0) {
            continue;
        }
        for (int lane = 0; lane < 4; ++lane) {
            if (!(lanes & (1u << lane))) {
                continue;
            }
            const int x = span.X(quad) + (lane & 1);
            const int y = span.Y() + (lane >> 1);
            for (UINT slot = 0; colours && slot < targetCount_; ++slot) {
                if (targets_[slot].codec) {
                    WriteColour(targets_[slot], x, y, span.Target(quad, slot)[lane]);
                }
            }
            if (depthWrite_) {
                depthCodec_->write(depthCodec_->key(span.Depths(quad)[lane]),
                                   depthSurface_.Element(static_cast<UINT>(x), static_cast<UINT>(y)));
            }
        }
    }
}

void OutputMerger::WriteColour(const ColourTarget& target, int x, int y, const Float4& colour) const
{
    const UINT mask = target.writeMask;
    if (mask == 0) {
        return;
    }
    std::byte* element = target.surface.Element(static_cast<UINT>(x), static_cast<UINT>(y));
    if (target.integer) {
        // Masked channels keep the stored bits.
        Uint4 bits = AsUint(colour);
        if (mask != D3D11_COLOR_WRITE_ENABLE_ALL) {
            const Uint4 stored = AsUint(target.codec->loadBits(element));
            for (int c = 0; c < 4; ++c) {
                bits[c] = (mask & (1u << c)) ? bits[c] : stored[c];
            }
        }
        target.codec->storeBits(AsFloat(bits), element);
        return;
    }
    if (target.bytes != ByteLayout::None && mask == D3D11_COLOR_WRITE_ENABLE_ALL) {
        WriteBytes(target, element, colour);
        return;
    }
    const Float4 source = target.codec->normalized ? Clamp(colour, target.low) : colour;
    if (!target.blend && mask == D3D11_COLOR_WRITE_ENABLE_ALL) {
        target.codec->store(source, element);
        return;
    }
    const Float4 destination = target.codec->load(element);
    Float4 result = source;
    if (target.blend) {
        result = target.blend->Apply(source, destination, target.blendFactor);
    }
    if (mask != D3D11_COLOR_WRITE_ENABLE_ALL) {
        result = Float4{(mask & D3D11_COLOR_WRITE_ENABLE_RED) ? result.x : destination.x,
                        (mask & D3D11_COLOR_WRITE_ENABLE_GREEN) ? result.y : destination.y,
                        (mask & D3D11_COLOR_WRITE_ENABLE_BLUE) ? result.z : destination.z,
                        (mask & D3D11_COLOR_WRITE_ENABLE_ALPHA) ? result.w : destination.w};
    }
    target.codec->store(result, element);
}

// The same arithmetic as the codec's, with the channel conversions inline.
void OutputMerger::WriteBytes(const ColourTarget& target, std::byte* element, const Float4& colour)
{
    const bool swap = target.bytes == ByteLayout::Bgra;
    const Float4 source = Clamp(colour, 0.0f);
    Float4 result = source;
    if (target.blend) {
        std::uint8_t stored[4];
        std::memcpy(stored, element, 4);
        auto channel = [&](int index) {
            return target.srgb && index != 3 ? LinearFromSrgbByte(stored[index]) : UnormFromByte(stored[index]);
        };
        const float first = channel(0);
        const float third = channel(2);
        const Float4 destination{swap ? third : first, channel(1), swap ? first : third, channel(3)};
        result = target.blend->Apply(source, destination, target.blendFactor);
    }
    auto encode = [&](float value) { return target.srgb ? SrgbByte(value) : UnormByte(value); };
    const std::uint8_t bytes[4] = {encode(swap ? result.z : result.x), encode(result.y),
                                   encode(swap ? result.x : result.z), UnormByte(result.w)};
    std::memcpy(element, bytes, 4);
}

}  // namespace d3d11sw
