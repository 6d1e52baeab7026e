// The effect compiler: constant-buffer packing, registers, initial values, state blocks,
// techniques and passes, input signatures, and its messages.

#include "tests/effects/EffectSamples.h"
#include "tests/effects/EffectTestSupport.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

using platform::effects::BaseType;
using platform::effects::kStateNotSet;
using platform::effects::kStateNull;
using platform::effects::ShaderStage;
using platform::effects::VariableInfo;
using platform::effects::VariableKind;
using qz::test::CompileText;
using qz::test::FindVariable;


struct Placement {
    const char* name;
    std::uint32_t offset;
};

TEST(EffectCompiler, PacksConstantsByTheHlslRules)
{
    const auto compiled = CompileText(qz::test::kPacked);
    ASSERT_TRUE(compiled.ok) << compiled.messages;
    // Vectors do not cross registers; arrays and matrices start one and share their last.
    const Placement expected[] = {{"a", 0},     {"b", 4},   {"c", 16},  {"d", 32},  {"m", 48},
                                  {"e", 112},   {"arr", 128}, {"f", 168}, {"r", 176}, {"g", 216},
                                  {"h", 220},   {"i", 224}, {"cm", 240}, {"j", 268}};
    for (const Placement& p : expected) {
        const VariableInfo* variable = FindVariable(compiled.effect, p.name);
        ASSERT_NE(nullptr, variable) << p.name;
        EXPECT_EQ(p.offset, variable->offset) << p.name;
    }
    ASSERT_EQ(1u, compiled.effect.buffers.size());
    EXPECT_EQ("Packed", compiled.effect.buffers[0].name);
    EXPECT_EQ(272u, compiled.effect.buffers[0].initial.size());
    EXPECT_TRUE(FindVariable(compiled.effect, "m")->columnMajor);
    EXPECT_FALSE(FindVariable(compiled.effect, "r")->columnMajor);
    EXPECT_EQ(VariableKind::Scalar, FindVariable(compiled.effect, "h")->kind);
    EXPECT_EQ(BaseType::Bool, FindVariable(compiled.effect, "h")->type);
    EXPECT_EQ(3u, FindVariable(compiled.effect, "arr")->elements);
}

TEST(EffectCompiler, PragmaAndPackoffsetAndGlobals)
{
    const auto compiled = CompileText(R"(
#pragma pack_matrix(row_major)
float4x4 world : WORLD;
column_major float4x4 other;
cbuffer Explicit : register(b5) {
    float4 late : packoffset(c2);
    float early : packoffset(c0.z);
};
float tail;
)");
    ASSERT_TRUE(compiled.ok) << compiled.messages;
    ASSERT_EQ(2u, compiled.effect.buffers.size());
    EXPECT_EQ("$Globals", compiled.effect.buffers[0].name);
    EXPECT_EQ(0u, compiled.effect.buffers[0].slot);
    EXPECT_EQ(5u, compiled.effect.buffers[1].slot);
    EXPECT_FALSE(FindVariable(compiled.effect, "world")->columnMajor);
    EXPECT_EQ("WORLD", FindVariable(compiled.effect, "world")->semantic);
    EXPECT_TRUE(FindVariable(compiled.effect, "other")->columnMajor);
    EXPECT_EQ(64u, FindVariable(compiled.effect, "other")->offset);
    EXPECT_EQ(128u, FindVariable(compiled.effect, "tail")->offset);
    EXPECT_EQ(32u, FindVariable(compiled.effect, "late")->offset);
    EXPECT_EQ(8u, FindVariable(compiled.effect, "early")->offset);
    EXPECT_EQ(48u, compiled.effect.buffers[1].initial.size());
}

