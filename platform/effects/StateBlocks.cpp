#include "platform/effects/StateBlocks.h"

#include "platform/d3d11/objects/StateObject.h"
#include "platform/effects/Numbers.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <utility>

namespace platform::effects {
namespace {

using NamedValue = std::pair<std::string_view, UINT>;
using Names = std::vector<NamedValue>;

const Names kBool = {{"FALSE", 0}, {"TRUE", 1}};
const Names kBlend = {{"ZERO", 1},           {"ONE", 2},           {"SRC_COLOR", 3},      {"INV_SRC_COLOR", 4},
                      {"SRC_ALPHA", 5},      {"INV_SRC_ALPHA", 6}, {"DEST_ALPHA", 7},     {"INV_DEST_ALPHA", 8},
                      {"DEST_COLOR", 9},     {"INV_DEST_COLOR", 10}, {"SRC_ALPHA_SAT", 11}, {"BLEND_FACTOR", 14},
                      {"INV_BLEND_FACTOR", 15}, {"SRC1_COLOR", 16}, {"INV_SRC1_COLOR", 17}, {"SRC1_ALPHA", 18},
                      {"INV_SRC1_ALPHA", 19}};
const Names kBlendOp = {{"ADD", 1}, {"SUBTRACT", 2}, {"REV_SUBTRACT", 3}, {"MIN", 4}, {"MAX", 5}};
const Names kComparison = {{"NEVER", 1},   {"LESS", 2},      {"EQUAL", 3},         {"LESS_EQUAL", 4},
                           {"GREATER", 5}, {"NOT_EQUAL", 6}, {"GREATER_EQUAL", 7}, {"ALWAYS", 8}};
const Names kDepthWrite = {{"ZERO", 0}, {"ALL", 1}};
const Names kStencilOp = {{"KEEP", 1},     {"ZERO", 2},   {"REPLACE", 3}, {"INCR_SAT", 4},
                          {"DECR_SAT", 5}, {"INVERT", 6}, {"INCR", 7},    {"DECR", 8}};
const Names kFill = {{"WIREFRAME", 2}, {"SOLID", 3}};
const Names kCull = {{"NONE", 1}, {"FRONT", 2}, {"BACK", 3}};
const Names kAddress = {{"WRAP", 1}, {"MIRROR", 2}, {"CLAMP", 3}, {"BORDER", 4}, {"MIRROR_ONCE", 5}};
const Names kFilter = {{"MIN_MAG_MIP_POINT", 0x00},
                       {"MIN_MAG_POINT_MIP_LINEAR", 0x01},
                       {"MIN_POINT_MAG_LINEAR_MIP_POINT", 0x04},
                       {"MIN_POINT_MAG_MIP_LINEAR", 0x05},
                       {"MIN_LINEAR_MAG_MIP_POINT", 0x10},
                       {"MIN_LINEAR_MAG_POINT_MIP_LINEAR", 0x11},
                       {"MIN_MAG_LINEAR_MIP_POINT", 0x14},
                       {"MIN_MAG_MIP_LINEAR", 0x15},
                       {"ANISOTROPIC", 0x55},
                       {"COMPARISON_MIN_MAG_MIP_POINT", 0x80},
                       {"COMPARISON_MIN_MAG_POINT_MIP_LINEAR", 0x81},
                       {"COMPARISON_MIN_POINT_MAG_LINEAR_MIP_POINT", 0x84},
                       {"COMPARISON_MIN_POINT_MAG_MIP_LINEAR", 0x85},
                       {"COMPARISON_MIN_LINEAR_MAG_MIP_POINT", 0x90},
                       {"COMPARISON_MIN_LINEAR_MAG_POINT_MIP_LINEAR", 0x91},
                       {"COMPARISON_MIN_MAG_LINEAR_MIP_POINT", 0x94},
                       {"COMPARISON_MIN_MAG_MIP_LINEAR", 0x95},
                       {"COMPARISON_ANISOTROPIC", 0xD5}};

bool SameWord(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'a' && x <= 'z' ? x - 32 : x) == (y >= 'a' && y <= 'z' ? y - 32 : y);
           });
}

