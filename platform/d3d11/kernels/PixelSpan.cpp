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
    weightsReady_ = false;
}

Quad<Float4> PixelSpan::Position(int quad) const
{
    EnsureWeights();
    Quad<Float4> result;
    for (int lane = 0; lane < 4; ++lane) {
        result[lane] = Float4{static_cast<float>(X(quad) + (lane & 1)) + 0.5f, static_cast<float>(y_ + (lane >> 1)) + 0.5f,
                              depths_[quad][lane], invW_[quad][lane]};
    }
    return result;
}

// Screen-space weights of each lane's pixel centre, then depth, and weights made
// perspective-correct through 1/w where the vertices' w differ.
void PixelSpan::ComputeWeights() const
{
    const PrimitiveInterpolation& p = *interpolation_;
    for (int quad = 0; quad < count_; ++quad) {
        for (int lane = 0; lane < 4; ++lane) {
            const std::int64_t x = X(quad) + (lane & 1);
            const std::int64_t y = y_ + (lane >> 1);
            float* w = weights_[quad][lane];
            switch (p.kind) {
            case PrimitiveInterpolation::Kind::Triangle: {
                // Edge k is the weight of the vertex opposite, times the area.
                auto edge = [&](int k) { return p.c[k] + p.stepX[k] * x + p.stepY[k] * y - p.bias[k]; };
                w[0] = static_cast<float>(static_cast<double>(edge(1)) * p.invArea);
                w[1] = static_cast<float>(static_cast<double>(edge(2)) * p.invArea);
                w[2] = static_cast<float>(static_cast<double>(edge(0)) * p.invArea);
                break;
            }
            case PrimitiveInterpolation::Kind::Line: {
                const double major = static_cast<double>(p.xMajor ? x : y);
                const double t = (major + 0.5 - p.start) / p.length;
                w[0] = static_cast<float>(1.0 - t);
                w[1] = static_cast<float>(t);
                w[2] = 0.0f;
                break;
            }
            case PrimitiveInterpolation::Kind::Point:
                w[0] = 1.0f;
                w[1] = 0.0f;
                w[2] = 0.0f;
                break;
            }
            const float z = w[0] * p.z[0] + w[1] * p.z[1] + w[2] * p.z[2] + p.depthBias;
            depths_[quad][lane] = std::clamp(z, p.nearZ, p.farZ);
            if (p.affine) {
                invW_[quad][lane] = p.invW[0];
                continue;
            }
            const float scaled[3] = {w[0] * p.invW[0], w[1] * p.invW[1], w[2] * p.invW[2]};
            const float invW = scaled[0] + scaled[1] + scaled[2];
            const float toPerspective = 1.0f / invW;
            invW_[quad][lane] = invW;
            w[0] = scaled[0] * toPerspective;
            w[1] = scaled[1] * toPerspective;
            w[2] = scaled[2] * toPerspective;
        }
    }
    weightsReady_ = true;
}

}  // namespace d3d11sw
