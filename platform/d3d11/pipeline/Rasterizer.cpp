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
    case PrimitiveInterpolation::Kind::Triangle: whole ? CoverWhole(primitive) : CoverTriangle(primitive); break;
    case PrimitiveInterpolation::Kind::Rectangle: CoverWhole(primitive); break;
    case PrimitiveInterpolation::Kind::Line: CoverLine(primitive); break;
    case PrimitiveInterpolation::Kind::Point: ShadePixel(primitive, left, top); break;
    }
}

namespace {

// floor(n / d) for d > 0.
std::int64_t FloorDivide(std::int64_t n, std::int64_t d)
{
    const std::int64_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

// Where one edge lets a pixel row be covered, row after row, exactly: the edge at
// (x, y) is a(y) + s * x with a(y) = a(0) + stepY * y, so pixels from -floor(a / s) on
// (s > 0) or up to floor(a / -s) (s < 0) are inside; floor(a / |s|) is kept as a
// quotient and remainder that each row moves by a fixed amount.
class EdgeWalk {
public:
    EdgeWalk(std::int64_t c, std::int64_t stepX, std::int64_t stepY, int y) : stepX_(stepX), stepY_(stepY)
    {
        const std::int64_t a = c + stepY * y;
        if (stepX == 0) {
            a_ = a;
            return;
        }
        divisor_ = stepX > 0 ? stepX : -stepX;
        quotient_ = FloorDivide(a, divisor_);
        remainder_ = a - quotient_ * divisor_;
        stepQuotient_ = FloorDivide(stepY, divisor_);
        stepRemainder_ = stepY - stepQuotient_ * divisor_;
    }

    // Narrows [first, last] to the row's pixels inside the edge.
    void Limit(int& first, int& last) const
    {
        if (stepX_ == 0) {
            if (a_ < 0) {
                last = first - 1;
            }
        } else if (stepX_ > 0) {
            first = static_cast<int>(std::max<std::int64_t>(first, -quotient_));
        } else {
            last = static_cast<int>(std::min<std::int64_t>(last, quotient_));
        }
    }

    void NextRow()
    {
        if (stepX_ == 0) {
            a_ += stepY_;
            return;
        }
        quotient_ += stepQuotient_;
        remainder_ += stepRemainder_;
        if (remainder_ >= divisor_) {
            remainder_ -= divisor_;
            ++quotient_;
        }
    }

private:
    std::int64_t stepX_;
    std::int64_t stepY_;
    std::int64_t a_ = 0;
    std::int64_t divisor_ = 1;
    std::int64_t quotient_ = 0;
    std::int64_t remainder_ = 0;
    std::int64_t stepQuotient_ = 0;
    std::int64_t stepRemainder_ = 0;
};

}  // namespace

void Rasterizer::AddQuads(const PrimitiveInterpolation& setup, int x, int y, int quads, UINT lanes)
{
    PixelSpan& span = *span_;
    while (quads > 0) {
        if (span.Count() == 0) {
            span.Begin(setup, x, y, pixels_->TargetCount());
        }
        const int run = std::min(quads, span.Room());
        span.AddRun(run, lanes);
        quads -= run;
        x += 2 * run;
        if (span.Full()) {
            pixels_->Shade(span);
            span.Clear();
        }
    }
}

// Every pixel of the rectangle: a pair of rows is a run of whole quads between the
// part-quads of odd edges.
void Rasterizer::CoverWhole(const PrimitiveInterpolation& setup)
{
    PixelSpan& span = *span_;
    const int firstQuad = left_ & ~1;
    for (int y = top_ & ~1; y < bottom_; y += 2) {
        const UINT rows = (y >= top_ ? 0x3u : 0u) | (y + 1 < bottom_ ? 0xCu : 0u);
        int x = firstQuad;
        if (x < left_) {
            AddQuads(setup, x, y, 1, rows & 0xAu);  // the right column of the quad
            x += 2;
        }
        const int whole = ((right_ & ~1) - x) / 2;
        if (whole > 0) {
            AddQuads(setup, x, y, whole, rows);
            x += 2 * whole;
        }
        if (x < right_) {
            AddQuads(setup, x, y, 1, rows & 0x5u);  // the left column
        }
        if (span.Count() > 0) {
            pixels_->Shade(span);
            span.Clear();
        }
    }
}

// The quads of the rectangle, pair of rows by pair of rows; runs of covered quads go to
// the pixel stage as spans. Each pixel row's covered pixels are one run, found exactly
// from the edges.
void Rasterizer::CoverTriangle(const PrimitiveInterpolation& setup)
{
    PixelSpan& span = *span_;
    const PixelStage& pixels = *pixels_;
    const int firstRow = top_ & ~1;
    EdgeWalk edges[3] = {{setup.c[0], setup.stepX[0], setup.stepY[0], firstRow},
                         {setup.c[1], setup.stepX[1], setup.stepY[1], firstRow},
                         {setup.c[2], setup.stepX[2], setup.stepY[2], firstRow}};
    // The covered pixels of a row inside the rectangle, [first, last]; empty when first > last.
    auto row = [&](int y, int& first, int& last) {
        first = left_;
        last = right_ - 1;
        if (y < top_ || y >= bottom_) {
            last = first - 1;
        } else {
            for (const EdgeWalk& edge : edges) {
                edge.Limit(first, last);
            }
        }
        for (EdgeWalk& edge : edges) {
            edge.NextRow();
        }
    };
    for (int y = firstRow; y < bottom_; y += 2) {
        int first[2];
        int last[2];
        row(y, first[0], last[0]);
        row(y + 1, first[1], last[1]);
        const int from = std::min(first[0] <= last[0] ? first[0] : right_, first[1] <= last[1] ? first[1] : right_);
        const int to = std::max(first[0] <= last[0] ? last[0] : left_ - 1, first[1] <= last[1] ? last[1] : left_ - 1);
        // Quads from `inner` to `outer` (exclusive) lie inside both rows.
        const int inner = (std::max(first[0], first[1]) + 1) & ~1;
        const int outer = ((std::min(last[0], last[1]) + 1) & ~1);
        for (int x = from & ~1; x <= to; x += 2) {
            if (x == inner && inner < outer && first[0] <= last[0] && first[1] <= last[1]) {
                for (int quads = (outer - inner) / 2; quads > 0;) {
                    if (span.Count() == 0) {
                        span.Begin(setup, x, y, pixels.TargetCount());
                    }
                    const int run = std::min(quads, span.Room());
                    span.AddRun(run, 0xFu);
                    quads -= run;
                    x += 2 * run;
                    if (span.Full()) {
                        pixels.Shade(span);
                        span.Clear();
                    }
                }
                if (x > to) {
                    break;
                }
            }
            UINT lanes = 0;
            for (int lane = 0; lane < 4; ++lane) {
                const int px = x + (lane & 1);
                const int r = lane >> 1;
                lanes |= (px >= first[r] && px <= last[r] ? 1u : 0u) << lane;
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