// A value as a number: a literal with an optional sign, or a named value.
bool ReadValue(const std::vector<FxToken>& value, const Names* names, double& result)
{
    if (value.size() == 1 && value[0].kind == FxKind::Identifier && names) {
        for (const auto& [name, number] : *names) {
            if (SameWord(name, value[0].text)) {
                result = number;
                return true;
            }
        }
        return false;
    }
    if (value.size() == 1 && value[0].kind == FxKind::Identifier && (SameWord(value[0].text, "true") ||
                                                                      SameWord(value[0].text, "false"))) {
        result = SameWord(value[0].text, "true") ? 1.0 : 0.0;
        return true;
    }
    const bool negative = value.size() == 2 && value[0].Is("-");
    const FxToken* literal = value.size() == 1 ? &value[0] : negative ? &value[1] : nullptr;
    NumberValue number;
    if (!literal || literal->kind != FxKind::Number || !ParseNumber(literal->text, number)) {
        return false;
    }
    result = negative ? -number.value : number.value;
    return true;
}

// float4(r, g, b, a) or { r, g, b, a }.
bool ReadFloat4(const std::vector<FxToken>& value, FLOAT (&out)[4])
{
    std::vector<std::vector<FxToken>> parts(1);
    std::size_t start = 0;
    std::size_t end = value.size();
    if (value.size() >= 2 && value[0].IsWord("float4") && value[1].Is("(") && value.back().Is(")")) {
        start = 2;
        --end;
    } else if (!value.empty() && value[0].Is("{") && value.back().Is("}")) {
        start = 1;
        --end;
    } else {
        return false;
    }
    for (std::size_t i = start; i < end; ++i) {
        if (value[i].Is(",")) {
            parts.emplace_back();
        } else {
            parts.back().push_back(value[i]);
        }
    }
    if (parts.size() != 4) {
        return false;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        double number = 0.0;
        if (!ReadValue(parts[i], nullptr, number)) {
            return false;
        }
        out[i] = static_cast<FLOAT>(number);
    }
    return true;
}

enum class Form { Bool, Named, Float, Int, Byte, Float4 };

struct Field {
    std::string_view key;
    bool indexed;  // per render target
    Form form;
    const Names* names;
    std::function<void(VariableInfo&, int index, double value, const FLOAT* float4)> set;
};

template <class Enum>
Enum As(double value)
{
    return static_cast<Enum>(SaturateToUint(value));
}

const std::vector<Field>& BlendFields()
{
    static const std::vector<Field> fields = {
        {"AlphaToCoverageEnable", false, Form::Bool, &kBool,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.blend.AlphaToCoverageEnable = x != 0; }},
        {"IndependentBlendEnable", false, Form::Bool, &kBool,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.blend.IndependentBlendEnable = x != 0; }},
        {"BlendEnable", true, Form::Bool, &kBool,
         [](VariableInfo& v, int i, double x, const FLOAT*) { v.blend.RenderTarget[i].BlendEnable = x != 0; }},
        {"SrcBlend", true, Form::Named, &kBlend,
         [](VariableInfo& v, int i, double x, const FLOAT*) { v.blend.RenderTarget[i].SrcBlend = As<D3D11_BLEND>(x); }},
        {"DestBlend", true, Form::Named, &kBlend,
         [](VariableInfo& v, int i, double x, const FLOAT*) { v.blend.RenderTarget[i].DestBlend = As<D3D11_BLEND>(x); }},
        {"BlendOp", true, Form::Named, &kBlendOp,
         [](VariableInfo& v, int i, double x, const FLOAT*) { v.blend.RenderTarget[i].BlendOp = As<D3D11_BLEND_OP>(x); }},
        {"SrcBlendAlpha", true, Form::Named, &kBlend,
         [](VariableInfo& v, int i, double x, const FLOAT*) {
             v.blend.RenderTarget[i].SrcBlendAlpha = As<D3D11_BLEND>(x);
         }},
        {"DestBlendAlpha", true, Form::Named, &kBlend,
         [](VariableInfo& v, int i, double x, const FLOAT*) {
             v.blend.RenderTarget[i].DestBlendAlpha = As<D3D11_BLEND>(x);
         }},
        {"BlendOpAlpha", true, Form::Named, &kBlendOp,
         [](VariableInfo& v, int i, double x, const FLOAT*) {
             v.blend.RenderTarget[i].BlendOpAlpha = As<D3D11_BLEND_OP>(x);
         }},
        {"RenderTargetWriteMask", true, Form::Byte, nullptr,
         [](VariableInfo& v, int i, double x, const FLOAT*) {
             v.blend.RenderTarget[i].RenderTargetWriteMask = static_cast<UINT8>(x);
         }},
    };
    return fields;
}

