#pragma once
// Writing a span's outputs into one render target: a routine chosen once per draw for
// the target's format and blend state. RGBA8 and BGRA8 (unorm and sRGB) targets convert
// their channels inline, with the overlay's blend (source over) and additive blending
// computed directly; R32G32B32A32 float targets move their values as they are; integer
// targets store the bits of the outputs and never blend; other formats and partial write
// masks go through the format's codec. Every routine gives the bytes the general
// arithmetic gives.

#include "platform/d3d11/formats/FormatCodec.h"
#include "platform/d3d11/kernels/ShaderKernels.h"
#include "platform/d3d11/objects/Surface.h"
#include "platform/d3d11/pipeline/Blend.h"

#include <optional>

namespace d3d11sw {

struct ColourTarget;

using SpanWriter = void (*)(const ColourTarget& target, const PixelSpan& span, UINT slot);
// Writes one colour into the live lanes of a span; false when it leaves that to the
// span writer.
using OneColourWriter = bool (*)(const ColourTarget& target, const PixelSpan& span, const Float4& colour);

struct ColourTarget {
    Surface surface;
    const FormatCodec* codec = nullptr;  // null: nothing bound in the slot
    std::optional<BlendEquation> blend;  // none: written as it comes
    Float4 blendFactor{};                // clamped as the format clamps outputs
    UINT writeMask = 0;
    float low = 0.0f;  // normalized formats clamp outputs to [low, 1]
    bool integer = false;
    SpanWriter write = nullptr;
    OneColourWriter writeOne = nullptr;  // none: through the span writer
};

// The routine for a target of the format, its other fields set.
SpanWriter ChooseSpanWriter(DXGI_FORMAT format, const ColourTarget& target);
OneColourWriter ChooseOneColourWriter(DXGI_FORMAT format, const ColourTarget& target);

}  // namespace d3d11sw