TEST(EffectCompiler, AssignsSlotsAroundExplicitRegisters)
{
    const auto compiled = CompileText(R"(
Texture2D a;
Texture2D<float4> fixedOne : register(t1);
Texture3D b[2];
RWTexture2D<float4> out : register(u2);
SamplerState s1;
SamplerComparisonState s2 : register(s0);
static Texture2D hidden;
cbuffer One { float x; };
cbuffer Two : register(b0) { float y; };
)");
    ASSERT_TRUE(compiled.ok) << compiled.messages;
    EXPECT_EQ(0u, FindVariable(compiled.effect, "a")->slot);
    EXPECT_EQ(1u, FindVariable(compiled.effect, "fixedOne")->slot);
    EXPECT_EQ(2u, FindVariable(compiled.effect, "b")->slot);
    EXPECT_EQ(VariableKind::UnorderedAccess, FindVariable(compiled.effect, "out")->kind);
    EXPECT_EQ(2u, FindVariable(compiled.effect, "out")->slot);
    EXPECT_EQ(1u, FindVariable(compiled.effect, "s1")->slot);
    EXPECT_EQ(0u, FindVariable(compiled.effect, "s2")->slot);
    EXPECT_EQ(nullptr, FindVariable(compiled.effect, "hidden"));
    EXPECT_EQ(1u, compiled.effect.buffers[0].slot);
    EXPECT_EQ(0u, compiled.effect.buffers[1].slot);
}

TEST(EffectCompiler, WritesInitialValuesInTheBufferLayout)
{
    const auto compiled = CompileText(R"(
float4 v = float4(1, 2.5, -3, 4);
float s = -2;
int k = 0x10;
uint u = 7u;
bool flag = true;
float2x2 cm = { 1, 2, 3, 4 };
row_major float2x2 rm = { 1, 2, 3, 4 };
float3 all = 0.5;
)");
    ASSERT_TRUE(compiled.ok) << compiled.messages;
    const auto& bytes = compiled.effect.buffers[0].initial;
    auto f = [&](std::uint32_t offset) {
        float value = 0;
        std::memcpy(&value, bytes.data() + offset, 4);
        return value;
    };
    auto i = [&](std::uint32_t offset) {
        std::int32_t value = 0;
        std::memcpy(&value, bytes.data() + offset, 4);
        return value;
    };
    EXPECT_EQ(1.0f, f(0));
    EXPECT_EQ(2.5f, f(4));
    EXPECT_EQ(-3.0f, f(8));
    EXPECT_EQ(-2.0f, f(FindVariable(compiled.effect, "s")->offset));
    EXPECT_EQ(16, i(FindVariable(compiled.effect, "k")->offset));
    EXPECT_EQ(7, i(FindVariable(compiled.effect, "u")->offset));
    EXPECT_EQ(1, i(FindVariable(compiled.effect, "flag")->offset));
    // Values are given row by row; a column-major matrix keeps a column per register.
    const std::uint32_t column = FindVariable(compiled.effect, "cm")->offset;
    EXPECT_EQ(1.0f, f(column));
    EXPECT_EQ(3.0f, f(column + 4));
    EXPECT_EQ(2.0f, f(column + 16));
    const std::uint32_t row = FindVariable(compiled.effect, "rm")->offset;
    EXPECT_EQ(2.0f, f(row + 4));
    EXPECT_EQ(3.0f, f(row + 16));
    const std::uint32_t all = FindVariable(compiled.effect, "all")->offset;
    EXPECT_EQ(0.5f, f(all + 8));
}


