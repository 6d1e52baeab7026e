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

struct Rasterizer::Interpolation {
    std::array<const Projected*, 3> vertices{};
    std::array<float, 3> dWeightDx{};
    std::array<float, 3> dWeightDy{};
    float depthBias = 0.0f;
    bool front = true;
    bool affine = false;  // every vertex has the same w
};

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

    // Edge k runs from vertex k to vertex k+1; its function is the weight of the vertex
    // opposite, times the area.
    struct Edge {
        std::int64_t stepX, stepY, row, bias;
    };
    std::array<Edge, 3> edges;
    const int xMin = std::max<std::int64_t>(state_.left, std::min({v[0].x, v[1].x, v[2].x}) >> 8);
    const int xMax = std::min<std::int64_t>(state_.right - 1, std::max({v[0].x, v[1].x, v[2].x}) >> 8);
    const int yMin = std::max<std::int64_t>(state_.top, std::min({v[0].y, v[1].y, v[2].y}) >> 8);
    const int yMax = std::min<std::int64_t>(state_.bottom - 1, std::max({v[0].y, v[1].y, v[2].y}) >> 8);
    if (xMin > xMax || yMin > yMax) {
        return;
    }
    const std::int64_t startX = std::int64_t{xMin} * 256 + 128;
    const std::int64_t startY = std::int64_t{yMin} * 256 + 128;
    for (int k = 0; k < 3; ++k) {
        const Projected& from = v[k];
        const Projected& to = v[(k + 1) % 3];
        const std::int64_t dx = to.x - from.x;
        const std::int64_t dy = to.y - from.y;
        // Pixel centres on a top edge (horizontal, above) or a left edge belong to the
        // triangle; on other edges they do not.
        const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
        Edge& edge = edges[k];
        edge.stepX = -dy * 256;
        edge.stepY = dx * 256;
        edge.bias = topLeft ? 0 : -1;
        edge.row = dx * (startY - from.y) - dy * (startX - from.x) + edge.bias;
    }

    Interpolation setup;
    setup.front = front;
    setup.affine = v[0].invW == v[1].invW && v[1].invW == v[2].invW;
    const double invArea = 1.0 / static_cast<double>(area);
    for (int k = 0; k < 3; ++k) {
        setup.vertices[k] = &v[k];
        const Edge& opposite = edges[(k + 1) % 3];
        setup.dWeightDx[k] = static_cast<float>(opposite.stepX * invArea);
        setup.dWeightDy[k] = static_cast<float>(opposite.stepY * invArea);
    }
    if ((state_.depthBias != 0 || state_.slopeScaledDepthBias != 0.0f) && merger_.Depth()) {
        float dzdx = 0.0f;
        float dzdy = 0.0f;
        float largest = 0.0f;
        for (int k = 0; k < 3; ++k) {
            dzdx += setup.dWeightDx[k] * v[k].z;
            dzdy += setup.dWeightDy[k] * v[k].z;
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

    for (int y = yMin; y <= yMax; ++y) {
        std::int64_t e0 = edges[0].row;
        std::int64_t e1 = edges[1].row;
        std::int64_t e2 = edges[2].row;
        for (int x = xMin; x <= xMax; ++x) {
            if ((e0 | e1 | e2) >= 0) {
                const float weights[3] = {static_cast<float>((e1 - edges[1].bias) * invArea),
                                          static_cast<float>((e2 - edges[2].bias) * invArea),
                                          static_cast<float>((e0 - edges[0].bias) * invArea)};
                Shade(setup, x, y, weights);
            }
            e0 += edges[0].stepX;
            e1 += edges[1].stepX;
            e2 += edges[2].stepX;
        }
        edges[0].row += edges[0].stepY;
        edges[1].row += edges[1].stepY;
        edges[2].row += edges[2].stepY;
    }
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
// out, so that joined lines do not draw their shared pixel twice.
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

    Interpolation setup;
    setup.vertices = {&v[0], &v[1], &v[1]};
    setup.affine = v[0].invW == v[1].invW;
    const auto along = static_cast<float>(1.0 / length);
    (xMajor ? setup.dWeightDx : setup.dWeightDy) = {-along, along, 0.0f};

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
        const float weights[3] = {static_cast<float>(1.0 - t), static_cast<float>(t), 0.0f};
        Shade(setup, xMajor ? step : across, xMajor ? across : step, weights);
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
    Interpolation setup;
    setup.vertices = {&p, &p, &p};
    setup.affine = true;
    const float weights[3] = {1.0f, 0.0f, 0.0f};
    Shade(setup, x, y, weights);
}

void Rasterizer::Shade(const Interpolation& setup, int x, int y, const float* weights)
{
    const auto& v = setup.vertices;
    float z = weights[0] * v[0]->z + weights[1] * v[1]->z + weights[2] * v[2]->z + setup.depthBias;
    const float nearZ = std::min(state_.viewport.MinDepth, state_.viewport.MaxDepth);
    const float farZ = std::max(state_.viewport.MinDepth, state_.viewport.MaxDepth);
    z = std::clamp(z, nearZ, farZ);

    // Screen-space weights become perspective-correct through 1/w; where all vertices
    // share one w (2D drawing) they already are.
    float invW = v[0]->invW;
    float toPerspective = 1.0f / invW;
    float p0 = weights[0];
    float p1 = weights[1];
    float p2 = weights[2];
    if (!setup.affine) {
        const float scaled[3] = {weights[0] * v[0]->invW, weights[1] * v[1]->invW, weights[2] * v[2]->invW};
        invW = scaled[0] + scaled[1] + scaled[2];
        toPerspective = 1.0f / invW;
        p0 = scaled[0] * toPerspective;
        p1 = scaled[1] * toPerspective;
        p2 = scaled[2] * toPerspective;
    }

    const UINT count = state_.varyingCount;
    Float4 varyings[kMaxVaryings];
    for (UINT r = 0; r < count; ++r) {
        varyings[r] = v[0]->vertex->varyings[r] * p0 + v[1]->vertex->varyings[r] * p1 + v[2]->vertex->varyings[r] * p2;
    }
    PixelInput input;
    input.position = Float4{x + 0.5f, y + 0.5f, z, invW};
    input.varyings = varyings;
    input.frontFace = setup.front;

    Float4 ddx[kMaxVaryings];
    Float4 ddy[kMaxVaryings];
    if (state_.derivatives) {
        // d(N/D) = (dN - value * dD) / D, with N and D the 1/w-weighted sums.
        float dDdx = 0.0f;
        float dDdy = 0.0f;
        float gx[3];
        float gy[3];
        for (int k = 0; k < 3; ++k) {
            gx[k] = setup.dWeightDx[k] * v[k]->invW;
            gy[k] = setup.dWeightDy[k] * v[k]->invW;
            dDdx += gx[k];
            dDdy += gy[k];
        }
        for (UINT r = 0; r < count; ++r) {
            const Float4 dNdx = v[0]->vertex->varyings[r] * gx[0] + v[1]->vertex->varyings[r] * gx[1] +
                                v[2]->vertex->varyings[r] * gx[2];
            const Float4 dNdy = v[0]->vertex->varyings[r] * gy[0] + v[1]->vertex->varyings[r] * gy[1] +
                                v[2]->vertex->varyings[r] * gy[2];
            ddx[r] = (dNdx - varyings[r] * dDdx) * toPerspective;
            ddy[r] = (dNdy - varyings[r] * dDdy) * toPerspective;
        }
        input.ddx = ddx;
        input.ddy = ddy;
    }
    merger_.Pixel(x, y, z, input);
}

}  // namespace d3d11sw
