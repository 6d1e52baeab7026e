#include "platform/d3d11/pipeline/PrimitiveSetup.h"

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

// std::llround (halves away from zero) without a library call, for |value| < 2^62.
std::int64_t RoundHalfAway(double value)
{
    const auto whole = static_cast<std::int64_t>(value);
    const double fraction = value - static_cast<double>(whole);  // exact
    return whole + (fraction >= 0.5 ? 1 : 0) - (fraction <= -0.5 ? 1 : 0);
}

// floor(n / d) for d > 0.
std::int64_t FloorDivide(std::int64_t n, std::int64_t d)
{
    const std::int64_t q = n / d;
    return (n % d != 0 && n < 0) ? q - 1 : q;
}

}  // namespace

struct PrimitiveSetup::Projected {
    const VertexOutput* vertex = nullptr;
    std::int64_t x = 0;  // 1/256 pixel
    std::int64_t y = 0;
    float z = 0.0f;
    float invW = 0.0f;
};

PrimitiveSetup::PrimitiveSetup(const RasterState& state, bool depthBound, PrimitiveSink& sink,
                               std::function<void()> full)
    : state_(state), depthBound_(depthBound), sink_(sink), full_(std::move(full)), held_(std::make_unique<HeldTriangle>())
{
}

void PrimitiveSetup::MakeRoom()
{
    if (sink_.Full()) {
        Finish();
        full_();
    }
}

void PrimitiveSetup::Finish()
{
    if (holding_) {
        Bin(held_->primitive);
        holding_ = false;
    }
}

bool PrimitiveSetup::Project(const VertexOutput& vertex, Projected& out) const
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
    out.x = RoundHalfAway(x * kSubpixels);
    out.y = RoundHalfAway(y * kSubpixels);
    out.z = static_cast<float>(vp.MinDepth + p.z * invW * (vp.MaxDepth - vp.MinDepth));
    out.invW = static_cast<float>(invW);
    return true;
}

void PrimitiveSetup::Triangle(const VertexOutput& a, const VertexOutput& b, const VertexOutput& c)
{
    MakeRoom();
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

void PrimitiveSetup::FillTriangle(const VertexOutput& a, const VertexOutput& b, const VertexOutput& c)
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
    // The second triangle of a rectangle needs no set-up of its own.
    if (holding_ && MergeWithHeld(v.data(), front)) {
        // The pixel centres inside [left, right) x [top, bottom) of the rectangle.
        auto firstPixel = [](std::int64_t edge) { return -FloorDivide(-(edge - 128), 256); };
        const std::int64_t left = std::min({v[0].x, v[1].x, v[2].x});
        const std::int64_t right = std::max({v[0].x, v[1].x, v[2].x});
        const std::int64_t top = std::min({v[0].y, v[1].y, v[2].y});
        const std::int64_t bottom = std::max({v[0].y, v[1].y, v[2].y});
        BinnedPrimitive rectangle = held_->primitive;
        rectangle.interpolation.kind = PrimitiveInterpolation::Kind::Rectangle;
        rectangle.bounds = {static_cast<int>(std::max<std::int64_t>(state_.left, firstPixel(left))),
                            static_cast<int>(std::max<std::int64_t>(state_.top, firstPixel(top))),
                            static_cast<int>(std::min<std::int64_t>(state_.right, firstPixel(right))),
                            static_cast<int>(std::min<std::int64_t>(state_.bottom, firstPixel(bottom)))};
        holding_ = false;
        if (rectangle.bounds.left < rectangle.bounds.right && rectangle.bounds.top < rectangle.bounds.bottom) {
            Bin(rectangle);
        }
        return;
    }

    // A value q at the vertices is q0 + (q1 - q0) * g1 + (q2 - q0) * g2 at a point, g1 and
    // g2 being the weights of vertices 1 and 2 there; these are their steps per pixel.
    const double x0 = static_cast<double>(v[0].x) / kSubpixels;
    const double y0 = static_cast<double>(v[0].y) / kSubpixels;
    const double x1 = static_cast<double>(v[1].x) / kSubpixels - x0;
    const double y1 = static_cast<double>(v[1].y) / kSubpixels - y0;
    const double x2 = static_cast<double>(v[2].x) / kSubpixels - x0;
    const double y2 = static_cast<double>(v[2].y) / kSubpixels - y0;
    const double doubleArea = static_cast<double>(area) / (kSubpixels * kSubpixels);
    const Gradients gradients{x0, y0, y2 / doubleArea, -y1 / doubleArea, -x2 / doubleArea, x1 / doubleArea};
    PrimitiveInterpolation setup = Interpolation(PrimitiveInterpolation::Kind::Triangle, v.data(), 3, gradients, xMin, yMin);
    setup.frontFace = front;
    // Edge k runs from vertex k to vertex k+1. Pixel centres on a top edge (horizontal,
    // above) or a left edge belong to the triangle; on other edges they do not.
    for (int k = 0; k < 3; ++k) {
        const Projected& from = v[k];
        const Projected& to = v[(k + 1) % 3];
        const std::int64_t dx = to.x - from.x;
        const std::int64_t dy = to.y - from.y;
        const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
        setup.stepX[k] = -dy * 256;
        setup.stepY[k] = dx * 256;
        setup.c[k] = dx * (128 - from.y) - dy * (128 - from.x) + (topLeft ? 0 : -1);
    }
    if ((state_.depthBias != 0 || state_.slopeScaledDepthBias != 0.0f) && depthBound_) {
        float largest = 0.0f;
        for (int k = 0; k < 3; ++k) {
            largest = std::max(largest, std::abs(v[k].z));
        }
        int exponent = 0;
        std::frexp(largest, &exponent);
        const float step = state_.depthResolution > 0.0f ? state_.depthResolution : std::ldexp(1.0f, exponent - 24);
        float bias = state_.depthBias * step +
                     state_.slopeScaledDepthBias * std::max(std::abs(setup.dzdx), std::abs(setup.dzdy));
        if (state_.depthBiasClamp > 0.0f) {
            bias = std::min(bias, state_.depthBiasClamp);
        } else if (state_.depthBiasClamp < 0.0f) {
            bias = std::max(bias, state_.depthBiasClamp);
        }
        setup.z += bias;
    }
    const BinnedPrimitive primitive{setup, PixelRect{xMin, yMin, xMax + 1, yMax + 1}, 0};
    Finish();
    Hold(primitive, v.data());
}

