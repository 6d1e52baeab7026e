#pragma once
// The effect compiler proper: parses preprocessed effect text into an EffectInfo.
// Declarations are read; function bodies are skipped by matching braces, but every
// function's parameters are kept, so passes can be checked against them and vertex
// shader input signatures built.

#include "platform/effects/EffectModel.h"
#include "platform/effects/HlslTypes.h"
#include "platform/effects/TokenCursor.h"

#include <array>
#include <map>
#include <string>
#include <vector>

namespace platform::effects {

// False after errors (reported). effect.name and effect.macros are left as they are.
bool ParseEffect(const FxTokenList& tokens, EffectInfo& effect, Diagnostics& diagnostics);

struct PendingVariable {
    VariableInfo info;
    FxToken where;
    int explicitSlot = -1;     // register(t3) and the like
    int explicitOffset = -1;   // packoffset(c1.y) or register(c1), in bytes
    std::vector<FxToken> initializer;
};

struct PendingBuffer {
    std::string name;
    FxToken where;
    int explicitSlot = -1;
    std::vector<std::size_t> variables;  // indices into the pending variables
};

class EffectParser {
public:
    EffectParser(const FxTokenList& tokens, Diagnostics& diagnostics, EffectInfo& effect)
        : cursor_(tokens, diagnostics), diagnostics_(diagnostics), effect_(effect)
    {
    }

    // Throws SyntaxError after the first syntax error.
    void Parse();
    // Layout, registers, passes; errors are reported, not thrown.
    void Finish();

private:
    struct Modifiers {
        bool isStatic = false;
        bool groupShared = false;
        bool uniform = false;
        bool in = false;
        bool out = false;
        int matrixOrder = 0;  // 1 row_major, 2 column_major
    };

    void TopLevel();
    void Pragma(const FxToken& token);
    void ConstantBuffer();
    void Struct();
    Modifiers ReadModifiers();
    TypeRef ReadType();
    void Declaration(int buffer);
    void Function(const FxToken& nameToken);
    void VariableDeclarator(const Modifiers& modifiers, const TypeRef& type, const FxToken& nameToken, int buffer);
    std::uint32_t ArraySuffix();
    void DeclarationSuffixes(std::string* semantic, int* slot, int* offset, char slotClass);
    FieldDecl Field();
    void StateBlock(PendingVariable& variable);
    std::size_t VariableIndex(const std::string& name) const;

    // Techniques and passes (TechniqueParser.cpp).
    void Technique();
    PassInfo Pass(std::array<FxToken, kShaderStages>& shaderTokens);
    void PassStatement(PassInfo& pass, std::array<FxToken, kShaderStages>& shaderTokens);
    ShaderUse ShaderExpression(ShaderStage stage, FxToken& where);
    std::uint32_t StateReference(VariableKind kind);
    void ResolvePasses();
    void ResolveShader(ShaderStage stage, const ShaderUse& use, const FxToken& where,
                       std::vector<d3d11sw::SignatureElement>* inputs);
    void AddInputs(const FieldDecl& field, const FxToken& where, std::vector<d3d11sw::SignatureElement>& inputs,
                   int depth);

    // Layout (ConstantPacking.cpp).
    void LayOutBuffers();
    void AssignSlots();
    void WriteInitialValues();

    TokenCursor cursor_;
    Diagnostics& diagnostics_;
    EffectInfo& effect_;
    std::vector<StructDecl> structs_;
    std::multimap<std::string, FunctionDecl> functions_;
    std::map<std::string, std::pair<ShaderUse, FxToken>> shaderVariables_;
    std::map<std::string, ShaderStage> shaderVariableStages_;
    std::vector<PendingVariable> variables_;
    std::vector<PendingBuffer> buffers_;
    // Per technique and pass, where each stage's function was named.
    std::vector<std::vector<std::array<FxToken, kShaderStages>>> shaderTokens_;
    int globals_ = -1;  // the buffer of variables declared outside any cbuffer
    bool rowMajorDefault_ = false;
};

}  // namespace platform::effects
