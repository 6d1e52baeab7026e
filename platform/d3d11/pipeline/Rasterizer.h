#pragma once
// Coverage: the pixels of a set-up primitive inside a rectangle (a tile), as spans of
// 2x2 quads for the pixel stage of its draw.

#include "platform/d3d11/pipeline/PixelStage.h"

#include <memory>

namespace d3d11sw {

class Rasterizer {
public:
    Rasterizer();
    ~Rasterizer();
    Rasterizer(const Rasterizer&) = delete;
    Rasterizer& operator=(const Rasterizer&) = delete;

    // Shades the pixels of the primitive in [left, right) x [top, bottom); `whole`: the
    // triangle covers every pixel centre there.
    void Cover(const PrimitiveInterpolation& primitive, int left, int top, int right, int bottom, bool whole,
               const PixelStage& pixels);

private:
    void CoverTriangle(const PrimitiveInterpolation& setup);
    void CoverWhole(const PrimitiveInterpolation& setup);
    // `quads` quads of the same lanes from (x, y) on, after those the span holds.
    void AddQuads(const PrimitiveInterpolation& setup, int x, int y, int quads, UINT lanes);
    void CoverLine(const PrimitiveInterpolation& line);
    void ShadePixel(const PrimitiveInterpolation& setup, int x, int y);

    std::unique_ptr<PixelSpan> span_;
    const PixelStage* pixels_ = nullptr;
    int left_ = 0;
    int top_ = 0;
    int right_ = 0;
    int bottom_ = 0;
};

}  // namespace d3d11sw
