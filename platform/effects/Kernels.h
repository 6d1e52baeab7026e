#pragma once
// Native kernels for the shader functions of effects. A kernel is registered under the
// effect's name (its source file's name without folder and extension), the function's
// name and the uniform arguments the pass gives it (as written, without blanks: "1",
// "true"), so "VS" of two effects, or PS(1) and PS(2) of one, are different kernels.
//
// When an effect is created, each pass asks the registry for its kernels; the factory
// gets a KernelContext and returns the shader description. Kernels read constants only
// through locations taken from the context by variable name, so the compiler's layout
// is the only one there is; the context also gives the macro values the effect was
// compiled with, for functions that change with them.

#include "platform/d3d11/kernels/ShaderKernels.h"
#include "platform/effects/EffectModel.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::effects {

constexpr UINT kNoSlot = 0xFFFFFFFFu;

// Where a numeric variable lies: its constant buffer's slot and its place in it.
struct ConstantLocation {
    bool found = false;
    UINT slot = 0;
    BaseType type = BaseType::Float;
    NumericShape shape;
    UINT elements = 0;
};

struct Matrix4 {
    float m[4][4] = {};  // [row][column], for row vectors (v * M)
};

class KernelContext {
public:
    KernelContext(const EffectInfo& effect, const ShaderUse& use) : effect_(effect), use_(use) {}

    const std::string& Effect() const { return effect_.name; }
    const std::string& Function() const { return use_.function; }
    const std::vector<std::string>& Arguments() const { return use_.arguments; }
    // The value a macro was given when the effect was compiled; none when it was not.
    std::optional<std::string> Macro(std::string_view name) const;
    // A numeric variable's location; found is false when the effect has none of that name.
    ConstantLocation Constant(std::string_view variable) const;
    // The first slot of a texture, unordered-access or sampler variable; kNoSlot if absent.
    UINT Slot(std::string_view variable) const;

private:
    const EffectInfo& effect_;
    const ShaderUse& use_;
};

// Reads through a location; zero where it was not found or the buffer is not bound.
float ReadFloat(const d3d11sw::StageResources& resources, const ConstantLocation& at, UINT element = 0);
std::int32_t ReadInt(const d3d11sw::StageResources& resources, const ConstantLocation& at, UINT element = 0);
// The vector's components; the rest are 0.
d3d11sw::Float4 ReadVector(const d3d11sw::StageResources& resources, const ConstantLocation& at, UINT element = 0);
// The matrix as the effect's SetMatrix took it, whatever its packing.
Matrix4 ReadMatrix(const d3d11sw::StageResources& resources, const ConstantLocation& at, UINT element = 0);
// Row vector times matrix.
d3d11sw::Float4 Transform(const d3d11sw::Float4& v, const Matrix4& m);

using VertexKernelFactory = std::function<d3d11sw::VertexShaderDesc(const KernelContext&)>;
using PixelKernelFactory = std::function<d3d11sw::PixelShaderDesc(const KernelContext&)>;

// A later registration under the same key replaces the earlier one; effects created
// before keep theirs. Thread-safe.
void RegisterVertexKernel(const std::string& effect, const std::string& function,
                          const std::vector<std::string>& arguments, VertexKernelFactory factory);
void RegisterPixelKernel(const std::string& effect, const std::string& function,
                         const std::vector<std::string>& arguments, PixelKernelFactory factory);

// The registered factory, or an empty one.
VertexKernelFactory FindVertexKernel(const std::string& effect, const ShaderUse& use);
PixelKernelFactory FindPixelKernel(const std::string& effect, const ShaderUse& use);

}  // namespace platform::effects
