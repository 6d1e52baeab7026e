#pragma once
// Turns clip-space primitives into pixels: clipping, the viewport transform, culling,
// coverage with Direct3D's fill rules (pixel centres, top-left edges, 8 bits of subpixel
// precision), screen-linear depth with depth bias, and perspective-correct varyings.

#include "platform/d3d11/OutputMerger.h"
#include "platform/d3d11/ShaderKernels.h"

namespace d3d11sw {

struct RasterState {
    D3D11_VIEWPORT viewport{};
    // Pixels that may be written: viewport, scissor and targets together; right and
    // bottom exclusive.
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    D3D11_CULL_MODE cull = D3D11_CULL_BACK;
    bool frontCounterClockwise = false;
    bool depthClip = true;
    INT depthBias = 0;  // in steps of the depth format
    float slopeScaledDepthBias = 0.0f;
    float depthBiasClamp = 0.0f;
    float depthResolution = 0.0f;  // one step of a unorm depth format; 0 for float depth
    UINT varyingCount = 0;
    bool derivatives = false;
};

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
