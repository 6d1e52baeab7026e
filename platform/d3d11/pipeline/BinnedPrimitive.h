#pragma once
// A set-up primitive on its way to the tile bins: how its pixels interpolate, the pixels
// it may cover and the draw it belongs to; and where set-up puts such primitives.

#include "platform/d3d11/kernels/ShaderKernels.h"

namespace d3d11sw {

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;  // exclusive
    int bottom = 0;
};

struct BinnedPrimitive {
    PrimitiveInterpolation interpolation;
    PixelRect bounds;  // the pixels it may cover, inside its draw's drawing area
    UINT draw = 0;
};

// Where set-up primitives go, with the memory of their planes.
class PrimitiveSink {
public:
    virtual Plane* Planes(UINT count) = 0;
    virtual void Add(const BinnedPrimitive& primitive) = 0;
    // Enough is held that it should be shaded before more comes.
    virtual bool Full() const = 0;

protected:
    ~PrimitiveSink() = default;
};

}  // namespace d3d11sw
