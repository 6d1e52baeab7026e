#include "platform/d3d11/kernels/ShaderKernels.h"

#include <algorithm>

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