void PrimitiveSetup::Hold(const BinnedPrimitive& primitive, const Projected* v)
{
    HeldTriangle& held = *held_;
    held.primitive = primitive;
    for (int k = 0; k < 3; ++k) {
        held.x[k] = v[k].x;
        held.y[k] = v[k].y;
        held.z[k] = v[k].z;
        held.invW[k] = v[k].invW;
        std::copy(v[k].vertex->varyings, v[k].vertex->varyings + state_.varyingCount, held.varyings[k]);
    }
    holding_ = true;
}

// Whether the held triangle and this one (both set up, neither culled) make an
// axis-aligned rectangle: they share a diagonal, with the same values at its ends, and
// the fourth corner's values continue the held triangle's plane (q = q1 + q2 - q0 with q0
// at the held triangle's own corner). Only screen-linear values (one w) qualify.
bool PrimitiveSetup::MergeWithHeld(const Projected* v, bool front) const
{
    const HeldTriangle& held = *held_;
    if (held.primitive.interpolation.perspective || held.primitive.interpolation.frontFace != front ||
        v[0].invW != held.invW[0] || v[1].invW != held.invW[0] || v[2].invW != held.invW[0]) {
        return false;
    }
    int shared[2][2];  // held index, new index
    int count = 0;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            if (held.x[i] == v[j].x && held.y[i] == v[j].y) {
                if (count < 2) {
                    shared[count][0] = i;
                    shared[count][1] = j;
                }
                ++count;
            }
        }
    }
    if (count != 2) {
        return false;
    }
    const int s0 = shared[0][0];
    const int s1 = shared[1][0];
    const int own = 3 - s0 - s1;
    const Projected& fourth = v[3 - shared[0][1] - shared[1][1]];
    if (held.x[s0] == held.x[s1] || held.y[s0] == held.y[s1]) {
        return false;
    }
    const bool corners = (held.x[own] == held.x[s0] && held.y[own] == held.y[s1] && fourth.x == held.x[s1] &&
                          fourth.y == held.y[s0]) ||
                         (held.x[own] == held.x[s1] && held.y[own] == held.y[s0] && fourth.x == held.x[s0] &&
                          fourth.y == held.y[s1]);
    if (!corners) {
        return false;
    }
    auto onPlane = [&](double value, double a, double b, double c) {
        const double expected = a + b - c;
        return std::abs(value - expected) <= 1e-7 * (std::abs(a) + std::abs(b) + std::abs(c)) + 1e-30;
    };
    if (!onPlane(fourth.z, held.z[s0], held.z[s1], held.z[own])) {
        return false;
    }
    const UINT varyings = state_.varyingCount;
    for (int k = 0; k < 2; ++k) {
        const Projected& same = v[shared[k][1]];
        if (same.z != held.z[shared[k][0]] ||
            !std::equal(same.vertex->varyings, same.vertex->varyings + varyings, held.varyings[shared[k][0]])) {
            return false;
        }
    }
    for (UINT r = 0; r < varyings; ++r) {
        for (int component = 0; component < 4; ++component) {
            if (!onPlane(fourth.vertex->varyings[r][component], held.varyings[s0][r][component],
                         held.varyings[s1][r][component], held.varyings[own][r][component])) {
                return false;
            }
        }
    }
    return true;
}

