#include "platform/d3d11/kernels/ShaderKernels.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace d3d11sw {

void PixelSpan::Begin(const PrimitiveInterpolation& interpolation, int x, int y, UINT targetCount)
{
    interpolation_ = &interpolation;
    x_ = x;
    y_ = y;
    count_ = 0;
    targetCount_ = targetCount;
    depthsReady_ = false;
    perspectiveReady_ = false;
}

Quad<Float4> PixelSpan::Position(int quad) const
{
    const PrimitiveInterpolation& p = *interpolation_;
    const float* depths = Depths(quad);
    if (p.perspective) {
        EnsurePerspective();
    }
    Quad<Float4> result;
    for (int lane = 0; lane < 4; ++lane) {
        const int x = X(quad) + (lane & 1);
        const int y = y_ + (lane >> 1);
        const float invW = p.perspective ? invW_[quad][lane] : p.invW;
        result[lane] = Float4{static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f, depths[lane], invW};
    }
    return result;
}

void PixelSpan::Varying(UINT index, SpanFloat4& out, UINT components) const
{
    const PrimitiveInterpolation& p = *interpolation_;
    const Plane& plane = p.varyings[index];
    const auto dy = static_cast<float>(y_ - p.originY);
    if (p.perspective) {
        EnsurePerspective();
    }
    for (UINT c = 0; c < components && c < 4; ++c) {
        float* lanes = out[static_cast<int>(c)].lane;
        // The quad form's arithmetic: base = at + ddx * dx + ddy * dy at lane 0, then
        // base + ddx, base + ddy and (base + ddx) + ddy.
        const float at = plane.at[static_cast<int>(c)];
        const float ddx = plane.ddx[static_cast<int>(c)];
        const float ddy = plane.ddy[static_cast<int>(c)];
        int quad = 0;
#if defined(__SSE2__)
        const __m128 steps = _mm_set1_ps(ddx);
        const __m128 down = _mm_set1_ps(ddy);
        const __m128 row = _mm_set1_ps(at);
        for (; quad + 4 <= count_; quad += 4) {
            const int x = X(quad) - p.originX;
            const __m128 dx = _mm_cvtepi32_ps(_mm_setr_epi32(x, x + 2, x + 4, x + 6));
            __m128 base = _mm_add_ps(_mm_add_ps(row, _mm_mul_ps(steps, dx)), _mm_mul_ps(down, _mm_set1_ps(dy)));
            __m128 right = _mm_add_ps(base, steps);
            __m128 below = _mm_add_ps(base, down);
            __m128 diagonal = _mm_add_ps(right, down);
            _MM_TRANSPOSE4_PS(base, right, below, diagonal);
            _mm_store_ps(lanes + 4 * quad, base);
            _mm_store_ps(lanes + 4 * quad + 4, right);
            _mm_store_ps(lanes + 4 * quad + 8, below);
            _mm_store_ps(lanes + 4 * quad + 12, diagonal);
        }
#endif
        for (; quad < count_; ++quad) {
            const auto dx = static_cast<float>(X(quad) - p.originX);
            const float base = at + ddx * dx + ddy * dy;
            const float right = base + ddx;
            lanes[4 * quad] = base;
            lanes[4 * quad + 1] = right;
            lanes[4 * quad + 2] = base + ddy;
            lanes[4 * quad + 3] = right + ddy;
        }
        if (p.perspective) {
            const float* w = &w_[0][0];
            for (int lane = 0; lane < 4 * count_; ++lane) {
                lanes[lane] *= w[lane];
            }
        }
    }
}

void PixelSpan::SetTarget(UINT slot, const SpanFloat4& values)
{
    for (int quad = 0; quad < count_; ++quad) {
        Quad<Float4>& target = targets_[slot][quad];
#if defined(__SSE2__)
        __m128 x = _mm_load_ps(values.x.lane + 4 * quad);
        __m128 y = _mm_load_ps(values.y.lane + 4 * quad);
        __m128 z = _mm_load_ps(values.z.lane + 4 * quad);
        __m128 w = _mm_load_ps(values.w.lane + 4 * quad);
        _MM_TRANSPOSE4_PS(x, y, z, w);
        _mm_storeu_ps(&target[0].x, x);
        _mm_storeu_ps(&target[1].x, y);
        _mm_storeu_ps(&target[2].x, z);
        _mm_storeu_ps(&target[3].x, w);
#else
        for (int lane = 0; lane < 4; ++lane) {
            target[lane] = {values.x[4 * quad + lane], values.y[4 * quad + lane], values.z[4 * quad + lane],
                            values.w[4 * quad + lane]};
        }
#endif
    }
}

void PixelSpan::DivideByW(int quad, Quad<Float4>& values) const
{
    EnsurePerspective();
    for (int lane = 0; lane < 4; ++lane) {
        values[lane] = values[lane] * w_[quad][lane];
    }
}

void PixelSpan::ComputeDepths() const
{
    const PrimitiveInterpolation& p = *interpolation_;
    const auto dy = static_cast<float>(y_ - p.originY);
    for (int quad = 0; quad < count_; ++quad) {
        const auto dx = static_cast<float>(X(quad) - p.originX);
        const float base = p.z + p.dzdx * dx + p.dzdy * dy;
        const float right = base + p.dzdx;
        const float lanes[4] = {base, right, base + p.dzdy, right + p.dzdy};
        for (int lane = 0; lane < 4; ++lane) {
            depths_[quad][lane] = std::clamp(lanes[lane], p.nearZ, p.farZ);
        }
    }
    depthsReady_ = true;
}

void PixelSpan::ComputePerspective() const
{
    const PrimitiveInterpolation& p = *interpolation_;
    const auto dy = static_cast<float>(y_ - p.originY);
    for (int quad = 0; quad < count_; ++quad) {
        const auto dx = static_cast<float>(X(quad) - p.originX);
        const float base = p.invW + p.dInvWdx * dx + p.dInvWdy * dy;
        const float right = base + p.dInvWdx;
        const float lanes[4] = {base, right, base + p.dInvWdy, right + p.dInvWdy};
        for (int lane = 0; lane < 4; ++lane) {
            invW_[quad][lane] = lanes[lane];
            w_[quad][lane] = 1.0f / lanes[lane];
        }
    }
    perspectiveReady_ = true;
}

}  // namespace d3d11sw
