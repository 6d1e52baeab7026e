#include "platform/effects/Kernels.h"

#include <map>
#include <mutex>
#include <tuple>

namespace platform::effects {
namespace {

using Key = std::tuple<std::string, std::string, std::vector<std::string>>;

// The one registry of the process: kernels are code, registered once for all effects.
struct Registry {
    std::mutex mutex;
    std::map<Key, VertexKernelFactory> vertex;
    std::map<Key, PixelKernelFactory> pixel;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

template <class Factory>
Factory Find(std::map<Key, Factory> Registry::*table, const std::string& effect, const ShaderUse& use)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    const auto& map = registry.*table;
    const auto found = map.find(Key{effect, use.function, use.arguments});
    return found == map.end() ? Factory{} : found->second;
}

UINT ComponentAt(const ConstantLocation& at, UINT element, UINT row, UINT column)
{
    return ComponentOffset(at.shape, element, row, column);
}

float ComponentAsFloat(const d3d11sw::StageResources& resources, const ConstantLocation& at, UINT offset)
{
    switch (at.type) {
    case BaseType::Float: return resources.Constant<float>(at.slot, offset);
    case BaseType::Int: return static_cast<float>(resources.Constant<std::int32_t>(at.slot, offset));
    case BaseType::Uint: return static_cast<float>(resources.Constant<std::uint32_t>(at.slot, offset));
    case BaseType::Bool: return resources.Constant<std::uint32_t>(at.slot, offset) != 0 ? 1.0f : 0.0f;
    }
    return 0.0f;
}

}  // namespace

std::optional<std::string> KernelContext::Macro(std::string_view name) const
{
    for (auto it = effect_.macros.rbegin(); it != effect_.macros.rend(); ++it) {
        if (it->first == name) {
            return it->second;
        }
    }
    return std::nullopt;
}

ConstantLocation KernelContext::Constant(std::string_view variable) const
{
    ConstantLocation at;
    for (const VariableInfo& info : effect_.variables) {
        if (info.name == variable && IsNumeric(info.kind)) {
            at.found = true;
            at.slot = effect_.buffers[info.buffer].slot;
            at.type = info.type;
            at.shape = {info.offset, info.kind == VariableKind::Matrix, info.columnMajor, info.rows, info.columns};
            at.elements = info.elements;
            break;
        }
    }
    return at;
}

UINT KernelContext::Slot(std::string_view variable) const
{
    for (const VariableInfo& info : effect_.variables) {
        if (info.name == variable && (info.kind == VariableKind::ShaderResource ||
                                      info.kind == VariableKind::UnorderedAccess || info.kind == VariableKind::Sampler)) {
            return info.slot;
        }
    }
    return kNoSlot;
}

float ReadFloat(const d3d11sw::StageResources& resources, const ConstantLocation& at, UINT element)
{
    return at.found ? ComponentAsFloat(resources, at, ComponentAt(at, element, 0, 0)) : 0.0f;
}

std::int32_t ReadInt(const d3d11sw::StageResources& resources, const ConstantLocation& at, UINT element)
{
    if (!at.found) {
        return 0;
    }
    const UINT offset = ComponentAt(at, element, 0, 0);
    if (at.type == BaseType::Float) {
        return static_cast<std::int32_t>(resources.Constant<float>(at.slot, offset));
    }
    return resources.Constant<std::int32_t>(at.slot, offset);
}

d3d11sw::Float4 ReadVector(const d3d11sw::StageResources& resources, const ConstantLocation& at, UINT element)
{
    float v[4] = {};
    for (UINT c = 0; at.found && c < at.shape.columns && c < 4; ++c) {
        v[c] = ComponentAsFloat(resources, at, ComponentAt(at, element, 0, c));
    }
    return {v[0], v[1], v[2], v[3]};
}

Matrix4 ReadMatrix(const d3d11sw::StageResources& resources, const ConstantLocation& at, UINT element)
{
    Matrix4 matrix;
    for (UINT r = 0; at.found && r < at.shape.rows; ++r) {
        for (UINT c = 0; c < at.shape.columns; ++c) {
            matrix.m[r][c] = ComponentAsFloat(resources, at, ComponentAt(at, element, r, c));
        }
    }
    return matrix;
}

d3d11sw::Float4 Transform(const d3d11sw::Float4& v, const Matrix4& m)
{
    const float in[4] = {v.x, v.y, v.z, v.w};
    float out[4] = {};
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            out[c] += in[r] * m.m[r][c];
        }
    }
    return {out[0], out[1], out[2], out[3]};
}

void RegisterVertexKernel(const std::string& effect, const std::string& function,
                          const std::vector<std::string>& arguments, VertexKernelFactory factory)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.vertex[Key{effect, function, arguments}] = std::move(factory);
}

void RegisterPixelKernel(const std::string& effect, const std::string& function,
                         const std::vector<std::string>& arguments, PixelKernelFactory factory)
{
    Registry& registry = TheRegistry();
    std::lock_guard lock(registry.mutex);
    registry.pixel[Key{effect, function, arguments}] = std::move(factory);
}

VertexKernelFactory FindVertexKernel(const std::string& effect, const ShaderUse& use)
{
    return Find(&Registry::vertex, effect, use);
}

PixelKernelFactory FindPixelKernel(const std::string& effect, const ShaderUse& use)
{
    return Find(&Registry::pixel, effect, use);
}

}  // namespace platform::effects