PrimitiveInterpolation PrimitiveSetup::Interpolation(PrimitiveInterpolation::Kind kind, const Projected* v, int count,
                                                     const Gradients& g, int originX, int originY) const
{
    PrimitiveInterpolation setup;
    setup.kind = kind;
    setup.originX = originX;
    setup.originY = originY;
    setup.nearZ = std::min(state_.viewport.MinDepth, state_.viewport.MaxDepth);
    setup.farZ = std::max(state_.viewport.MinDepth, state_.viewport.MaxDepth);
    const Projected& v0 = v[0];
    const Projected& v1 = v[std::min(1, count - 1)];
    const Projected& v2 = v[std::min(2, count - 1)];
    const double offsetX = originX + 0.5 - g.x0;
    const double offsetY = originY + 0.5 - g.y0;
    // The plane of a value given at the three vertices, as doubles: value at the origin
    // pixel's centre, steps in x and y.
    auto plane = [&](double q0, double q1, double q2, float& at, float& ddx, float& ddy) {
        const double dx = (q1 - q0) * g.c1x + (q2 - q0) * g.c2x;
        const double dy = (q1 - q0) * g.c1y + (q2 - q0) * g.c2y;
        at = static_cast<float>(q0 + dx * offsetX + dy * offsetY);
        ddx = static_cast<float>(dx);
        ddy = static_cast<float>(dy);
    };
    plane(v0.z, v1.z, v2.z, setup.z, setup.dzdx, setup.dzdy);
    // Where every vertex has the same w, screen-linear values are already
    // perspective-correct.
    setup.perspective = v0.invW != v1.invW || v1.invW != v2.invW;
    if (setup.perspective) {
        plane(v0.invW, v1.invW, v2.invW, setup.invW, setup.dInvWdx, setup.dInvWdy);
    } else {
        setup.invW = v0.invW;
    }
    const UINT varyings = state_.varyingCount;
    Plane* planes = sink_.Planes(varyings);
    for (UINT r = 0; r < varyings; ++r) {
        for (int component = 0; component < 4; ++component) {
            auto value = [&](const Projected& p) {
                const double q = p.vertex->varyings[r][component];
                return setup.perspective ? q * p.invW : q;
            };
            plane(value(v0), value(v1), value(v2), planes[r].at[component], planes[r].ddx[component],
                  planes[r].ddy[component]);
        }
    }
    setup.varyings = planes;
    return setup;
}

void PrimitiveSetup::Line(const VertexOutput& a, const VertexOutput& b)
{
    MakeRoom();
    Finish();  // primitives stay in their order
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
// out, so that joined lines do not draw their shared pixel twice.
void PrimitiveSetup::DrawLine(const VertexOutput& a, const VertexOutput& b)
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

    const int lowMajor = xMajor ? state_.left : state_.top;
    const int highMajor = xMajor ? state_.right : state_.bottom;
    const int lowMinor = xMajor ? state_.top : state_.left;
    const int highMinor = xMajor ? state_.bottom : state_.right;
    const int first = std::max(lowMajor, static_cast<int>(std::ceil(start - 0.5)));
    const int last = std::min(highMajor, static_cast<int>(std::ceil(start + length - 0.5)));
    if (first >= last) {
        return;
    }
    // The minor coordinates of the first and last pixel bound the others.
    auto across = [&](int step) { return FloorToInt(minorStart + (step + 0.5 - start) / length * minor); };
    const int low = std::max(lowMinor, std::min(across(first), across(last - 1)));
    const int high = std::min(highMinor - 1, std::max(across(first), across(last - 1)));
    if (low > high) {
        return;
    }
    const PixelRect bounds = xMajor ? PixelRect{first, low, last, high + 1} : PixelRect{low, first, high + 1, last};
    // Values change along the major axis only: from the first vertex at `start` by
    // (q1 - q0) / length per pixel.
    const Gradients gradients{xMajor ? start : 0.0, xMajor ? 0.0 : start, xMajor ? 1.0 / length : 0.0, 0.0,
                              xMajor ? 0.0 : 1.0 / length, 0.0};
    PrimitiveInterpolation setup = Interpolation(PrimitiveInterpolation::Kind::Line, v.data(), 2, gradients,
                                                 bounds.left, bounds.top);
    setup.xMajor = xMajor;
    setup.start = start;
    setup.length = length;
    setup.minorStart = minorStart;
    setup.minor = minor;
    setup.first = first;
    setup.last = last;
    Bin(BinnedPrimitive{setup, bounds, 0});
}

void PrimitiveSetup::Point(const VertexOutput& a)
{
    MakeRoom();
    Finish();
    Projected p;
    if (!InsideAll(a.position, state_.depthClip) || !Project(a, p)) {
        return;
    }
    const int x = static_cast<int>(p.x >> 8);
    const int y = static_cast<int>(p.y >> 8);
    if (x < state_.left || x >= state_.right || y < state_.top || y >= state_.bottom) {
        return;
    }
    const Gradients constant{0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    Bin(BinnedPrimitive{Interpolation(PrimitiveInterpolation::Kind::Point, &p, 1, constant, x, y),
                        PixelRect{x, y, x + 1, y + 1}, 0});
}

}  // namespace d3d11sw
