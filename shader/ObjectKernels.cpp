// The kernels of 3dobjects.fx: VSObject and PSObject.

#include "platform/effects/Kernels.h"

namespace qz::shaders {
namespace {

using d3d11sw::Float4;
using d3d11sw::Quad;
using d3d11sw::StageResources;
using platform::effects::ConstantLocation;
using platform::effects::KernelContext;

constexpr char kEffect[] = "3dobjects";

class ObjectVertices final : public d3d11sw::VertexKernel {
public:
    explicit ObjectVertices(const KernelContext& context) : matrix_(context.Constant("g_matWorldViewProjection")) {}

    void Shade(const StageResources& resources, const d3d11sw::VertexInput& in, d3d11sw::VertexOutput& out) const override
    {
        const Float4& position = in.attributes[0];
        out.position = platform::effects::Transform({position.x, position.y, position.z, 1.0f},
                                                    platform::effects::ReadMatrix(resources, matrix_));
    }

private:
    ConstantLocation matrix_;
};

class ObjectColor final : public d3d11sw::PixelKernel {
public:
    explicit ObjectColor(const KernelContext& context) : color_(context.Constant("g_color")) {}

    void Shade(const StageResources& resources, d3d11sw::PixelSpan& span) const override
    {
        const Quad<Float4> color = Quad<Float4>::Splat(platform::effects::ReadVector(resources, color_));
        for (int quad = 0; quad < span.Count(); ++quad) {
            span.Target(quad, 0) = color;
        }
    }

private:
    ConstantLocation color_;
};

}  // namespace

void RegisterObjectKernels()
{
    platform::effects::RegisterVertexKernel(kEffect, "VSObject", {}, [](const KernelContext& context) {
        return d3d11sw::VertexShaderDesc{std::make_shared<ObjectVertices>(context), {}, 0};
    });
    platform::effects::RegisterPixelKernel(kEffect, "PSObject", {}, [](const KernelContext& context) {
        return d3d11sw::PixelShaderDesc{std::make_shared<ObjectColor>(context)};
    });
}

}  // namespace qz::shaders
