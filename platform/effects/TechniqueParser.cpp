// Techniques and passes: the Set... statements of a pass, and the check that every
// function a pass names exists with the uniform arguments it is given.

#include "platform/effects/EffectParser.h"
#include "platform/effects/Numbers.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace platform::effects {
namespace {

constexpr std::uint32_t kMaxInputElements = 32;

struct StageCall {
    std::string_view statement;
    std::string_view profilePrefix;
    ShaderStage stage;
};

constexpr std::array<StageCall, kShaderStages> kStageCalls = {{
    {"SetVertexShader", "vs_", ShaderStage::Vertex},
    {"SetPixelShader", "ps_", ShaderStage::Pixel},
    {"SetGeometryShader", "gs_", ShaderStage::Geometry},
    {"SetHullShader", "hs_", ShaderStage::Hull},
    {"SetDomainShader", "ds_", ShaderStage::Domain},
    {"SetComputeShader", "cs_", ShaderStage::Compute},
}};

bool KnownProfile(const std::string& profile, ShaderStage stage)
{
    const std::string_view prefix = kStageCalls[static_cast<std::size_t>(stage)].profilePrefix;
    if (profile.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    const std::string version = profile.substr(prefix.size());
    const bool tessellation = stage == ShaderStage::Hull || stage == ShaderStage::Domain;
    return version == "5_0" || (!tessellation && (version == "4_0" || version == "4_1"));
}

std::string ArgumentText(const std::vector<FxToken>& tokens)
{
    std::string text;
    for (const FxToken& token : tokens) {
        text += token.text;
    }
    return text;
}

// float4(a, b, c, d) or one number for all four.
bool ReadFloats(const std::vector<FxToken>& tokens, std::vector<float>& values)
{
    const bool constructor = tokens.size() > 2 && tokens[0].IsWord("float4") && tokens[1].Is("(") && tokens.back().Is(")");
    std::vector<std::vector<FxToken>> parts(1);
    for (std::size_t i = constructor ? 2 : 0; i < tokens.size() - (constructor ? 1 : 0); ++i) {
        if (tokens[i].Is(",")) {
            parts.emplace_back();
        } else {
            parts.back().push_back(tokens[i]);
        }
    }
    for (const std::vector<FxToken>& part : parts) {
        const bool negative = part.size() == 2 && part[0].Is("-");
        NumberValue number;
        if ((part.size() != 1 && !negative) || part.back().kind != FxKind::Number || !ParseNumber(part.back().text, number)) {
            return false;
        }
        values.push_back(static_cast<float>(negative ? -number.value : number.value));
    }
    if (values.size() == 1) {
        values.assign(4, values[0]);
    }
    return values.size() == 4;
}

bool IsSystemValue(const std::string& semantic)
{
    return semantic.size() > 3 && (semantic[0] | 0x20) == 's' && (semantic[1] | 0x20) == 'v' && semantic[2] == '_';
}

}  // namespace

void EffectParser::Technique()
{
    const FxToken keyword = cursor_.Next();
    TechniqueInfo technique;
    if (cursor_.Peek().kind == FxKind::Identifier) {
        technique.name = cursor_.Next().text;
    }
    if (cursor_.Peek().Is("<")) {
        cursor_.SkipBalanced("<", ">");
    }
    cursor_.Expect("{");
    std::vector<std::array<FxToken, kShaderStages>> tokens;
    while (!cursor_.Accept("}")) {
        if (cursor_.Accept(";")) {
            continue;
        }
        const FxToken at = cursor_.Peek();
        if (!cursor_.AcceptWord("pass")) {
            cursor_.Unexpected("'pass'");
        }
        tokens.emplace_back();
        PassInfo pass = Pass(tokens.back());
        for (const PassInfo& other : technique.passes) {
            if (!pass.name.empty() && other.name == pass.name) {
                cursor_.Fail(at, message::kRedefinition, "pass '" + pass.name + "': redefinition");
            }
        }
        technique.passes.push_back(std::move(pass));
    }
    cursor_.Accept(";");
    for (const TechniqueInfo& other : effect_.techniques) {
        if (!technique.name.empty() && other.name == technique.name) {
            cursor_.Fail(keyword, message::kRedefinition, "technique '" + technique.name + "': redefinition");
        }
    }
    effect_.techniques.push_back(std::move(technique));
    shaderTokens_.push_back(std::move(tokens));
}

PassInfo EffectParser::Pass(std::array<FxToken, kShaderStages>& shaderTokens)
{
    PassInfo pass;
    if (cursor_.Peek().kind == FxKind::Identifier) {
        pass.name = cursor_.Next().text;
    }
    if (cursor_.Peek().Is("<")) {
        cursor_.SkipBalanced("<", ">");
    }
    cursor_.Expect("{");
    while (!cursor_.Accept("}")) {
        if (!cursor_.Accept(";")) {
            PassStatement(pass, shaderTokens);
        }
    }
    cursor_.Accept(";");
    return pass;
}

void EffectParser::PassStatement(PassInfo& pass, std::array<FxToken, kShaderStages>& shaderTokens)
{
    const FxToken call = cursor_.Peek();
    const std::string name = cursor_.ExpectIdentifier("a pass statement");
    cursor_.Expect("(");
    const auto stageCall = std::find_if(kStageCalls.begin(), kStageCalls.end(),
                                        [&](const StageCall& c) { return c.statement == name; });
    if (stageCall != kStageCalls.end()) {
        const auto stage = static_cast<std::size_t>(stageCall->stage);
        if (pass.shaders[stage].set) {
            cursor_.Warning(call, message::kRedefinition, name + " appears twice in a pass; the last one counts");
        }
        pass.shaders[stage] = ShaderExpression(stageCall->stage, shaderTokens[stage]);
    } else if (name == "SetBlendState") {
        pass.blend = StateReference(VariableKind::Blend);
        cursor_.Expect(",");
        std::vector<float> values;
        if (!ReadFloats(cursor_.TakeUntil({","}), values)) {
            cursor_.Fail(call, message::kSyntax, "syntax error: blend factor must be float4(r, g, b, a)");
        }
        std::copy(values.begin(), values.end(), pass.blendFactor.begin());
        cursor_.Expect(",");
        pass.sampleMask = cursor_.ExpectInteger(0, 4294967295.0, message::kSyntax,
                                                "syntax error: sample mask must be an unsigned integer");
    } else if (name == "SetDepthStencilState") {
        pass.depthStencil = StateReference(VariableKind::DepthStencil);
        cursor_.Expect(",");
        pass.stencilRef = cursor_.ExpectInteger(0, 255, message::kSyntax, "syntax error: stencil reference must be 0 to 255");
    } else if (name == "SetRasterizerState") {
        pass.rasterizer = StateReference(VariableKind::Rasterizer);
    } else {
        cursor_.Fail(call, message::kUnsupported, "pass statement '" + name + "' is not supported");
    }
    cursor_.Expect(")");
    cursor_.Expect(";");
}

ShaderUse EffectParser::ShaderExpression(ShaderStage stage, FxToken& where)
{
    ShaderUse use;
    use.set = true;
    where = cursor_.Peek();
    if (cursor_.AcceptWord("NULL") || (cursor_.Peek().kind == FxKind::Number && cursor_.Peek().text == "0")) {
        if (where.kind == FxKind::Number) {
            cursor_.Next();
        }
        return use;
    }
    if (cursor_.AcceptWord("CompileShader")) {
        cursor_.Expect("(");
        const FxToken profileToken = cursor_.Peek();
        use.profile = cursor_.ExpectIdentifier("a shader profile");
        if (!KnownProfile(use.profile, stage)) {
            cursor_.Fail(profileToken, message::kBadProfile,
                         "profile '" + use.profile + "' does not fit " +
                             std::string(kStageCalls[static_cast<std::size_t>(stage)].statement));
        }
        cursor_.Expect(",");
        where = cursor_.Peek();
        use.function = cursor_.ExpectIdentifier("a function name");
        cursor_.Expect("(");
        if (!cursor_.Accept(")")) {
            for (;;) {
                const std::vector<FxToken> argument = cursor_.TakeUntil({",", ")"});
                if (argument.empty()) {
                    cursor_.Unexpected("an argument");
                }
                use.arguments.push_back(ArgumentText(argument));
                if (cursor_.Accept(")")) {
                    break;
                }
                cursor_.Expect(",");
            }
        }
        cursor_.Expect(")");
        return use;
    }
    if (cursor_.Peek().kind == FxKind::Identifier && cursor_.Peek().text != "ConstructGSWithSO") {
        const FxToken name = cursor_.Next();
        const auto found = shaderVariables_.find(name.text);
        if (found == shaderVariables_.end()) {
            cursor_.Fail(name, message::kUndeclared, "undeclared identifier '" + name.text + "'");
        }
        if (shaderVariableStages_[name.text] != stage) {
            cursor_.Fail(name, message::kBadProfile, "'" + name.text + "' is a shader of another stage");
        }
        where = found->second.second;
        return found->second.first;
    }
    cursor_.Fail(where, message::kUnsupported, "expected NULL, CompileShader(...) or a shader variable");
}

std::uint32_t EffectParser::StateReference(VariableKind kind)
{
    const FxToken name = cursor_.Peek();
    if (cursor_.AcceptWord("NULL") || (name.kind == FxKind::Number && name.text == "0")) {
        if (name.kind == FxKind::Number) {
            cursor_.Next();
        }
        return kStateNull;
    }
    cursor_.ExpectIdentifier("a state name");
    const std::size_t index = VariableIndex(name.text);
    if (index >= variables_.size()) {
        cursor_.Fail(name, message::kUndeclared, "undeclared identifier '" + name.text + "'");
    }
    if (variables_[index].info.kind != kind) {
        cursor_.Fail(name, message::kBadStateAssignment, "'" + name.text + "' is not a state of the kind this call sets");
    }
    if (cursor_.Accept("[")) {
        const FxToken& element = cursor_.Next();
        if (element.kind != FxKind::Number || element.text != "0") {
            cursor_.Fail(element, message::kUnsupported, "arrays of states are not supported");
        }
        cursor_.Expect("]");
    }
    return static_cast<std::uint32_t>(index);
}

void EffectParser::ResolvePasses()
{
    for (std::size_t t = 0; t < effect_.techniques.size(); ++t) {
        for (std::size_t p = 0; p < effect_.techniques[t].passes.size(); ++p) {
            PassInfo& pass = effect_.techniques[t].passes[p];
            for (std::size_t s = 0; s < kShaderStages; ++s) {
                if (pass.shaders[s].set && !pass.shaders[s].function.empty()) {
                    ResolveShader(static_cast<ShaderStage>(s), pass.shaders[s], shaderTokens_[t][p][s],
                                  s == 0 ? &pass.inputs : nullptr);
                }
            }
        }
    }
}

void EffectParser::ResolveShader(ShaderStage, const ShaderUse& use, const FxToken& where,
                                 std::vector<d3d11sw::SignatureElement>* inputs)
{
    const auto [first, last] = functions_.equal_range(use.function);
    if (first == last) {
        cursor_.Error(where, message::kEntryPointNotFound, "'" + use.function + "': entrypoint not found");
        return;
    }
    const auto match = std::find_if(first, last, [&](const auto& entry) {
        return entry.second.UniformCount() == use.arguments.size();
    });
    if (match == last) {
        cursor_.Error(where, message::kNoMatchingFunction,
                      "'" + use.function + "': no overload takes " + std::to_string(use.arguments.size()) +
                          " uniform arguments");
        return;
    }
    if (!inputs) {
        return;
    }
    for (const ParameterDecl& parameter : match->second.parameters) {
        if (!parameter.uniform && !parameter.out) {
            AddInputs(parameter.field, where, *inputs, 0);
        }
    }
}

void EffectParser::AddInputs(const FieldDecl& field, const FxToken& where,
                             std::vector<d3d11sw::SignatureElement>& inputs, int depth)
{
    if (field.type.category == TypeCategory::Struct && depth < 8) {
        for (const FieldDecl& member : structs_[field.type.structIndex].fields) {
            AddInputs(member, where, inputs, depth + 1);
        }
        return;
    }
    if (IsSystemValue(field.semantic)) {
        return;
    }
    if (field.type.category != TypeCategory::Numeric) {
        cursor_.Error(where, message::kBadSemantic, "'" + field.name + "' cannot be a vertex shader input");
        return;
    }
    if (field.semantic.empty()) {
        cursor_.Error(where, message::kBadSemantic, "vertex shader input '" + field.name + "' has no semantic");
        return;
    }
    std::size_t digits = field.semantic.size();
    while (digits > 0 && field.semantic[digits - 1] >= '0' && field.semantic[digits - 1] <= '9') {
        --digits;
    }
    NumberValue index;
    if (digits < field.semantic.size() && !ParseNumber(field.semantic.substr(digits), index)) {
        index.value = 0;
    }
    const std::uint32_t registers = (field.elements == 0 ? 1 : field.elements) * (field.type.matrix ? field.type.rows : 1);
    for (std::uint32_t r = 0; r < registers; ++r) {
        d3d11sw::SignatureElement element;
        element.semanticName = field.semantic.substr(0, digits);
        element.semanticIndex = SaturateToUint(index.value) + r;
        element.type = field.type.base == BaseType::Float ? d3d11sw::ComponentType::Float
                       : field.type.base == BaseType::Int ? d3d11sw::ComponentType::Sint
                                                          : d3d11sw::ComponentType::Uint;
        element.componentCount = field.type.columns;
        for (const d3d11sw::SignatureElement& other : inputs) {
            if (d3d11sw::SameSemantic(other.semanticName, element.semanticName.c_str()) &&
                other.semanticIndex == element.semanticIndex) {
                cursor_.Error(where, message::kBadSemantic, "input semantic '" + field.semantic + "' appears twice");
                return;
            }
        }
        if (inputs.size() >= kMaxInputElements) {
            cursor_.Error(where, message::kBadSemantic, "too many vertex shader inputs");
            return;
        }
        inputs.push_back(std::move(element));
    }
}

}  // namespace platform::effects
