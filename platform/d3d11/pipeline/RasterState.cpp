#include "platform/d3d11/pipeline/RasterState.h"

#include <algorithm>
#include <cmath>

namespace d3d11sw {

bool MakeRasterState(const PipelineState& state, const OutputMerger& merger, UINT varyings, RasterState& raster)
{
    if (state.viewportCount == 0) {
        return false;
    }
    const D3D11_RASTERIZER_DESC desc = state.rasterizer.Get() ? state.rasterizer.Get()->Description()
                                                              : DefaultRasterizerDesc();
    const D3D11_VIEWPORT& vp = state.viewports[0];
    raster.viewport = vp;
    // Pixels whose centres lie inside the viewport.
    auto firstPixel = [](float edge) { return static_cast<int>(std::clamp(std::ceil(edge - 0.5f), -1.0e8f, 1.0e8f)); };
    raster.left = std::max(0, firstPixel(vp.TopLeftX));
    raster.top = std::max(0, firstPixel(vp.TopLeftY));
    raster.right = std::min(static_cast<int>(merger.Width()), firstPixel(vp.TopLeftX + vp.Width));
    raster.bottom = std::min(static_cast<int>(merger.Height()), firstPixel(vp.TopLeftY + vp.Height));
    if (desc.ScissorEnable) {
        if (state.scissorCount == 0) {
            return false;
        }
        const D3D11_RECT& scissor = state.scissors[0];
        raster.left = std::max<int>(raster.left, scissor.left);
        raster.top = std::max<int>(raster.top, scissor.top);
        raster.right = std::min<int>(raster.right, scissor.right);
        raster.bottom = std::min<int>(raster.bottom, scissor.bottom);
    }
    if (raster.left >= raster.right || raster.top >= raster.bottom) {
        return false;
    }
    raster.cull = desc.CullMode;
    raster.frontCounterClockwise = desc.FrontCounterClockwise != FALSE;
    raster.depthClip = desc.DepthClipEnable != FALSE;
    raster.depthBias = desc.DepthBias;
    raster.slopeScaledDepthBias = desc.SlopeScaledDepthBias;
    raster.depthBiasClamp = desc.DepthBiasClamp;
    raster.depthResolution = merger.Depth() ? merger.Depth()->resolution : 0.0f;
    raster.varyingCount = varyings;
    return true;
}

}  // namespace d3d11sw
