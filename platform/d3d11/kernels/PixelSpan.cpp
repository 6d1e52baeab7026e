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
    components = std::min(components, 4u);
    for (int quad = 0; quad < count_; ++quad) {
        // The quad form's values, lane by lane, then turned into a value per component.
        const Quad<Float4> lanes = Varying(quad, index);
#if defined(__SSE2__)
        __m128 x = _mm_loadu_ps(&lanes[0].x);
        __m128 y = _mm_loadu_ps(&lanes[1].x);
        __m128 z = _mm_loadu_ps(&lanes[2].x);
        __m128 w = _mm_loadu_ps(&lanes[3].x);
        _MM_TRANSPOSE4_PS(x, y, z, w);
        const __m128 columns[4] = {x, y, z, w};
        for (UINT c = 0; c < components; ++c) {
            _mm_store_ps(out[static_cast<int>(c)].lane + 4 * quad, columns[c]);
        }
#else
        for (UINT c = 0; c < components; ++c) {
            for (int lane = 0; lane < 4; ++lane) {
                out[static_cast<int>(c)][4 * quad + lane] = lanes[lane][static_cast<int>(c)];
            }
        }
#endif
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
