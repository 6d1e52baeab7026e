#pragma once
// A compiled effect as the compiler produces it, the binary format stores it and the
// runtime builds its objects from it.

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/kernels/InputSignature.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform::effects {

enum class ShaderStage : std::uint32_t { Vertex, Pixel, Geometry, Hull, Domain, Compute };
constexpr std::size_t kShaderStages = 6;

enum class BaseType : std::uint32_t { Float, Int, Uint, Bool };

enum class VariableKind : std::uint32_t {
    Scalar,
    Vector,
    Matrix,
    ShaderResource,
    UnorderedAccess,
    Sampler,
    Blend,
    DepthStencil,
    Rasterizer,
};
constexpr std::uint32_t kVariableKinds = 9;

inline bool IsNumeric(VariableKind kind)
{
    return kind == VariableKind::Scalar || kind == VariableKind::Vector || kind == VariableKind::Matrix;
}

struct ConstantBufferInfo {
    std::string name;
    std::uint32_t slot = 0;
    std::vector<std::byte> initial;  // the whole buffer, a multiple of 16 bytes
};

struct VariableInfo {
    std::string name;
    std::string semantic;
    std::string typeName;  // as declared: "float4x4", "Texture2D"
    VariableKind kind = VariableKind::Scalar;
    std::uint32_t elements = 0;  // array length; 0 for a single value

    // Numeric variables: where they lie in their constant buffer.
    std::uint32_t buffer = 0;
    std::uint32_t offset = 0;
    BaseType type = BaseType::Float;
    std::uint32_t rows = 1;
    std::uint32_t columns = 1;
    bool columnMajor = false;

    // Shader resources, unordered-access views and samplers: their first slot.
    std::uint32_t slot = 0;

    D3D11_BLEND_DESC blend{};
    D3D11_DEPTH_STENCIL_DESC depthStencil{};
    D3D11_RASTERIZER_DESC rasterizer{};
    D3D11_SAMPLER_DESC sampler{};
};

struct ShaderUse {
    bool set = false;  // the pass names this stage (with a function or NULL)
    std::string profile;
    std::string function;  // empty for NULL
    std::vector<std::string> arguments;  // uniform arguments, as written without blanks
};

// State references of a pass: a variable index, or one of these.
constexpr std::uint32_t kStateNotSet = 0xFFFFFFFFu;
constexpr std::uint32_t kStateNull = 0xFFFFFFFEu;

struct PassInfo {
    std::string name;
    std::array<ShaderUse, kShaderStages> shaders;
    std::vector<d3d11sw::SignatureElement> inputs;  // of the vertex shader
    std::uint32_t blend = kStateNotSet;
    std::array<float, 4> blendFactor{0.0f, 0.0f, 0.0f, 0.0f};
    std::uint32_t sampleMask = D3D11_DEFAULT_SAMPLE_MASK;
    std::uint32_t depthStencil = kStateNotSet;
    std::uint32_t stencilRef = 0;
    std::uint32_t rasterizer = kStateNotSet;
};

struct TechniqueInfo {
    std::string name;
    std::vector<PassInfo> passes;
};

struct EffectInfo {
    std::string name;  // the source file's name without folder and extension
    std::vector<std::pair<std::string, std::string>> macros;  // as given to the compiler
    std::vector<ConstantBufferInfo> buffers;
    std::vector<VariableInfo> variables;
    std::vector<TechniqueInfo> techniques;
};

// Bytes a numeric variable covers in its buffer, from its first to its last component.
std::uint32_t NumericExtent(const VariableInfo& variable);
// Registers (16 bytes) between two elements of an array, or of one element.
std::uint32_t ElementRegisters(const VariableInfo& variable);

}  // namespace platform::effects

namespace platform::effects {

// Byte offset in its buffer of component (row, column) of element e of a numeric
// variable: row-major matrices keep a row per register, column-major ones a column.
std::uint32_t ComponentOffset(const VariableInfo& variable, std::uint32_t element, std::uint32_t row,
                              std::uint32_t column);

struct NumericShape {
    std::uint32_t offset = 0;
    bool matrix = false;
    bool columnMajor = false;
    std::uint32_t rows = 1;
    std::uint32_t columns = 1;
};
std::uint32_t ComponentOffset(const NumericShape& shape, std::uint32_t element, std::uint32_t row,
                              std::uint32_t column);

}  // namespace platform::effects
