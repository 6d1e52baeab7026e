// The effect runtime on the software device: variables and their invalid stand-ins,
// constant layouts as kernels read them, Apply's bindings, and kernels found by effect,
// function and uniform arguments.

#include "platform/effects/D3DX11Effect.h"
#include "platform/effects/Kernels.h"
#include "tests/effects/EffectDrawFixture.h"
#include "tests/effects/EffectSamples.h"
#include "tests/effects/EffectTestSupport.h"

#include <atomic>
#include <cstring>
#include <mutex>

namespace {

using d3d11sw::Float4;
using platform::effects::KernelContext;
using qz::test::ComPtr;
using qz::test::CompileText;


d3d11sw::VertexShaderDesc PassThrough(const KernelContext&)
{
    d3d11sw::VertexShaderDesc desc;
    desc.kernel = d3d11sw::MakeVertexKernel(
        [](const d3d11sw::StageResources&, const d3d11sw::VertexInput& in, d3d11sw::VertexOutput& out) {
            out.position = in.attributes[0];
        });
    return desc;
}

// g_color times the uniform argument, read through the compiler's layout.
d3d11sw::PixelShaderDesc Tinted(const KernelContext& context)
{
    const auto color = context.Constant("g_color");
    const float variant = std::stof(context.Arguments().at(0));
    d3d11sw::PixelShaderDesc desc;
    desc.kernel = d3d11sw::MakePixelKernel([color, variant](const d3d11sw::StageResources& resources,
                                                            d3d11sw::PixelQuad& quad) {
        quad.Target(0) = d3d11sw::Quad<Float4>::Splat(platform::effects::ReadVector(resources, color) * variant);
    });
    return desc;
}

void RegisterRuntimeKernels(const std::string& effect)
{
    platform::effects::RegisterVertexKernel(effect, "VS", {}, PassThrough);
    platform::effects::RegisterPixelKernel(effect, "PS", {"1"}, Tinted);
    platform::effects::RegisterPixelKernel(effect, "PS", {"2"}, Tinted);
}

class EffectRuntime : public qz::test::EffectDrawTest {
protected:
    void SetUp() override
    {
        EffectDrawTest::SetUp();
        RegisterRuntimeKernels("runtime");
        effect = Load(qz::test::kRuntime, "runtime");
    }

    ComPtr<ID3DX11Effect> Load(const std::string& source, const std::string& name, const qz::test::Macros& macros = {})
    {
        const auto compiled = CompileText(source, name, macros);
        EXPECT_TRUE(compiled.ok) << compiled.messages;
        ComPtr<ID3DX11Effect> loaded;
        EXPECT_EQ(S_OK, D3DX11CreateEffectFromMemory(compiled.code.data(), compiled.code.size(), 0, device.Get(),
                                                     loaded.ReleaseAndGetAddressOf()));
        return loaded;
    }

    // An 8x8 target cleared to the colour, a full-target quad as a triangle strip, and
    // the layout the pass's signature asks for.
    void PrepareTarget(ID3DX11EffectPass* pass, float clear)
    {
        MakeClearedTarget(8, 8, clear);
        const float quad[] = {-1, 1, 0, 1, 1, 1, 0, 1, -1, -1, 0, 1, 1, -1, 0, 1};
        const D3D11_BUFFER_DESC bufferDesc = BufferDesc(sizeof quad, D3D11_BIND_VERTEX_BUFFER);
        const D3D11_SUBRESOURCE_DATA data{quad, 0, 0};
        ASSERT_EQ(S_OK, device->CreateBuffer(&bufferDesc, &data, vertices.ReleaseAndGetAddressOf()));
        const UINT stride = 16;
        const UINT offset = 0;
        ID3D11Buffer* buffer = vertices.Get();
        context->IASetVertexBuffers(0, 1, &buffer, &stride, &offset);
        context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
        D3DX11_PASS_DESC passDesc{};
        ASSERT_EQ(S_OK, pass->GetDesc(&passDesc));
        const D3D11_INPUT_ELEMENT_DESC element{"POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 0,
                                              D3D11_INPUT_PER_VERTEX_DATA, 0};
        ASSERT_EQ(S_OK, device->CreateInputLayout(&element, 1, passDesc.pIAInputSignature,
                                                  passDesc.IAInputSignatureSize, layout.ReleaseAndGetAddressOf()));
        context->IASetInputLayout(layout.Get());
    }