const std::vector<Field>& DepthStencilFields()
{
    auto face = [](bool front) { return [front](VariableInfo& v) -> D3D11_DEPTH_STENCILOP_DESC& {
        return front ? v.depthStencil.FrontFace : v.depthStencil.BackFace;
    }; };
    static const std::vector<Field> fields = {
        {"DepthEnable", false, Form::Bool, &kBool,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.depthStencil.DepthEnable = x != 0; }},
        {"DepthWriteMask", false, Form::Named, &kDepthWrite,
         [](VariableInfo& v, int, double x, const FLOAT*) {
             v.depthStencil.DepthWriteMask = As<D3D11_DEPTH_WRITE_MASK>(x);
         }},
        {"DepthFunc", false, Form::Named, &kComparison,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.depthStencil.DepthFunc = As<D3D11_COMPARISON_FUNC>(x); }},
        {"StencilEnable", false, Form::Bool, &kBool,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.depthStencil.StencilEnable = x != 0; }},
        {"StencilReadMask", false, Form::Byte, nullptr,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.depthStencil.StencilReadMask = static_cast<UINT8>(x); }},
        {"StencilWriteMask", false, Form::Byte, nullptr,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.depthStencil.StencilWriteMask = static_cast<UINT8>(x); }},
        {"FrontFaceStencilFail", false, Form::Named, &kStencilOp,
         [face](VariableInfo& v, int, double x, const FLOAT*) { face(true)(v).StencilFailOp = As<D3D11_STENCIL_OP>(x); }},
        {"FrontFaceStencilDepthFail", false, Form::Named, &kStencilOp,
         [face](VariableInfo& v, int, double x, const FLOAT*) {
             face(true)(v).StencilDepthFailOp = As<D3D11_STENCIL_OP>(x);
         }},
        {"FrontFaceStencilPass", false, Form::Named, &kStencilOp,
         [face](VariableInfo& v, int, double x, const FLOAT*) { face(true)(v).StencilPassOp = As<D3D11_STENCIL_OP>(x); }},
        {"FrontFaceStencilFunc", false, Form::Named, &kComparison,
         [face](VariableInfo& v, int, double x, const FLOAT*) {
             face(true)(v).StencilFunc = As<D3D11_COMPARISON_FUNC>(x);
         }},
        {"BackFaceStencilFail", false, Form::Named, &kStencilOp,
         [face](VariableInfo& v, int, double x, const FLOAT*) { face(false)(v).StencilFailOp = As<D3D11_STENCIL_OP>(x); }},
        {"BackFaceStencilDepthFail", false, Form::Named, &kStencilOp,
         [face](VariableInfo& v, int, double x, const FLOAT*) {
             face(false)(v).StencilDepthFailOp = As<D3D11_STENCIL_OP>(x);
         }},
        {"BackFaceStencilPass", false, Form::Named, &kStencilOp,
         [face](VariableInfo& v, int, double x, const FLOAT*) {
             face(false)(v).StencilPassOp = As<D3D11_STENCIL_OP>(x);
         }},
        {"BackFaceStencilFunc", false, Form::Named, &kComparison,
         [face](VariableInfo& v, int, double x, const FLOAT*) {
             face(false)(v).StencilFunc = As<D3D11_COMPARISON_FUNC>(x);
         }},
    };
    return fields;
}

const std::vector<Field>& RasterizerFields()
{
    static const std::vector<Field> fields = {
        {"FillMode", false, Form::Named, &kFill,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.rasterizer.FillMode = As<D3D11_FILL_MODE>(x); }},
        {"CullMode", false, Form::Named, &kCull,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.rasterizer.CullMode = As<D3D11_CULL_MODE>(x); }},
        {"FrontCounterClockwise", false, Form::Bool, &kBool,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.rasterizer.FrontCounterClockwise = x != 0; }},
        {"DepthBias", false, Form::Int, nullptr,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.rasterizer.DepthBias = SaturateToInt(x); }},
        {"DepthBiasClamp", false, Form::Float, nullptr,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.rasterizer.DepthBiasClamp = static_cast<FLOAT>(x); }},
        {"SlopeScaledDepthBias", false, Form::Float, nullptr,
         [](VariableInfo& v, int, double x, const FLOAT*) {
             v.rasterizer.SlopeScaledDepthBias = static_cast<FLOAT>(x);
         }},
        {"DepthClipEnable", false, Form::Bool, &kBool,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.rasterizer.DepthClipEnable = x != 0; }},
        {"ScissorEnable", false, Form::Bool, &kBool,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.rasterizer.ScissorEnable = x != 0; }},
        {"MultisampleEnable", false, Form::Bool, &kBool,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.rasterizer.MultisampleEnable = x != 0; }},
        {"AntialiasedLineEnable", false, Form::Bool, &kBool,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.rasterizer.AntialiasedLineEnable = x != 0; }},
    };
    return fields;
}

