// The kernels of graph.fx: VSGraph, PSGraph(false) and PSGraph(true).

#include "platform/effects/Kernels.h"

#include <cmath>
#include <numbers>

namespace qz::shaders {
namespace {

using d3d11sw::Float4;
using d3d11sw::PixelSpan;
using d3d11sw::Quad;
using d3d11sw::StageResources;
using platform::effects::ConstantLocation;
using platform::effects::KernelContext;
using platform::effects::ReadFloat;
using platform::effects::ReadVector;

constexpr char kEffect[] = "graph";

class GraphVertices final : public d3d11sw::VertexKernel {
public:
    explicit GraphVertices(const KernelContext& context)
        : position_(context.Constant("g_graphPos")), size_(context.Constant("g_graphSize"))
    {
    }

    void Shade(const StageResources& resources, const d3d11sw::VertexInput& in, d3d11sw::VertexOutput& out) const override
    {
        const float u = static_cast<float>(in.vertexId & 1u);
        const float v = static_cast<float>((in.vertexId >> 1) & 1u);
        const Float4 position = ReadVector(resources, position_);
        const Float4 size = ReadVector(resources, size_);
        out.position = {position.x + u * size.x, position.y + v * size.y, 0.0f, 1.0f};
        out.varyings[0] = {u, v, 0.0f, 0.0f};
    }

private:
    ConstantLocation position_;
    ConstantLocation size_;
};

class GraphFill final : public d3d11sw::PixelKernel {
public:
    explicit GraphFill(const KernelContext& context) : color_(context.Constant("g_graphColor")) {}

    void Shade(const StageResources& resources, PixelSpan& span) const override
    {
        const Quad<Float4> color = Quad<Float4>::Splat(ReadVector(resources, color_));
        for (int quad = 0; quad < span.Count(); ++quad) {
            span.Target(quad, 0) = color;
        }
    }

private:
    ConstantLocation color_;
};

class GraphImage final : public d3d11sw::PixelKernel {
public:
    explicit GraphImage(const KernelContext& context)
        : color_(context.Constant("g_graphColor")),
          angle_(context.Constant("g_rotationAngle")),
          texture_(context.Slot("g_texImage")),
          sampler_(context.Slot("SSLinear"))
    {
    }

    void Shade(const StageResources& resources, PixelSpan& span) const override
    {
        const Float4 color = ReadVector(resources, color_);
        const float angle = ReadFloat(resources, angle_);
        for (int quad = 0; quad < span.Count(); ++quad) {
            Quad<Float4> texCoord = span.Varying(quad, 0);
            if (angle != 0.0f) {
                texCoord = d3d11sw::Map(texCoord, [angle](const Float4& uv) { return Rotated(uv, angle); });
            }
            const Quad<Float4> texel = resources.Sample(texture_, sampler_, texCoord);
            span.Target(quad, 0) = d3d11sw::Map(texel, [&color](const Float4& t) { return t * color; });
        }
    }

private:
    static Float4 Rotated(const Float4& uv, float angle)
    {
        constexpr float pi = std::numbers::pi_v<float>;
        const float px = 2.0f * uv.x - 1.0f;
        const float py = 2.0f * uv.y - 1.0f;
        const float r = std::sqrt(px * px + py * py);
        float phi = std::atan2(py, px) + angle;
        if (phi > pi) {
            phi -= 2.0f * pi;
        } else if (phi < -pi) {
            phi += 2.0f * pi;
        }
        return {0.5f + 0.5f * r * std::cos(phi), 0.5f + 0.5f * r * std::sin(phi), 0.0f, 0.0f};
    }

    ConstantLocation color_;
    ConstantLocation angle_;
    UINT texture_;
    UINT sampler_;
};

}  // namespace

void RegisterGraphKernels()
{
    platform::effects::RegisterVertexKernel(kEffect, "VSGraph", {}, [](const KernelContext& context) {
        d3d11sw::VertexShaderDesc desc;
        desc.kernel = std::make_shared<GraphVertices>(context);
        desc.varyingCount = 1;
        return desc;
    });
    platform::effects::RegisterPixelKernel(kEffect, "PSGraph", {"false"}, [](const KernelContext& context) {
        return d3d11sw::PixelShaderDesc{std::make_shared<GraphFill>(context)};
    });
    platform::effects::RegisterPixelKernel(kEffect, "PSGraph", {"true"}, [](const KernelContext& context) {
        return d3d11sw::PixelShaderDesc{std::make_shared<GraphImage>(context)};
    });
}

}  // namespace qz::shaders
