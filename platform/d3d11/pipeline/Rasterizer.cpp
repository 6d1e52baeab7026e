#include "platform/d3d11/pipeline/Rasterizer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

namespace d3d11sw {
namespace {

constexpr float kMinW = 1.0e-6f;
// Clipping at 4 times the view volume keeps screen coordinates small enough for exact
// 64-bit edge functions.
constexpr float kGuardBand = 4.0f;
constexpr int kPlaneCount = 7;
constexpr double kSubpixels = 256.0;
constexpr std::size_t kMaxClipped = 3 + kPlaneCount;

float Distance(int plane, const Float4& p, bool depthClip)
{
    switch (plane) {
    case 0: return p.w - kMinW;
    case 1: return kGuardBand * p.w - p.x;
    case 2: return kGuardBand * p.w + p.x;
    case 3: return kGuardBand * p.w - p.y;
    case 4: return kGuardBand * p.w + p.y;
    case 5: return depthClip ? p.z : 1.0f;
    default: return depthClip ? p.w - p.z : 1.0f;
    }
}

// NaN counts as outside.
bool Inside(int plane, const Float4& p, bool depthClip) { return Distance(plane, p, depthClip) >= 0.0f; }

bool InsideAll(const Float4& p, bool depthClip)
{
    for (int plane = 0; plane < kPlaneCount; ++plane) {
        if (!Inside(plane, p, depthClip)) {
            return false;
        }
    }
    return true;
}

// The point where the edge from an inside to an outside vertex meets a plane; computed
// from the inside vertex, so both triangles of a shared edge get the same point.
VertexOutput Intersect(int plane, const VertexOutput& in, const VertexOutput& out, UINT varyings, bool depthClip)
{
    const float dIn = Distance(plane, in.position, depthClip);
    const float dOut = Distance(plane, out.position, depthClip);
    const float t = dIn / (dIn - dOut);
    VertexOutput result;
    result.position = in.position + (out.position - in.position) * t;
    for (UINT r = 0; r < varyings; ++r) {
        result.varyings[r] = in.varyings[r] + (out.varyings[r] - in.varyings[r]) * t;
    }
    return result;
}

using Polygon = std::array<VertexOutput, kMaxClipped>;

// Sutherland-Hodgman against every plane some vertex lies outside of.
std::size_t ClipPolygon(Polygon& polygon, std::size_t count, UINT varyings, bool depthClip)
{
    Polygon clipped;
    for (int plane = 0; plane < kPlaneCount && count > 0; ++plane) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const VertexOutput& current = polygon[i];
            const VertexOutput& next = polygon[(i + 1) % count];
            const bool currentIn = Inside(plane, current.position, depthClip);
            const bool nextIn = Inside(plane, next.position, depthClip);
            if (currentIn) {
                clipped[kept++] = current;
            }
            if (currentIn != nextIn && kept < kMaxClipped) {
                clipped[kept++] = currentIn ? Intersect(plane, current, next, varyings, depthClip)
                                            : Intersect(plane, next, current, varyings, depthClip);
            }
        }
        std::copy(clipped.begin(), clipped.begin() + kept, polygon.begin());
        count = kept;
    }
    return count;
}

int FloorToInt(double value) { return static_cast<int>(std::floor(value)); }

}  // namespace

struct Rasterizer::Projected {
    const VertexOutput* vertex = nullptr;
    std::int64_t x = 0;  // 1/256 pixel
    std::int64_t y = 0;
    float z = 0.0f;
    float invW = 0.0f;
};

Rasterizer::Rasterizer(const RasterState& state, const PixelStage& pixels)
    : state_(state), pixels_(pixels), span_(std::make_unique<PixelSpan>())
{
}

Rasterizer::~Rasterizer() = default;

