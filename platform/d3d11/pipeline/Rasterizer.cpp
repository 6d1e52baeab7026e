#include "platform/d3d11/pipeline/Rasterizer.h"

#include <algorithm>
#include <cmath>

namespace d3d11sw {

Rasterizer::Rasterizer() : span_(std::make_unique<PixelSpan>()) {}

Rasterizer::~Rasterizer() = default;

void Rasterizer::Cover(const PrimitiveInterpolation& primitive, int left, int top, int right, int bottom, bool whole,
                       const PixelStage& pixels)
{
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
    pixels_ = &pixels;
    span_->Clear();  // a kernel that threw may have left a span behind
    switch (primitive.kind) {
    case PrimitiveInterpolation::Kind::Triangle: CoverTriangle(primitive, whole); break;
    case PrimitiveInterpolation::Kind::Line: CoverLine(primitive); break;
    case PrimitiveInterpolation::Kind::Point: ShadePixel(primitive, left, top); break;
    }
}

// The quads of the rectangle, pair of rows by pair of rows; runs of covered quads go to
// the pixel stage as spans. A rectangle inside the triangle needs no edge tests.
void Rasterizer::CoverTriangle(const PrimitiveInterpolation& setup, bool whole)
{
    PixelSpan& span = *span_;
    const PixelStage& pixels = *pixels_;
    const int firstX = left_ & ~1;
    // Each edge at the four lanes of a quad, relative to lane 0.
    std::int64_t offsets[3][4];
    for (int k = 0; k < 3; ++k) {
        offsets[k][0] = 0;
        offsets[k][1] = setup.stepX[k];
        offsets[k][2] = setup.stepY[k];
        offsets[k][3] = setup.stepX[k] + setup.stepY[k];
    }
    for (int y = top_ & ~1; y < bottom_; y += 2) {
        std::int64_t edges[3];
        for (int k = 0; k < 3; ++k) {
            edges[k] = setup.c[k] + setup.stepX[k] * firstX + setup.stepY[k] * y;
        }
        UINT rows = 0;  // lanes whose row lies inside the rectangle
        rows |= (y >= top_) ? 0x3u : 0u;
        rows |= (y + 1 < bottom_) ? 0xCu : 0u;
        for (int x = firstX; x < right_; x += 2) {
            UINT lanes = rows;
            lanes &= x >= left_ ? 0xFu : 0xAu;
            lanes &= x + 1 < right_ ? 0xFu : 0x5u;
            if (!whole) {
                UINT covered = 0;
                for (int lane = 0; lane < 4; ++lane) {
                    const std::int64_t inside = (edges[0] + offsets[0][lane]) | (edges[1] + offsets[1][lane]) |
                                                (edges[2] + offsets[2][lane]);
                    covered |= (inside >= 0 ? 1u : 0u) << lane;
                }
                lanes &= covered;
                for (int k = 0; k < 3; ++k) {
                    edges[k] += 2 * setup.stepX[k];
                }
            }
            if (lanes != 0) {
                if (span.Count() == 0) {
                    span.Begin(setup, x, y, pixels.TargetCount());
                }
                span.Add(lanes);
                if (span.Full()) {
                    pixels.Shade(span);
                    span.Clear();
                }
            } else if (span.Count() > 0) {
                pixels.Shade(span);
                span.Clear();
            }
        }
        if (span.Count() > 0) {
            pixels.Shade(span);
            span.Clear();
        }
    }
}

// The line's pixels inside the rectangle, each alone in a quad of helper lanes that
// continue the line's interpolation.
void Rasterizer::CoverLine(const PrimitiveInterpolation& line)
{
    const int first = std::max(line.first, line.xMajor ? left_ : top_);
    const int last = std::min(line.last, line.xMajor ? right_ : bottom_);
    const int lowMinor = line.xMajor ? top_ : left_;
    const int highMinor = line.xMajor ? bottom_ : right_;
    for (int step = first; step < last; ++step) {
        const double t = (step + 0.5 - line.start) / line.length;
        const int across = static_cast<int>(std::floor(line.minorStart + t * line.minor));
        if (across < lowMinor || across >= highMinor) {
            continue;
        }
        ShadePixel(line, line.xMajor ? step : across, line.xMajor ? across : step);
    }
}

void Rasterizer::ShadePixel(const PrimitiveInterpolation& setup, int x, int y)
{
    PixelSpan& span = *span_;
    span.Begin(setup, x & ~1, y & ~1, pixels_->TargetCount());
    span.Add(1u << ((x & 1) | ((y & 1) << 1)));
    pixels_->Shade(span);
    span.Clear();
}

}  // namespace d3d11sw