    void DrawWith(ID3DX11EffectPass* pass)
    {
        ASSERT_EQ(S_OK, pass->Apply(0, context.Get()));
        context->Draw(4, 0);
    }

    ComPtr<ID3DX11Effect> effect;
    ComPtr<ID3D11Buffer> vertices;
    ComPtr<ID3D11InputLayout> layout;
};

TEST_F(EffectRuntime, LooksUpByNameIndexAndSemanticAndHandsOutInvalidStandIns)
{
    ID3DX11EffectVariable* color = effect->GetVariableByName("g_color");
    EXPECT_TRUE(color->IsValid());
    EXPECT_EQ(color, effect->GetVariableByIndex(0));
    EXPECT_EQ(color, effect->GetVariableBySemantic("TINT"));
    EXPECT_EQ(effect->GetVariableByName("g_texture"), effect->GetVariableByIndex(8));
    D3DX11_EFFECT_VARIABLE_DESC desc{};
    ASSERT_EQ(S_OK, effect->GetVariableByName("g_scale")->GetDesc(&desc));
    EXPECT_STREQ("g_scale", desc.Name);
    EXPECT_EQ(24u, desc.BufferOffset);

    ID3DX11EffectVariable* missing = effect->GetVariableByName("g_missing");
    ASSERT_NE(nullptr, missing);
    EXPECT_FALSE(missing->IsValid());
    EXPECT_FALSE(missing->AsScalar()->IsValid());
    EXPECT_EQ(E_FAIL, missing->AsScalar()->SetFloat(1.0f));
    EXPECT_EQ(E_FAIL, missing->AsMatrix()->SetMatrix(std::array<float, 16>{}.data()));
    EXPECT_EQ(E_FAIL, missing->AsShaderResource()->SetResource(nullptr));
    EXPECT_FALSE(effect->GetVariableByIndex(100)->IsValid());
    EXPECT_FALSE(effect->GetVariableBySemantic(nullptr)->IsValid());
    // A kind that does not fit gives that kind's invalid variable.
    EXPECT_FALSE(color->AsMatrix()->IsValid());
    EXPECT_TRUE(color->AsVector()->IsValid());
    EXPECT_FALSE(effect->GetVariableByName("g_scale")->AsVector()->IsValid());
    EXPECT_TRUE(effect->GetVariableByName("g_output")->AsUnorderedAccessView()->IsValid());
    EXPECT_TRUE(effect->GetVariableByName("g_sampler")->IsValid());
    EXPECT_FALSE(effect->GetVariableByName("g_sampler")->AsShaderResource()->IsValid());

    ID3DX11EffectTechnique* technique = effect->GetTechniqueByName("Main");
    EXPECT_EQ(technique, effect->GetTechniqueByIndex(0));
    EXPECT_EQ(technique->GetPassByName("Double"), technique->GetPassByIndex(1));
    ID3DX11EffectTechnique* none = effect->GetTechniqueByName("None");
    EXPECT_FALSE(none->IsValid());
    EXPECT_FALSE(none->GetPassByIndex(0)->IsValid());
    EXPECT_EQ(E_FAIL, none->GetPassByName("Solid")->Apply(0, context.Get()));
}

TEST_F(EffectRuntime, SettersWriteOnlyTheirComponentsAndConvert)
{
    ID3DX11EffectScalarVariable* scale = effect->GetVariableByName("g_scale")->AsScalar();
    ASSERT_EQ(S_OK, scale->SetFloat(5.0f));
    const float four[4] = {1, 2, 3, 4};
    ASSERT_EQ(S_OK, effect->GetVariableByName("g_offset")->AsVector()->SetFloatVector(four));
    float value = 0;
    ASSERT_EQ(S_OK, scale->GetFloat(&value));
    EXPECT_EQ(5.0f, value);  // a float2 takes two of the four
    ID3DX11EffectScalarVariable* mode = effect->GetVariableByName("g_mode")->AsScalar();
    ASSERT_EQ(S_OK, mode->SetFloat(2.7f));
    int integer = 0;
    ASSERT_EQ(S_OK, mode->GetInt(&integer));
    EXPECT_EQ(2, integer);
    ASSERT_EQ(S_OK, mode->SetBool(true));
    ASSERT_EQ(S_OK, mode->GetInt(&integer));
    EXPECT_EQ(1, integer);

    ID3DX11EffectVectorVariable* list = effect->GetVariableByName("g_list")->AsVector();
    const float two[8] = {1, 1, 1, 1, 2, 2, 2, 2};
    EXPECT_EQ(S_OK, list->SetFloatVectorArray(two, 1, 2));
    EXPECT_EQ(E_INVALIDARG, list->SetFloatVectorArray(two, 2, 2));
    float back[12] = {};
    ASSERT_EQ(S_OK, list->GetFloatVectorArray(back, 0, 3));
    EXPECT_EQ(0.0f, back[0]);
    EXPECT_EQ(1.0f, back[4]);
    EXPECT_EQ(2.0f, back[11]);
    std::uint32_t raw[2] = {};
    ASSERT_EQ(S_OK, effect->GetVariableByName("g_offset")->GetRawValue(raw, 0, 8));
    EXPECT_EQ(0x40000000u, raw[1]);
    EXPECT_EQ(E_INVALIDARG, effect->GetVariableByName("g_offset")->GetRawValue(raw, 4, 8));
}

// What kernels saw of the matrices during a draw.
struct SeenMatrices {
    std::mutex mutex;
    platform::effects::Matrix4 row;
    platform::effects::Matrix4 column;
    platform::effects::Matrix4 small;
};

TEST_F(EffectRuntime, MatricesRoundTripInBothPackingsAsKernelsReadThem)
{
    static SeenMatrices seen;
    RegisterRuntimeKernels("matrices");
    platform::effects::RegisterVertexKernel("matrices", "VS", {}, [](const KernelContext& context) {
        const auto row = context.Constant("g_rowMatrix");
        const auto column = context.Constant("g_columnMatrix");
        const auto small = context.Constant("g_small");
        d3d11sw::VertexShaderDesc desc;
        desc.kernel = d3d11sw::MakeVertexKernel([=](const d3d11sw::StageResources& resources,
                                                    const d3d11sw::VertexInput& in, d3d11sw::VertexOutput& out) {
            std::lock_guard lock(seen.mutex);
            seen.row = platform::effects::ReadMatrix(resources, row);
            seen.column = platform::effects::ReadMatrix(resources, column);
            seen.small = platform::effects::ReadMatrix(resources, small);
            out.position = in.attributes[0];
        });
        return desc;
    });
    ComPtr<ID3DX11Effect> matrices = Load(qz::test::kRuntime, "matrices");
    float m[16];
    for (int i = 0; i < 16; ++i) {
        m[i] = static_cast<float>(i + 1);
    }
    for (const char* name : {"g_rowMatrix", "g_columnMatrix", "g_small"}) {
        ASSERT_EQ(S_OK, matrices->GetVariableByName(name)->AsMatrix()->SetMatrix(m)) << name;
        float back[16] = {};
        ASSERT_EQ(S_OK, matrices->GetVariableByName(name)->AsMatrix()->GetMatrix(back));
        EXPECT_EQ(m[5], back[5]) << name;
        EXPECT_EQ(m[2], back[2]) << name;
    }
    // In the buffer a row-major matrix keeps rows, a column-major one columns.
    float firstRegister[4] = {};
    ASSERT_EQ(S_OK, matrices->GetVariableByName("g_rowMatrix")->GetRawValue(firstRegister, 0, 16));
    EXPECT_EQ(2.0f, firstRegister[1]);
    ASSERT_EQ(S_OK, matrices->GetVariableByName("g_columnMatrix")->GetRawValue(firstRegister, 0, 16));
    EXPECT_EQ(5.0f, firstRegister[1]);
    float transposed[16] = {};
    ASSERT_EQ(S_OK, matrices->GetVariableByName("g_columnMatrix")->AsMatrix()->GetMatrixTranspose(transposed));
    EXPECT_EQ(5.0f, transposed[1]);

    ID3DX11EffectPass* pass = matrices->GetTechniqueByIndex(0)->GetPassByIndex(0);
    PrepareTarget(pass, 0);
    DrawWith(pass);
    context->Flush();  // a small draw's vertex kernel runs when the frame is shaded
    std::lock_guard lock(seen.mutex);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(m[r * 4 + c], seen.row.m[r][c]) << r << c;
            EXPECT_EQ(m[r * 4 + c], seen.column.m[r][c]) << r << c;
            EXPECT_EQ(r < 3 && c < 3 ? m[r * 4 + c] : 0.0f, seen.small.m[r][c]) << r << c;
        }
    }
}