TEST(EffectCompiler, ReadsStateBlocks)
{
    const auto compiled = CompileText(qz::test::kTechniques);
    ASSERT_TRUE(compiled.ok) << compiled.messages;
    const auto& blend = FindVariable(compiled.effect, "Blending")->blend.RenderTarget[0];
    EXPECT_TRUE(blend.BlendEnable);
    EXPECT_EQ(D3D11_BLEND_SRC_ALPHA, blend.SrcBlend);
    EXPECT_EQ(D3D11_BLEND_INV_SRC_ALPHA, blend.DestBlend);
    EXPECT_EQ(D3D11_BLEND_OP_ADD, blend.BlendOp);
    EXPECT_EQ(D3D11_BLEND_ONE, blend.SrcBlendAlpha);
    EXPECT_EQ(D3D11_BLEND_ONE, blend.DestBlendAlpha);
    EXPECT_EQ(0x0F, blend.RenderTargetWriteMask);
    const auto& depth = FindVariable(compiled.effect, "NoDepth")->depthStencil;
    EXPECT_FALSE(depth.DepthEnable);
    EXPECT_EQ(D3D11_DEPTH_WRITE_MASK_ALL, depth.DepthWriteMask);
    EXPECT_EQ(D3D11_COMPARISON_LESS, depth.DepthFunc);
    EXPECT_EQ(D3D11_CULL_NONE, FindVariable(compiled.effect, "NoCull")->rasterizer.CullMode);
    EXPECT_EQ(D3D11_FILL_SOLID, FindVariable(compiled.effect, "NoCull")->rasterizer.FillMode);
    const auto& sampler = FindVariable(compiled.effect, "Linear")->sampler;
    EXPECT_EQ(D3D11_FILTER_MIN_MAG_MIP_LINEAR, sampler.Filter);
    EXPECT_EQ(D3D11_TEXTURE_ADDRESS_CLAMP, sampler.AddressU);
    EXPECT_EQ(D3D11_TEXTURE_ADDRESS_WRAP, sampler.AddressV);
    EXPECT_EQ(D3D11_TEXTURE_ADDRESS_BORDER, sampler.AddressW);
    EXPECT_EQ(0.5f, sampler.BorderColor[1]);
    EXPECT_EQ(3.0f, sampler.MaxLOD);
}

TEST(EffectCompiler, ReadsTechniquesPassesAndInputSignatures)
{
    const auto compiled = CompileText(qz::test::kTechniques);
    ASSERT_TRUE(compiled.ok) << compiled.messages;
    ASSERT_EQ(2u, compiled.effect.techniques.size());
    const auto& draw = compiled.effect.techniques[0];
    EXPECT_EQ("Draw", draw.name);
    ASSERT_EQ(2u, draw.passes.size());
    const auto& first = draw.passes[0];
    EXPECT_EQ("First", first.name);
    const auto& vs = first.shaders[static_cast<std::size_t>(ShaderStage::Vertex)];
    EXPECT_EQ("VS", vs.function);
    EXPECT_EQ("vs_5_0", vs.profile);
    EXPECT_EQ(std::vector<std::string>{"1.0f"}, vs.arguments);
    EXPECT_EQ(std::vector<std::string>{"-1"}, first.shaders[static_cast<std::size_t>(ShaderStage::Pixel)].arguments);
    const auto& gs = first.shaders[static_cast<std::size_t>(ShaderStage::Geometry)];
    EXPECT_TRUE(gs.set);
    EXPECT_EQ("", gs.function);
    EXPECT_FALSE(first.shaders[static_cast<std::size_t>(ShaderStage::Hull)].set);
    EXPECT_EQ(3u, first.stencilRef);
    EXPECT_EQ(0xFFFFFFFFu, first.sampleMask);
    EXPECT_EQ(FindVariable(compiled.effect, "Blending"), &compiled.effect.variables[first.blend]);
    // Struct members and parameters with semantics, in order; system values are left out.
    ASSERT_EQ(3u, first.inputs.size());
    EXPECT_EQ("POSITION", first.inputs[0].semanticName);
    EXPECT_EQ(3u, first.inputs[0].componentCount);
    EXPECT_EQ("COLOR", first.inputs[1].semanticName);
    EXPECT_EQ("TEXCOORD", first.inputs[2].semanticName);
    EXPECT_EQ(1u, first.inputs[2].semanticIndex);
    EXPECT_EQ(2u, first.inputs[2].componentCount);
    const auto& second = draw.passes[1];
    EXPECT_EQ(std::vector<std::string>{"2.0"}, second.shaders[0].arguments);
    EXPECT_EQ(kStateNull, second.blend);
    EXPECT_EQ(0xFu, second.sampleMask);
    EXPECT_EQ(1.0f, second.blendFactor[2]);
    EXPECT_EQ(kStateNotSet, second.depthStencil);
    EXPECT_EQ(3u, second.inputs.size());
    EXPECT_EQ("Old", compiled.effect.techniques[1].name);
    EXPECT_EQ("", compiled.effect.techniques[1].passes[0].name);
}