const std::vector<Field>& SamplerFields()
{
    static const std::vector<Field> fields = {
        {"Filter", false, Form::Named, &kFilter,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.sampler.Filter = As<D3D11_FILTER>(x); }},
        {"AddressU", false, Form::Named, &kAddress,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.sampler.AddressU = As<D3D11_TEXTURE_ADDRESS_MODE>(x); }},
        {"AddressV", false, Form::Named, &kAddress,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.sampler.AddressV = As<D3D11_TEXTURE_ADDRESS_MODE>(x); }},
        {"AddressW", false, Form::Named, &kAddress,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.sampler.AddressW = As<D3D11_TEXTURE_ADDRESS_MODE>(x); }},
        {"MipLODBias", false, Form::Float, nullptr,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.sampler.MipLODBias = static_cast<FLOAT>(x); }},
        {"MaxAnisotropy", false, Form::Int, nullptr,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.sampler.MaxAnisotropy = SaturateToUint(x); }},
        {"ComparisonFunc", false, Form::Named, &kComparison,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.sampler.ComparisonFunc = As<D3D11_COMPARISON_FUNC>(x); }},
        {"BorderColor", false, Form::Float4, nullptr,
         [](VariableInfo& v, int, double, const FLOAT* c) { std::copy(c, c + 4, v.sampler.BorderColor); }},
        {"MinLOD", false, Form::Float, nullptr,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.sampler.MinLOD = static_cast<FLOAT>(x); }},
        {"MaxLOD", false, Form::Float, nullptr,
         [](VariableInfo& v, int, double x, const FLOAT*) { v.sampler.MaxLOD = static_cast<FLOAT>(x); }},
    };
    return fields;
}

const std::vector<Field>* FieldsOf(VariableKind kind)
{
    switch (kind) {
    case VariableKind::Blend: return &BlendFields();
    case VariableKind::DepthStencil: return &DepthStencilFields();
    case VariableKind::Rasterizer: return &RasterizerFields();
    case VariableKind::Sampler: return &SamplerFields();
    default: return nullptr;
    }
}

}  // namespace

void SetDefaultState(VariableInfo& variable)
{
    variable.blend = d3d11sw::DefaultBlendDesc();
    variable.depthStencil = d3d11sw::DefaultDepthStencilDesc();
    variable.rasterizer = d3d11sw::DefaultRasterizerDesc();
    variable.sampler = d3d11sw::DefaultSamplerDesc();
}

bool AssignState(VariableInfo& variable, const std::string& key, int index, const std::vector<FxToken>& value,
                 std::string& error)
{
    const std::vector<Field>* fields = FieldsOf(variable.kind);
    if (variable.kind == VariableKind::Sampler && SameWord(key, "Texture")) {
        return true;  // an old binding form; samplers are bound by the shaders that use them
    }
    const auto field = fields ? std::find_if(fields->begin(), fields->end(),
                                             [&](const Field& f) { return SameWord(f.key, key); })
                              : std::vector<Field>::const_iterator{};
    if (!fields || field == fields->end()) {
        error = "'" + key + "' is not a state of " + variable.typeName;
        return false;
    }
    if (index >= 0 && !field->indexed) {
        error = "'" + key + "' takes no index";
        return false;
    }
    FLOAT float4[4] = {};
    double number = 0.0;
    const bool read = field->form == Form::Float4 ? ReadFloat4(value, float4) : ReadValue(value, field->names, number);
    const bool fits = field->form != Form::Byte || (number >= 0 && number <= 255);
    if (!read || !fits || (field->form == Form::Int && number != static_cast<double>(SaturateToInt(number)) &&
                           number != static_cast<double>(SaturateToUint(number)))) {
        error = "invalid value for state '" + key + "'";
        return false;
    }
    field->set(variable, index < 0 ? 0 : index, number, float4);
    return true;
}

}  // namespace platform::effects