TEST_F(EffectRuntime, ApplyUploadsConstantsAndSetsOnlyThePassStates)
{
    ID3DX11EffectTechnique* technique = effect->GetTechniqueByName("Main");
    PrepareTarget(technique->GetPassByName("Solid"), 0);
    const float color[4] = {0.25f, 0.5f, 0.0f, 0.25f};
    effect->GetVariableByName("g_color")->AsVector()->SetFloatVector(color);
    DrawWith(technique->GetPassByName("Solid"));
    EXPECT_EQ(0x40008040u, Pixel(3, 3));
    ComPtr<ID3D11BlendState> blend;
    FLOAT factor[4];
    UINT mask = 0;
    context->OMGetBlendState(blend.ReleaseAndGetAddressOf(), factor, &mask);
    ASSERT_TRUE(blend);
    D3D11_BLEND_DESC blendDesc{};
    blend->GetDesc(&blendDesc);
    EXPECT_EQ(D3D11_BLEND_ONE, blendDesc.RenderTarget[0].DestBlend);
    // "Double" sets no states: the additive blend stays and adds twice the colour (alpha
    // keeps the default ONE/ZERO).
    DrawWith(technique->GetPassByName("Double"));
    EXPECT_EQ(0x8000FFC0u, Pixel(3, 3));
    ComPtr<ID3D11RasterizerState> raster;
    context->RSGetState(raster.ReleaseAndGetAddressOf());
    D3D11_RASTERIZER_DESC rasterDesc{};
    raster->GetDesc(&rasterDesc);
    EXPECT_EQ(D3D11_CULL_NONE, rasterDesc.CullMode);
    // Values set after Apply count from the next Apply.
    const float red[4] = {1, 0, 0, 1};
    effect->GetVariableByName("g_color")->AsVector()->SetFloatVector(red);
    context->OMSetBlendState(nullptr, nullptr, D3D11_DEFAULT_SAMPLE_MASK);
    context->Draw(4, 0);
    EXPECT_EQ(0x8000FF80u, Pixel(3, 3));
}