struct CompileErrorCase {
    std::string source;
    std::string message;
};

class CompileErrors : public ::testing::TestWithParam<CompileErrorCase> {};

TEST_P(CompileErrors, NameFileLineAndColumn)
{
    const auto compiled = CompileText(GetParam().source);
    EXPECT_FALSE(compiled.ok);
    EXPECT_NE(std::string::npos, compiled.messages.find(GetParam().message)) << compiled.messages;
}

const std::string kPassHead = "float4 PS(float4 p : SV_Position) : SV_Target { return p; }\n";

INSTANTIATE_TEST_SUITE_P(
    EffectCompiler, CompileErrors,
    ::testing::Values(
        CompileErrorCase{kPassHead + "technique11 T { pass P {\n  SetPixelShader(CompileShader(ps_5_0, Missing()));\n} }",
                         "test.fx(3,40): error X3501: 'Missing': entrypoint not found"},
        CompileErrorCase{kPassHead + "technique11 T { pass P { SetPixelShader(CompileShader(ps_5_0, PS(1))); } }",
                         "test.fx(2,63): error X3013: 'PS': no overload takes 1 uniform arguments"},
        CompileErrorCase{kPassHead + "technique11 T { pass P { SetPixelShader(CompileShader(vs_5_0, PS())); } }",
                         "test.fx(2,55): error X3506: profile 'vs_5_0' does not fit SetPixelShader"},
        CompileErrorCase{"technique11 T { pass P { SetBlendState(Nothing, float4(0,0,0,0), 0xFFFFFFFF); } }",
                         "test.fx(1,40): error X3004: undeclared identifier 'Nothing'"},
        CompileErrorCase{"RasterizerState R { CullMode = NONE; };\n"
                         "technique11 T { pass P { SetBlendState(R, float4(0,0,0,0), 0xFFFFFFFF); } }",
                         "error X3503: 'R' is not a state of the kind this call sets"},
        CompileErrorCase{"cbuffer c {\n  float5 x;\n};", "test.fx(2,3): error X3005: unknown type 'float5'"},
        CompileErrorCase{"float x\nfloat y;", "test.fx(2,1): error X3000: syntax error: expected ';' but found 'float'"},
        CompileErrorCase{"BlendState B { SrcBlend = SOURCE; };", "error X3503: invalid value for state 'SrcBlend'"},
        CompileErrorCase{"BlendState B { CullMode = NONE; };", "error X3503: 'CullMode' is not a state of BlendState"},
        CompileErrorCase{"DepthStencilState D { DepthFunc[1] = LESS; };", "error X3503: 'DepthFunc' takes no index"},
        CompileErrorCase{"float a; float a;", "test.fx(1,16): error X3003: 'a': redefinition"},
        CompileErrorCase{"double d;", "error X3502: type 'double' is not supported"},
        CompileErrorCase{"float a[0];", "error X3018: array size must be a literal"},
        CompileErrorCase{"Texture2D t : register(t200);", "error X3504: 't': register is taken or beyond the 128"},
        CompileErrorCase{"Texture2D t : register(b1);", "error X3504: invalid register 'b1' here"},
        CompileErrorCase{"cbuffer c { float4 v : packoffset(c0.y); };",
                         "error X3504: 'v': packoffset puts it across a register boundary"},
        CompileErrorCase{"float4 v = float4(1, 2);", "error X3000: 'v': 2 initial values for 4 components"},
        CompileErrorCase{"struct S { float4 p; };\nfloat4 VS(S s) : SV_Position { return 0; }\n"
                         "technique11 T { pass P { SetVertexShader(CompileShader(vs_5_0, VS())); } }",
                         "error X4502: vertex shader input 'p' has no semantic"},
        CompileErrorCase{"void f() {", "error X3000: syntax error: '{' is never closed"},
        CompileErrorCase{"tbuffer t { float x; };", "error X3502: 'tbuffer' is not supported"},
        CompileErrorCase{"technique11 T { pass P { VertexShader = compile vs_5_0 VS(); } }",
                         "error X3000: syntax error: expected '(' but found '='"}));

