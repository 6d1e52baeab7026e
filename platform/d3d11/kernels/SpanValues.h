#pragma once
// A value for every pixel of a span, for kernels that shade whole spans at once: lane l of
// quad q at index 4 * q + l. Loops over such arrays become vector instructions, so a span
// of simple arithmetic (a texel times a colour, a constant colour) costs a few
// instructions per pixel; the quad forms (Quad<Float4>) give the same values.

#include "platform/d3d11/kernels/Registers.h"

namespace d3d11sw {

constexpr int kMaxSpanQuads = 32;
constexpr int kMaxSpanLanes = 4 * kMaxSpanQuads;

struct alignas(32) SpanFloats {
    float lane[kMaxSpanLanes];

    float& operator[](int i) { return lane[i]; }
    float operator[](int i) const { return lane[i]; }
};

// Four components per pixel, each an array over the span.
struct SpanFloat4 {
    SpanFloats x;
    SpanFloats y;
    SpanFloats z;
    SpanFloats w;

    SpanFloats& operator[](int component) { return (&x)[component]; }
    const SpanFloats& operator[](int component) const { return (&x)[component]; }
};

}  // namespace d3d11sw