TEST_F(EffectRuntime, APassWithoutAKernelAppliesItsStatesDrawsNothingAndWarnsOnce)
{
    ID3DX11EffectPass* unknown = effect->GetTechniqueByName("Main")->GetPassByName("Unknown");
    PrepareTarget(unknown, 0);
    context->RSSetState(nullptr);
    ::testing::internal::CaptureStderr();
    DrawWith(unknown);
    DrawWith(unknown);
    const std::string warnings = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ("Effect \"runtime\", technique \"Main\", pass \"Unknown\": no native kernel for PS(3); its draws draw "
              "nothing\n",
              warnings);
    EXPECT_EQ(0u, Pixel(4, 4));
    ComPtr<ID3D11RasterizerState> raster;
    context->RSGetState(raster.ReleaseAndGetAddressOf());
    EXPECT_TRUE(raster);
}

TEST_F(EffectRuntime, TwoEffectsWithTheSameFunctionNamesDrawDifferently)
{
    const std::string source = R"(
struct VSIn { float4 pos : POSITION; };
float4 VS(VSIn input) : SV_Position { return input.pos; }
float4 PS() : SV_Target { return float4(1, 0, 0, 1); }
technique11 T { pass P { SetVertexShader(CompileShader(vs_5_0, VS())); SetPixelShader(CompileShader(ps_5_0, PS())); } }
)";
    auto solid = [](float r, float g, float b) {
        return [=](const KernelContext&) {
            d3d11sw::PixelShaderDesc desc;
            desc.kernel = d3d11sw::MakePixelKernel([=](const d3d11sw::StageResources&, d3d11sw::PixelQuad& quad) {
                quad.Target(0) = d3d11sw::Quad<Float4>::Splat({r, g, b, 1.0f});
            });
            return desc;
        };
    };
    for (const char* name : {"alpha", "beta"}) {
        platform::effects::RegisterVertexKernel(name, "VS", {}, PassThrough);
    }
    platform::effects::RegisterPixelKernel("alpha", "PS", {}, solid(1, 0, 0));
    platform::effects::RegisterPixelKernel("beta", "PS", {}, solid(0, 0, 1));
    ComPtr<ID3DX11Effect> alpha = Load(source, "alpha");
    ComPtr<ID3DX11Effect> beta = Load(source, "beta");
    ID3DX11EffectPass* alphaPass = alpha->GetTechniqueByIndex(0)->GetPassByIndex(0);
    PrepareTarget(alphaPass, 0);
    DrawWith(alphaPass);
    EXPECT_EQ(0xFF0000FFu, Pixel(1, 1));
    DrawWith(beta->GetTechniqueByIndex(0)->GetPassByIndex(0));
    EXPECT_EQ(0xFFFF0000u, Pixel(1, 1));
}

