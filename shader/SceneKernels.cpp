// The kernels of scene.fx: VSMesh and PSMesh. The effect is compiled from its file at
// run time; these stand for its functions on the software device.

#include "platform/effects/Kernels.h"

#include <algorithm>
#include <cmath>

namespace qz::shaders {
namespace {

using d3d11sw::Float4;
using d3d11sw::Quad;
using d3d11sw::StageResources;
using platform::effects::ConstantLocation;
using platform::effects::KernelContext;

constexpr char kEffect[] = "scene";

// LIGHT_DIRECTION and AMBIENT of scene.fx.
constexpr float kLight[3] = {0.36f, 0.8f, -0.48f};
constexpr float kAmbient = 0.3f;

class MeshVertices final : public d3d11sw::VertexKernel {
public:
    explicit MeshVertices(const KernelContext& context)
        : world_(context.Constant("g_matWorld")), worldViewProjection_(context.Constant("g_matWorldViewProjection"))
    {
    }

    // Attributes in signature order: position, normal, colour, texture coordinate.
    void Shade(const StageResources& resources, const d3d11sw::VertexInput& in, d3d11sw::VertexOutput& out) const override
    {
        const Float4& position = in.attributes[0];
        const Float4& normal = in.attributes[1];
        out.position = platform::effects::Transform({position.x, position.y, position.z, 1.0f},
                                                    platform::effects::ReadMatrix(resources, worldViewProjection_));
        const Float4 turned = platform::effects::Transform({normal.x, normal.y, normal.z, 0.0f},
                                                           platform::effects::ReadMatrix(resources, world_));
        out.varyings[0] = {turned.x, turned.y, turned.z, 0.0f};
        out.varyings[1] = in.attributes[2];
        out.varyings[2] = {in.attributes[3].x, in.attributes[3].y, 0.0f, 0.0f};
    }

private:
    ConstantLocation world_;
    ConstantLocation worldViewProjection_;
};

class MeshPixels final : public d3d11sw::PixelKernel {
public:
    explicit MeshPixels(const KernelContext& context)
        : hasTexture_(context.Constant("g_hasTexture")),
          texture_(context.Slot("g_texDiffuse")),
          sampler_(context.Slot("SSMeshLinear"))
    {
    }

    void Shade(const StageResources& resources, d3d11sw::PixelSpan& span) const override
    {
        const bool textured = platform::effects::ReadInt(resources, hasTexture_) != 0;
        for (int quad = 0; quad < span.Count(); ++quad) {
            const Quad<Float4> normal = span.Varying(quad, 0);
            Quad<Float4> color = span.Varying(quad, 1);
            if (textured) {
                color = color * resources.Sample(texture_, sampler_, span.Varying(quad, 2));
            }
            Quad<Float4>& target = span.Target(quad, 0);
            for (int lane = 0; lane < 4; ++lane) {
                const float light = kAmbient + (1.0f - kAmbient) * Lambert(normal[lane]);
                const Float4& c = color[lane];
                target[lane] = {c.x * light, c.y * light, c.z * light, c.w};
            }
        }
    }

private:
    static float Lambert(const Float4& n)
    {
        const float length = n.x * n.x + n.y * n.y + n.z * n.z;
        if (!(length > 0.0f)) {
            return 1.0f;
        }
        const float cosine = (n.x * kLight[0] + n.y * kLight[1] + n.z * kLight[2]) / std::sqrt(length);
        return std::clamp(cosine, 0.0f, 1.0f);
    }

    ConstantLocation hasTexture_;
    UINT texture_;
    UINT sampler_;
};

}  // namespace

void RegisterSceneKernels()
{
    platform::effects::RegisterVertexKernel(kEffect, "VSMesh", {}, [](const KernelContext& context) {
        d3d11sw::VertexShaderDesc desc;
        desc.kernel = std::make_shared<MeshVertices>(context);
        desc.varyingCount = 3;
        return desc;
    });
    platform::effects::RegisterPixelKernel(kEffect, "PSMesh", {}, [](const KernelContext& context) {
        return d3d11sw::PixelShaderDesc{std::make_shared<MeshPixels>(context)};
    });
}

}  // namespace qz::shaders