bool Rasterizer::Project(const VertexOutput& vertex, Projected& out) const
{
    const Float4& p = vertex.position;
    const double invW = 1.0 / p.w;
    const D3D11_VIEWPORT& vp = state_.viewport;
    const double x = vp.TopLeftX + (p.x * invW + 1.0) * 0.5 * vp.Width;
    const double y = vp.TopLeftY + (1.0 - p.y * invW) * 0.5 * vp.Height;
    constexpr double kLimit = 1 << 22;
    if (!(std::abs(x) < kLimit) || !(std::abs(y) < kLimit)) {
        return false;
    }
    out.vertex = &vertex;
    out.x = std::llround(x * kSubpixels);
    out.y = std::llround(y * kSubpixels);
    out.z = static_cast<float>(vp.MinDepth + p.z * invW * (vp.MaxDepth - vp.MinDepth));
    out.invW = static_cast<float>(invW);
    return true;
}

void Rasterizer::Triangle(const VertexOutput& a, const VertexOutput& b, const VertexOutput& c)
{
    const bool depthClip = state_.depthClip;
    if (InsideAll(a.position, depthClip) && InsideAll(b.position, depthClip) && InsideAll(c.position, depthClip)) {
        FillTriangle(a, b, c);
        return;
    }
    Polygon polygon;
    polygon[0] = a;
    polygon[1] = b;
    polygon[2] = c;
    const std::size_t count = ClipPolygon(polygon, 3, state_.varyingCount, depthClip);
    for (std::size_t i = 1; i + 1 < count; ++i) {
        FillTriangle(polygon[0], polygon[i], polygon[i + 1]);
    }
}

void Rasterizer::FillTriangle(const VertexOutput& a, const VertexOutput& b, const VertexOutput& c)
{
    std::array<Projected, 3> v;
    if (!Project(a, v[0]) || !Project(b, v[1]) || !Project(c, v[2])) {
        return;
    }
    std::int64_t area = (v[1].x - v[0].x) * (v[2].y - v[0].y) - (v[2].x - v[0].x) * (v[1].y - v[0].y);
    if (area == 0) {
        return;
    }
    // With y pointing down, a positive area is clockwise on the screen.
    const bool front = state_.frontCounterClockwise ? area < 0 : area > 0;
    if ((state_.cull == D3D11_CULL_BACK && !front) || (state_.cull == D3D11_CULL_FRONT && front)) {
        return;
    }
    if (area < 0) {
        std::swap(v[1], v[2]);
        area = -area;
    }
    const int xMin = std::max<std::int64_t>(state_.left, std::min({v[0].x, v[1].x, v[2].x}) >> 8);
    const int xMax = std::min<std::int64_t>(state_.right - 1, std::max({v[0].x, v[1].x, v[2].x}) >> 8);
    const int yMin = std::max<std::int64_t>(state_.top, std::min({v[0].y, v[1].y, v[2].y}) >> 8);
    const int yMax = std::min<std::int64_t>(state_.bottom - 1, std::max({v[0].y, v[1].y, v[2].y}) >> 8);
    if (xMin > xMax || yMin > yMax) {
        return;
    }

    PrimitiveInterpolation setup = Interpolation(PrimitiveInterpolation::Kind::Triangle, v.data(), 3);
    setup.frontFace = front;
    // Edge k runs from vertex k to vertex k+1; its function is the weight of the vertex
    // opposite, times the area. Pixel centres on a top edge (horizontal, above) or a left
    // edge belong to the triangle; on other edges they do not.
    for (int k = 0; k < 3; ++k) {
        const Projected& from = v[k];
        const Projected& to = v[(k + 1) % 3];
        const std::int64_t dx = to.x - from.x;
        const std::int64_t dy = to.y - from.y;
        const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
        setup.bias[k] = topLeft ? 0 : -1;
        setup.stepX[k] = -dy * 256;
        setup.stepY[k] = dx * 256;
        setup.c[k] = dx * (128 - from.y) - dy * (128 - from.x) + setup.bias[k];
    }
    setup.invArea = 1.0 / static_cast<double>(area);
    if ((state_.depthBias != 0 || state_.slopeScaledDepthBias != 0.0f) && pixels_.Merger().Depth()) {
        float dzdx = 0.0f;
        float dzdy = 0.0f;
        float largest = 0.0f;
        for (int k = 0; k < 3; ++k) {
            const int opposite = (k + 1) % 3;
            dzdx += static_cast<float>(setup.stepX[opposite] * setup.invArea) * v[k].z;
            dzdy += static_cast<float>(setup.stepY[opposite] * setup.invArea) * v[k].z;
            largest = std::max(largest, std::abs(v[k].z));
        }
        int exponent = 0;
        std::frexp(largest, &exponent);
        const float step = state_.depthResolution > 0.0f ? state_.depthResolution : std::ldexp(1.0f, exponent - 24);
        float bias = state_.depthBias * step + state_.slopeScaledDepthBias * std::max(std::abs(dzdx), std::abs(dzdy));
        if (state_.depthBiasClamp > 0.0f) {
            bias = std::min(bias, state_.depthBiasClamp);
        } else if (state_.depthBiasClamp < 0.0f) {
            bias = std::max(bias, state_.depthBiasClamp);
        }
        setup.depthBias = bias;
    }
    CoverTriangle(setup, xMin, xMax, yMin, yMax);
}