TEST_F(EffectRuntime, KernelsFollowTheMacrosTheEffectWasCompiledWith)
{
    const std::string source = R"(
struct VSIn { float4 pos : POSITION; };
float4 VS(VSIn input) : SV_Position { return input.pos; }
#if BRIGHT
float4 PS() : SV_Target { return 1; }
#else
float4 PS() : SV_Target { return 0.5; }
#endif
technique11 T { pass P { SetVertexShader(CompileShader(vs_5_0, VS())); SetPixelShader(CompileShader(ps_5_0, PS())); } }
)";
    platform::effects::RegisterVertexKernel("macros", "VS", {}, PassThrough);
    platform::effects::RegisterPixelKernel("macros", "PS", {}, [](const KernelContext& context) {
        const float value = context.Macro("BRIGHT").value_or("0") != "0" ? 1.0f : 0.5f;
        d3d11sw::PixelShaderDesc desc;
        desc.kernel = d3d11sw::MakePixelKernel([value](const d3d11sw::StageResources&, d3d11sw::PixelQuad& quad) {
            quad.Target(0) = d3d11sw::Quad<Float4>::Splat({value, value, value, value});
        });
        return desc;
    });
    ComPtr<ID3DX11Effect> dim = Load(source, "macros");
    ComPtr<ID3DX11Effect> bright = Load(source, "macros", {{"BRIGHT", "1"}});
    ID3DX11EffectPass* dimPass = dim->GetTechniqueByIndex(0)->GetPassByIndex(0);
    PrepareTarget(dimPass, 0);
    DrawWith(dimPass);
    EXPECT_EQ(0x80808080u, Pixel(0, 0));
    DrawWith(bright->GetTechniqueByIndex(0)->GetPassByIndex(0));
    EXPECT_EQ(0xFFFFFFFFu, Pixel(0, 0));
}

TEST_F(EffectRuntime, ResourceVariablesHoldAReferenceUntilReplacedOrReleased)
{
    const D3D11_TEXTURE2D_DESC desc = Texture2DDesc(2, 2, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE);
    ComPtr<ID3D11Texture2D> texture;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, texture.ReleaseAndGetAddressOf()));
    ComPtr<ID3D11ShaderResourceView> view;
    ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), nullptr, view.ReleaseAndGetAddressOf()));
    ID3DX11EffectShaderResourceVariable* variable = effect->GetVariableByName("g_texture")->AsShaderResource();
    ASSERT_EQ(S_OK, variable->SetResource(view.Get()));
    EXPECT_EQ(2u, Count(view.Get()));
    ComPtr<ID3D11ShaderResourceView> back;
    ASSERT_EQ(S_OK, variable->GetResource(back.ReleaseAndGetAddressOf()));
    EXPECT_EQ(view.Get(), back.Get());
    back.Reset();
    ASSERT_EQ(S_OK, variable->SetResource(nullptr));
    EXPECT_EQ(1u, Count(view.Get()));
    ASSERT_EQ(S_OK, variable->SetResource(view.Get()));
    effect.Reset();
    EXPECT_EQ(1u, Count(view.Get()));
}

TEST_F(EffectRuntime, PassSignatureRefusesALayoutWithoutItsInputs)
{
    D3DX11_PASS_DESC desc{};
    ASSERT_EQ(S_OK, effect->GetTechniqueByIndex(0)->GetPassByIndex(0)->GetDesc(&desc));
    EXPECT_STREQ("Solid", desc.Name);
    const D3D11_INPUT_ELEMENT_DESC normal{"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0};
    ComPtr<ID3D11InputLayout> layout;
    EXPECT_EQ(E_INVALIDARG, device->CreateInputLayout(&normal, 1, desc.pIAInputSignature, desc.IAInputSignatureSize,
                                                      layout.ReleaseAndGetAddressOf()));
}

}  // namespace
