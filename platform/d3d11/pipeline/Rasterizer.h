#pragma once
// Turns clip-space primitives into quads of pixels: clipping, the viewport transform,
// culling, coverage with Direct3D's fill rules (pixel centres, top-left edges, 8 bits of
// subpixel precision) and the interpolation set-up of depth (with depth bias) and
// perspective-correct varyings. Runs of covered quads go to the pixel stage as spans.

#include "platform/d3d11/pipeline/PixelStage.h"
#include "platform/d3d11/pipeline/RasterState.h"

#include <memory>

namespace d3d11sw {

class Rasterizer {
public:
    Rasterizer(const RasterState& state, const PixelStage& pixels);
    ~Rasterizer();

    void Triangle(const VertexOutput& a, const VertexOutput& b, const VertexOutput& c);
    void Line(const VertexOutput& a, const VertexOutput& b);
    void Point(const VertexOutput& a);

private:
    struct Projected;

    bool Project(const VertexOutput& vertex, Projected& out) const;
    PrimitiveInterpolation Interpolation(PrimitiveInterpolation::Kind kind, const Projected* v, int count) const;
    void FillTriangle(const VertexOutput& a, const VertexOutput& b, const VertexOutput& c);
    void CoverTriangle(const PrimitiveInterpolation& setup, int xMin, int xMax, int yMin, int yMax);
    void DrawLine(const VertexOutput& a, const VertexOutput& b);
    void ShadePixel(const PrimitiveInterpolation& setup, int x, int y);

    const RasterState& state_;
    const PixelStage& pixels_;
    std::unique_ptr<PixelSpan> span_;
};

}  // namespace d3d11sw
