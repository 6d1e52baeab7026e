#pragma once
// Turns clip-space primitives into pixels: clipping, the viewport transform, culling,
// coverage with Direct3D's fill rules (pixel centres, top-left edges, 8 bits of subpixel
// precision), screen-linear depth with depth bias, and perspective-correct varyings.

#include "platform/d3d11/pipeline/RasterState.h"

namespace d3d11sw {

class Rasterizer {
public:
    Rasterizer(const RasterState& state, OutputMerger& merger) : state_(state), merger_(merger) {}

    void Triangle(const VertexOutput& a, const VertexOutput& b, const VertexOutput& c);
    void Line(const VertexOutput& a, const VertexOutput& b);
    void Point(const VertexOutput& a);

private:
    struct Projected;
    struct Interpolation;

    bool Project(const VertexOutput& vertex, Projected& out) const;
    void FillTriangle(const VertexOutput& a, const VertexOutput& b, const VertexOutput& c);
    void DrawLine(const VertexOutput& a, const VertexOutput& b);
    void Shade(const Interpolation& setup, int x, int y, const float* weights);

    const RasterState& state_;
    OutputMerger& merger_;
};

}  // namespace d3d11sw