TEST(EffectCompiler, MessagesOfMacroLinesPointIntoTheSource)
{
    const auto compiled = CompileText("#define BAD float\n\nBAD x\nint y;");
    EXPECT_FALSE(compiled.ok);
    EXPECT_NE(std::string::npos, compiled.messages.find("test.fx(4,1): error X3000")) << compiled.messages;
}

class CompileFromFile : public ::testing::Test {
protected:
    std::wstring Write(const std::string& name, const std::string& text)
    {
        std::filesystem::create_directories("fx_files");
        std::ofstream("fx_files/" + name, std::ios::binary) << text;
        const std::string path = "fx_files/" + name;
        return std::wstring(path.begin(), path.end());
    }
};

TEST_F(CompileFromFile, RefusesOtherTargets)
{
    const std::wstring path = Write("target.fx", "float x;");
    d3d11sw::ComPtr<ID3DBlob> code;
    d3d11sw::ComPtr<ID3DBlob> messages;
    EXPECT_EQ(E_FAIL, D3DCompileFromFile(path.c_str(), nullptr, D3D_COMPILE_STANDARD_FILE_INCLUDE, "main", "vs_5_0",
                                         D3DCOMPILE_ENABLE_STRICTNESS, 0, code.ReleaseAndGetAddressOf(),
                                         messages.ReleaseAndGetAddressOf()));
    EXPECT_EQ(nullptr, code.Get());
    EXPECT_EQ("fx_files/target.fx(1,1): error X3505: target 'vs_5_0' is not supported; this compiler builds fx_5_0 "
              "effects\n",
              qz::test::BlobText(messages.Get()));
}

TEST_F(CompileFromFile, MissingFileIsFileNotFound)
{
    d3d11sw::ComPtr<ID3DBlob> code;
    EXPECT_EQ(HRESULT_FILE_NOT_FOUND, D3DCompileFromFile(L"fx_files/none.fx", nullptr, nullptr, nullptr, "fx_5_0", 0, 0,
                                                         code.ReleaseAndGetAddressOf(), nullptr));
}

TEST_F(CompileFromFile, NamesTheEffectAfterTheFileAndKeepsTheMacrosAndWarnings)
{
    const std::wstring path = Write("named.fx", "#define W 1\n#define W 2\nfloat x;");
    const D3D_SHADER_MACRO macros[] = {{"MODE", "3"}, {"EMPTY", nullptr}, {nullptr, nullptr}};
    d3d11sw::ComPtr<ID3DBlob> code;
    d3d11sw::ComPtr<ID3DBlob> messages;
    ASSERT_EQ(S_OK, D3DCompileFromFile(path.c_str(), macros, D3D_COMPILE_STANDARD_FILE_INCLUDE, nullptr, "fx_5_0",
                                       D3DCOMPILE_ENABLE_STRICTNESS, 0, code.ReleaseAndGetAddressOf(),
                                       messages.ReleaseAndGetAddressOf()));
    EXPECT_EQ("fx_files/named.fx(2,1): warning X1507: 'W': macro redefinition\n", qz::test::BlobText(messages.Get()));
    platform::effects::EffectInfo effect;
    std::string error;
    ASSERT_TRUE(platform::effects::ReadEffect(code->GetBufferPointer(), code->GetBufferSize(), effect, error));
    EXPECT_EQ("named", effect.name);
    EXPECT_EQ((qz::test::Macros{{"MODE", "3"}, {"EMPTY", ""}}), effect.macros);
}

}  // namespace
