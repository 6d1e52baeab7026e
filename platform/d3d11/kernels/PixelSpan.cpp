#include "platform/d3d11/kernels/ShaderKernels.h"

#include <algorithm>
#include <cmath>

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
    components = std::min(components, 4u);
#if defined(__SSE2__)
    // Four quads at a time, one component at a time: lane k of `base` is the top-left
    // lane of quad q + k, with the arithmetic of the quad form.
    const PrimitiveInterpolation& p = *interpolation_;
    const Plane& plane = p.varyings[index];
    if (p.perspective) {
        EnsurePerspective();
    }
    // Components constant over the primitive (a colour of a glyph's vertices) fill the span
    // with their value: adding steps of 0 gives it back unless it is -0 or NaN.
    UINT varying = 0;
    for (UINT c = 0; c < components; ++c) {
        const int i = static_cast<int>(c);
        const float at = plane.at[i];
        if (!p.perspective && plane.ddx[i] == 0.0f && plane.ddy[i] == 0.0f && at == at && !std::signbit(at)) {
            const __m128 value = _mm_set1_ps(at);
            for (int quad = 0; quad < count_; ++quad) {
                _mm_store_ps(out[i].lane + 4 * quad, value);
            }
        } else {
            varying |= 1u << c;
        }
    }
    if (varying == 0) {
        return;
    }
    const __m128 dy = _mm_set1_ps(static_cast<float>(y_ - p.originY));
    for (int quad = 0; quad < count_; quad += 4) {
        const int first = X(quad) - p.originX;
        const __m128 dx = _mm_cvtepi32_ps(_mm_setr_epi32(first, first + 2, first + 4, first + 6));
        for (UINT c = 0; c < components; ++c) {
            if (!(varying & (1u << c))) {
                continue;
            }
            const __m128 ddx = _mm_set1_ps(plane.ddx[static_cast<int>(c)]);
            const __m128 ddy = _mm_set1_ps(plane.ddy[static_cast<int>(c)]);
            __m128 base = _mm_add_ps(_mm_add_ps(_mm_set1_ps(plane.at[static_cast<int>(c)]), _mm_mul_ps(ddx, dx)),
                                     _mm_mul_ps(ddy, dy));
            __m128 right = _mm_add_ps(base, ddx);
            __m128 below = _mm_add_ps(base, ddy);
            __m128 belowRight = _mm_add_ps(right, ddy);
            _MM_TRANSPOSE4_PS(base, right, below, belowRight);
            float* values = out[static_cast<int>(c)].lane + 4 * quad;
            if (p.perspective) {
                base = _mm_mul_ps(base, _mm_loadu_ps(w_[quad]));
                right = _mm_mul_ps(right, _mm_loadu_ps(w_[std::min(quad + 1, count_ - 1)]));
                below = _mm_mul_ps(below, _mm_loadu_ps(w_[std::min(quad + 2, count_ - 1)]));
                belowRight = _mm_mul_ps(belowRight, _mm_loadu_ps(w_[std::min(quad + 3, count_ - 1)]));
            }
            // Quads past the span's end are written too: the arrays hold whole groups of four.
            _mm_store_ps(values, base);
            _mm_store_ps(values + 4, right);
            _mm_store_ps(values + 8, below);
            _mm_store_ps(values + 12, belowRight);
        }
    }
#else
    for (int quad = 0; quad < count_; ++quad) {
        // The quad form's values, lane by lane, then turned into a value per component.
        const Quad<Float4> lanes = Varying(quad, index);
        for (UINT c = 0; c < components; ++c) {
            for (int lane = 0; lane < 4; ++lane) {
                out[static_cast<int>(c)][4 * quad + lane] = lanes[lane][static_cast<int>(c)];
            }
        }
    }
#endif
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
