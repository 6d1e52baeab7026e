#pragma once
// What the rasteriser needs of the pipeline state for one draw: the viewport, the pixels
// that may be written, culling, depth clipping and bias, and the varyings to interpolate.

#include "platform/d3d11/kernels/ShaderKernels.h"
#include "platform/d3d11/pipeline/OutputMerger.h"

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
};

// False when the draw can write no pixel (no viewport, an empty scissor or viewport).
bool MakeRasterState(const PipelineState& state, const OutputMerger& merger, UINT varyings, RasterState& raster);

}  // namespace d3d11sw
