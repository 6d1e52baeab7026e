#include "platform/effects/HlslTypes.h"

#include <array>
#include <string_view>
#include <utility>

namespace platform::effects {

std::size_t FunctionDecl::UniformCount() const
{
    std::size_t count = 0;
    for (const ParameterDecl& parameter : parameters) {
        count += parameter.uniform ? 1 : 0;
    }
    return count;
}

bool ParseNumericTypeName(const std::string& word, TypeRef& type, bool& unsupported)
{
    static constexpr std::array<std::pair<std::string_view, BaseType>, 12> kBases = {{
        {"min16float", BaseType::Float},
        {"min10float", BaseType::Float},
        {"min16uint", BaseType::Uint},
        {"min16int", BaseType::Int},
        {"min12int", BaseType::Int},
        {"double", BaseType::Float},
        {"float", BaseType::Float},
        {"dword", BaseType::Uint},
        {"half", BaseType::Float},
        {"uint", BaseType::Uint},
        {"bool", BaseType::Bool},
        {"int", BaseType::Int},
    }};
    unsupported = false;
    for (const auto& [name, base] : kBases) {
        if (word.compare(0, name.size(), name) != 0) {
            continue;
        }
        const std::string_view shape = std::string_view(word).substr(name.size());
        auto digit = [](char c) { return c >= '1' && c <= '4' ? static_cast<std::uint32_t>(c - '0') : 0u; };
        TypeRef result;
        result.category = TypeCategory::Numeric;
        result.base = base;
        if (shape.size() == 1 && digit(shape[0])) {
            result.vector = true;
            result.columns = digit(shape[0]);
        } else if (shape.size() == 3 && digit(shape[0]) && shape[1] == 'x' && digit(shape[2])) {
            result.matrix = true;
            result.rows = digit(shape[0]);
            result.columns = digit(shape[2]);
        } else if (!shape.empty()) {
            return false;
        }
        if (name == "double" || (base == BaseType::Uint && name == "dword" && !shape.empty())) {
            unsupported = true;
        }
        static constexpr std::array<std::string_view, 4> kSpelled = {"float", "int", "uint", "bool"};
        result.name = std::string(kSpelled[static_cast<std::size_t>(base)]) + std::string(shape);
        type = result;
        return true;
    }
    return false;
}

bool ParseObjectTypeName(const std::string& word, TypeRef& type)
{
    struct Entry {
        std::string_view name;
        TypeCategory category;
        ShaderStage stage;
    };
    static constexpr std::array<Entry, 46> kObjects = {{
        {"Buffer", TypeCategory::ShaderResource, {}},
        {"ByteAddressBuffer", TypeCategory::ShaderResource, {}},
        {"StructuredBuffer", TypeCategory::ShaderResource, {}},
        {"Texture1D", TypeCategory::ShaderResource, {}},
        {"Texture1DArray", TypeCategory::ShaderResource, {}},
        {"Texture2D", TypeCategory::ShaderResource, {}},
        {"Texture2DArray", TypeCategory::ShaderResource, {}},
        {"Texture2DMS", TypeCategory::ShaderResource, {}},
        {"Texture2DMSArray", TypeCategory::ShaderResource, {}},
        {"Texture3D", TypeCategory::ShaderResource, {}},
        {"TextureCube", TypeCategory::ShaderResource, {}},
        {"TextureCubeArray", TypeCategory::ShaderResource, {}},
        {"Texture", TypeCategory::ShaderResource, {}},
        {"texture", TypeCategory::ShaderResource, {}},
        {"RWBuffer", TypeCategory::UnorderedAccess, {}},
        {"RWByteAddressBuffer", TypeCategory::UnorderedAccess, {}},
        {"RWStructuredBuffer", TypeCategory::UnorderedAccess, {}},
        {"AppendStructuredBuffer", TypeCategory::UnorderedAccess, {}},
        {"ConsumeStructuredBuffer", TypeCategory::UnorderedAccess, {}},
        {"RWTexture1D", TypeCategory::UnorderedAccess, {}},
        {"RWTexture1DArray", TypeCategory::UnorderedAccess, {}},
        {"RWTexture2D", TypeCategory::UnorderedAccess, {}},
        {"RWTexture2DArray", TypeCategory::UnorderedAccess, {}},
        {"RWTexture3D", TypeCategory::UnorderedAccess, {}},
        {"SamplerState", TypeCategory::Sampler, {}},
        {"SamplerComparisonState", TypeCategory::Sampler, {}},
        {"sampler", TypeCategory::Sampler, {}},
        {"sampler1D", TypeCategory::Sampler, {}},
        {"sampler2D", TypeCategory::Sampler, {}},
        {"sampler3D", TypeCategory::Sampler, {}},
        {"samplerCUBE", TypeCategory::Sampler, {}},
        {"sampler_state", TypeCategory::Sampler, {}},
        {"BlendState", TypeCategory::Blend, {}},
        {"DepthStencilState", TypeCategory::DepthStencil, {}},
        {"RasterizerState", TypeCategory::Rasterizer, {}},
        {"VertexShader", TypeCategory::Shader, ShaderStage::Vertex},
        {"PixelShader", TypeCategory::Shader, ShaderStage::Pixel},
        {"GeometryShader", TypeCategory::Shader, ShaderStage::Geometry},
        {"HullShader", TypeCategory::Shader, ShaderStage::Hull},
        {"DomainShader", TypeCategory::Shader, ShaderStage::Domain},
        {"ComputeShader", TypeCategory::Shader, ShaderStage::Compute},
        {"vertexshader", TypeCategory::Shader, ShaderStage::Vertex},
        {"pixelshader", TypeCategory::Shader, ShaderStage::Pixel},
        {"geometryshader", TypeCategory::Shader, ShaderStage::Geometry},
        {"string", TypeCategory::String, {}},
        {"void", TypeCategory::Void, {}},
    }};
    for (const Entry& entry : kObjects) {
        if (entry.name == word) {
            TypeRef result;
            result.category = entry.category;
            result.stage = entry.stage;
            result.name = word;
            type = result;
            return true;
        }
    }
    return false;
}

}  // namespace platform::effects
