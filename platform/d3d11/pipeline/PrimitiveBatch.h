#pragma once
// Primitives of a draw, rasterised a batch at a time: on the calling thread, or for
// batches of many pixels in bands of rows by all raster threads.

#include "platform/d3d11/pipeline/Rasterizer.h"

#include <array>
#include <utility>
#include <vector>

namespace d3d11sw {

class DeviceContext;

struct Primitive {
    UINT vertexCount = 0;  // 1 point, 2 line, 3 triangle
    std::array<VertexOutput, 3> vertices;
};

class PrimitiveBatch {
public:
    PrimitiveBatch(const RasterState& raster, const PixelStage& pixels, DeviceContext& context);

    Primitive& Add(UINT vertexCount);
    void Flush();

private:
    struct Extent {
        double pixels = 0.0;
        int top = 0;
        int bottom = 0;
    };

    void DrawAll(const RasterState& state) const;
    Extent Measure();

    const RasterState& raster_;
    const PixelStage& pixels_;
    DeviceContext& context_;
    std::vector<Primitive> primitives_;
    std::vector<std::pair<int, int>> rows_;  // per primitive: first row, row after the last
};

}  // namespace d3d11sw
