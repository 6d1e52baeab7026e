#pragma once
// Primitive set-up: clipping against the view volume (with a guard band), the viewport
// transform, culling, and the coverage and interpolation set-up of each point, line and
// triangle (Direct3D's fill rules: pixel centres, top-left edges, 8 bits of subpixel
// precision; depth with depth bias; perspective-correct varyings). Set-up primitives go
// to the frame's tile bins. A triangle waits for the next one: two that make an
// axis-aligned rectangle with values on one plane (the quads of a 2D interface) go as one
// rectangle, which covers the same pixels with less work.

#include "platform/d3d11/pipeline/BinnedPrimitive.h"
#include "platform/d3d11/pipeline/RasterState.h"

#include <functional>
#include <memory>

namespace d3d11sw {

class PrimitiveSetup {
public:
    // depthBound: a depth view is bound (depth bias applies). `full` is called when the
    // sink holds as much as it should; it shades what is pending.
    PrimitiveSetup(const RasterState& state, bool depthBound, PrimitiveSink& sink, std::function<void()> full);

    void Triangle(const VertexOutput& a, const VertexOutput& b, const VertexOutput& c);
    void Line(const VertexOutput& a, const VertexOutput& b);
    void Point(const VertexOutput& a);
    // Bins the triangle still waiting; the draw's primitives are all set up.
    void Finish();

private:
    struct Projected;
    // How values at the vertices become planes: vertex 0 at (x0, y0) in pixels, and the
    // steps per pixel in x and y of the weights of vertices 1 and 2.
    struct Gradients {
        double x0;
        double y0;
        double c1x;
        double c2x;
        double c1y;
        double c2y;
    };

    bool Project(const VertexOutput& vertex, Projected& out) const;
    PrimitiveInterpolation Interpolation(PrimitiveInterpolation::Kind kind, const Projected* v, int count,
                                         const Gradients& gradients, int originX, int originY) const;
    void FillTriangle(const VertexOutput& a, const VertexOutput& b, const VertexOutput& c);
    void DrawLine(const VertexOutput& a, const VertexOutput& b);
    // Shades what is pending when the frame is full; before a primitive takes memory.
    void MakeRoom();
    void Hold(const BinnedPrimitive& primitive, const Projected* v);
    bool MergeWithHeld(const Projected* v, bool front) const;
    void Bin(const BinnedPrimitive& primitive) { sink_.Add(primitive); }

    struct HeldTriangle {
        BinnedPrimitive primitive;
        std::int64_t x[3];
        std::int64_t y[3];
        float z[3];
        float invW[3];
        Float4 varyings[3][kMaxVaryings];
    };

    const RasterState& state_;
    bool depthBound_;
    PrimitiveSink& sink_;
    std::function<void()> full_;
    std::unique_ptr<HeldTriangle> held_;
    bool holding_ = false;
};

}  // namespace d3d11sw
