#pragma once
// The HLSL types an effect declares, as far as the effect compiler needs them: numeric
// types with their shape, structs (for shader signatures), and the object types.

#include "platform/effects/EffectModel.h"

#include <string>
#include <vector>

namespace platform::effects {

enum class TypeCategory : std::uint8_t {
    Numeric,
    Struct,
    ShaderResource,
    UnorderedAccess,
    Sampler,
    Blend,
    DepthStencil,
    Rasterizer,
    Shader,
    String,
    Void,
};

struct TypeRef {
    TypeCategory category = TypeCategory::Void;
    BaseType base = BaseType::Float;
    std::uint32_t rows = 1;
    std::uint32_t columns = 1;
    bool vector = false;
    bool matrix = false;
    std::size_t structIndex = 0;
    ShaderStage stage = ShaderStage::Vertex;  // for shader object types
    std::string name;  // canonical spelling
};

struct FieldDecl {
    TypeRef type;
    std::string name;
    std::string semantic;
    std::uint32_t elements = 0;
};

struct StructDecl {
    std::string name;
    std::vector<FieldDecl> fields;
};

struct ParameterDecl {
    FieldDecl field;
    bool uniform = false;
    bool out = false;  // out only; inout counts as input
};

struct FunctionDecl {
    std::string name;
    std::vector<ParameterDecl> parameters;
    std::size_t UniformCount() const;
};

// A numeric type name ("float", "uint3", "float4x4", "half2", "dword"); false for others.
// double and its vectors are refused by the caller through unsupported.
bool ParseNumericTypeName(const std::string& word, TypeRef& type, bool& unsupported);
// An object type name (textures, buffers, samplers, states, shaders, string, void).
bool ParseObjectTypeName(const std::string& word, TypeRef& type);

}  // namespace platform::effects