// The quads of the bounding box, pair of rows by pair of rows; runs of covered quads go to
// the pixel stage as spans.
void Rasterizer::CoverTriangle(const PrimitiveInterpolation& setup, int xMin, int xMax, int yMin, int yMax)
{
    PixelSpan& span = *span_;
    const int firstX = xMin & ~1;
    for (int y = yMin & ~1; y <= yMax; y += 2) {
        std::int64_t edges[3];
        for (int k = 0; k < 3; ++k) {
            edges[k] = setup.c[k] + setup.stepX[k] * firstX + setup.stepY[k] * y;
        }
        UINT rows = 0;  // lanes whose row lies inside the drawing area
        rows |= (y >= state_.top && y < state_.bottom) ? 0x3u : 0u;
        rows |= (y + 1 >= state_.top && y + 1 < state_.bottom) ? 0xCu : 0u;
        for (int x = firstX; x <= xMax; x += 2) {
            UINT lanes = rows;
            lanes &= (x >= state_.left && x < state_.right) ? 0xFu : 0xAu;
            lanes &= (x + 1 >= state_.left && x + 1 < state_.right) ? 0xFu : 0x5u;
            UINT covered = 0;
            for (int lane = 0; lane < 4; ++lane) {
                const std::int64_t dx = lane & 1;
                const std::int64_t dy = lane >> 1;
                const std::int64_t e0 = edges[0] + setup.stepX[0] * dx + setup.stepY[0] * dy;
                const std::int64_t e1 = edges[1] + setup.stepX[1] * dx + setup.stepY[1] * dy;
                const std::int64_t e2 = edges[2] + setup.stepX[2] * dx + setup.stepY[2] * dy;
                covered |= ((e0 | e1 | e2) >= 0 ? 1u : 0u) << lane;
            }
            lanes &= covered;
            if (lanes != 0) {
                if (span.Count() == 0) {
                    span.Begin(setup, x, y, pixels_.TargetCount());
                }
                span.Add(lanes);
                if (span.Full()) {
                    pixels_.Shade(span);
                    span.Clear();
                }
            } else if (span.Count() > 0) {
                pixels_.Shade(span);
                span.Clear();
            }
            for (int k = 0; k < 3; ++k) {
                edges[k] += 2 * setup.stepX[k];
            }
        }
        if (span.Count() > 0) {
            pixels_.Shade(span);
            span.Clear();
        }
    }
}

PrimitiveInterpolation Rasterizer::Interpolation(PrimitiveInterpolation::Kind kind, const Projected* v, int count) const
{
    PrimitiveInterpolation setup;
    setup.kind = kind;
    setup.nearZ = std::min(state_.viewport.MinDepth, state_.viewport.MaxDepth);
    setup.farZ = std::max(state_.viewport.MinDepth, state_.viewport.MaxDepth);
    for (int k = 0; k < 3; ++k) {
        const Projected& vertex = v[std::min(k, count - 1)];
        setup.vertices[k] = vertex.vertex;
        setup.z[k] = vertex.z;
        setup.invW[k] = vertex.invW;
    }
    setup.affine = setup.invW[0] == setup.invW[1] && setup.invW[1] == setup.invW[2];
    return setup;
}

void Rasterizer::ShadePixel(const PrimitiveInterpolation& setup, int x, int y)
{
    PixelSpan& span = *span_;
    span.Begin(setup, x & ~1, y & ~1, pixels_.TargetCount());
    span.Add(1u << ((x & 1) | ((y & 1) << 1)));
    pixels_.Shade(span);
    span.Clear();
}

void Rasterizer::Line(const VertexOutput& a, const VertexOutput& b)
{
    const bool depthClip = state_.depthClip;
    VertexOutput from = a;
    VertexOutput to = b;
    for (int plane = 0; plane < kPlaneCount; ++plane) {
        const bool fromIn = Inside(plane, from.position, depthClip);
        const bool toIn = Inside(plane, to.position, depthClip);
        if (!fromIn && !toIn) {
            return;
        }
        if (!fromIn) {
            from = Intersect(plane, to, from, state_.varyingCount, depthClip);
        } else if (!toIn) {
            to = Intersect(plane, from, to, state_.varyingCount, depthClip);
        }
    }
    DrawLine(from, to);
}

// Pixels whose centre column (row, for steep lines) the line crosses, the last one left
// out, so that joined lines do not draw their shared pixel twice. Each goes to the pixel
// stage alone, in a quad of helper lanes that continue the line's interpolation.
void Rasterizer::DrawLine(const VertexOutput& a, const VertexOutput& b)
{
    std::array<Projected, 2> v;
    if (!Project(a, v[0]) || !Project(b, v[1])) {
        return;
    }
    const double dx = static_cast<double>(v[1].x - v[0].x) / kSubpixels;
    const double dy = static_cast<double>(v[1].y - v[0].y) / kSubpixels;
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    const double major = xMajor ? dx : dy;
    if (major == 0.0) {
        return;
    }
    if (major < 0.0) {
        std::swap(v[0], v[1]);
    }
    const double length = std::abs(major);
    const double minor = (xMajor ? dy : dx) * (major < 0.0 ? -1.0 : 1.0);
    const double start = static_cast<double>(xMajor ? v[0].x : v[0].y) / kSubpixels;
    const double minorStart = static_cast<double>(xMajor ? v[0].y : v[0].x) / kSubpixels;

    PrimitiveInterpolation setup = Interpolation(PrimitiveInterpolation::Kind::Line, v.data(), 2);
    setup.xMajor = xMajor;
    setup.start = start;
    setup.length = length;

    const int lowMajor = xMajor ? state_.left : state_.top;
    const int highMajor = xMajor ? state_.right : state_.bottom;
    const int lowMinor = xMajor ? state_.top : state_.left;
    const int highMinor = xMajor ? state_.bottom : state_.right;
    const int first = std::max(lowMajor, static_cast<int>(std::ceil(start - 0.5)));
    const int last = std::min(highMajor, static_cast<int>(std::ceil(start + length - 0.5)));
    for (int step = first; step < last; ++step) {
        const double t = (step + 0.5 - start) / length;
        const int across = FloorToInt(minorStart + t * minor);
        if (across < lowMinor || across >= highMinor) {
            continue;
        }
        ShadePixel(setup, xMajor ? step : across, xMajor ? across : step);
    }
}

void Rasterizer::Point(const VertexOutput& a)
{
    Projected p;
    if (!InsideAll(a.position, state_.depthClip) || !Project(a, p)) {
        return;
    }
    const int x = static_cast<int>(p.x >> 8);
    const int y = static_cast<int>(p.y >> 8);
    if (x < state_.left || x >= state_.right || y < state_.top || y >= state_.bottom) {
        return;
    }
    ShadePixel(Interpolation(PrimitiveInterpolation::Kind::Point, &p, 1), x, y);
}

}  // namespace d3d11sw
