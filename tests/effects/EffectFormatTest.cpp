// The compiled-effect bytes: whole effects read back as written; cut, lengthened,
// foreign or damaged bytes are refused or read safely, never past their end.

#include "platform/effects/D3DX11Effect.h"
#include "tests/d3d11/DeviceFixture.h"
#include "tests/effects/EffectTestSupport.h"

#include <cstring>

namespace {

using platform::effects::EffectInfo;
using platform::effects::ReadEffect;
using qz::test::CompileText;
using qz::test::ComPtr;

const char* const kSample = R"(
cbuffer cb { float4 tint; row_major float3x4 m[2]; int mode = 3; };
Texture2D image;
SamplerState linear { Filter = MIN_MAG_MIP_LINEAR; };
BlendState blend { BlendEnable[0] = TRUE; };
DepthStencilState depth { DepthEnable = FALSE; };
RasterizerState raster { CullMode = NONE; };
struct VSIn { float3 p : POSITION; float2 uv : TEXCOORD0; };
float4 VS(VSIn v) : SV_Position { return float4(v.p, 1); }
float4 PS(float4 p : SV_Position, uniform bool lit) : SV_Target { return tint; }
technique11 T {
    pass A { SetVertexShader(CompileShader(vs_5_0, VS())); SetPixelShader(CompileShader(ps_5_0, PS(true)));
             SetBlendState(blend, float4(1, 2, 3, 4), 0xFF); SetDepthStencilState(depth, 7); SetRasterizerState(raster); }
}
)";

class EffectFormat : public qz::test::DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        compiled = CompileText(kSample, "sample", {{"MODE", "1"}});
        ASSERT_TRUE(compiled.ok) << compiled.messages;
    }

    HRESULT Create(const std::vector<std::byte>& bytes)
    {
        ComPtr<ID3DX11Effect> effect;
        const HRESULT hr = D3DX11CreateEffectFromMemory(bytes.data(), bytes.size(), 0, device.Get(),
                                                         effect.ReleaseAndGetAddressOf());
        EXPECT_EQ(SUCCEEDED(hr), effect.Get() != nullptr);
        return hr;
    }

    qz::test::Compiled compiled;
};

TEST_F(EffectFormat, ReadsBackWhatWasWritten)
{
    const EffectInfo& e = compiled.effect;
    EXPECT_EQ("sample", e.name);
    EXPECT_EQ((qz::test::Macros{{"MODE", "1"}}), e.macros);
    ASSERT_EQ(1u, e.buffers.size());
    const auto* m = qz::test::FindVariable(e, "m");
    ASSERT_NE(nullptr, m);
    EXPECT_EQ(2u, m->elements);
    EXPECT_EQ(3u, m->rows);
    EXPECT_EQ(4u, m->columns);
    EXPECT_FALSE(m->columnMajor);
    std::int32_t mode = 0;
    std::memcpy(&mode, e.buffers[0].initial.data() + qz::test::FindVariable(e, "mode")->offset, 4);
    EXPECT_EQ(3, mode);
    const auto& pass = e.techniques.at(0).passes.at(0);
    EXPECT_EQ(std::vector<std::string>{"true"}, pass.shaders[1].arguments);
    EXPECT_EQ(2u, pass.inputs.size());
    EXPECT_EQ(3.0f, pass.blendFactor[2]);
    EXPECT_EQ(7u, pass.stencilRef);
    EXPECT_EQ(D3D11_CULL_NONE, qz::test::FindVariable(e, "raster")->rasterizer.CullMode);
    EXPECT_EQ(S_OK, Create(compiled.code));
}

TEST_F(EffectFormat, EveryCutIsRefused)
{
    ::testing::internal::CaptureStderr();
    for (std::size_t size = 0; size < compiled.code.size(); ++size) {
        const std::vector<std::byte> cut(compiled.code.begin(), compiled.code.begin() + static_cast<std::ptrdiff_t>(size));
        EffectInfo effect;
        std::string error;
        EXPECT_FALSE(ReadEffect(cut.data(), cut.size(), effect, error)) << size;
        EXPECT_EQ(E_FAIL, Create(cut)) << size;
    }
    EXPECT_NE(std::string::npos, ::testing::internal::GetCapturedStderr().find(
                                     "D3DX11CreateEffectFromMemory: effect: compiled effect is cut"));
}

TEST_F(EffectFormat, TrailingBytesOtherVersionsAndForeignBytesAreRefused)
{
    std::vector<std::byte> longer = compiled.code;
    longer.push_back(std::byte{0});
    std::vector<std::byte> newer = compiled.code;
    newer[4] = std::byte{2};
    std::vector<std::byte> foreign = compiled.code;
    foreign[0] = std::byte{'D'};
    EffectInfo effect;
    std::string error;
    EXPECT_FALSE(ReadEffect(longer.data(), longer.size(), effect, error));
    EXPECT_EQ("compiled effect is cut or has bytes beyond its end", error);
    EXPECT_FALSE(ReadEffect(newer.data(), newer.size(), effect, error));
    EXPECT_EQ("compiled effect of version 2, this runtime reads version 1", error);
    EXPECT_FALSE(ReadEffect(foreign.data(), foreign.size(), effect, error));
    EXPECT_EQ("not a compiled effect", error);
    EXPECT_EQ(E_INVALIDARG, D3DX11CreateEffectFromMemory(compiled.code.data(), compiled.code.size(), 0, nullptr,
                                                         nullptr));
}

TEST_F(EffectFormat, DamagedBytesAreRefusedOrMakeAWorkingEffect)
{
    ::testing::internal::CaptureStderr();  // a reason per refusal
    for (std::size_t at = 12; at < compiled.code.size(); ++at) {
        for (std::uint8_t flip : {std::uint8_t{0x01}, std::uint8_t{0x80}, std::uint8_t{0xFF}}) {
            std::vector<std::byte> damaged = compiled.code;
            damaged[at] ^= std::byte{flip};
            ComPtr<ID3DX11Effect> effect;
            if (SUCCEEDED(D3DX11CreateEffectFromMemory(damaged.data(), damaged.size(), 0, device.Get(),
                                                       effect.ReleaseAndGetAddressOf()))) {
                ID3DX11EffectPass* pass = effect->GetTechniqueByIndex(0)->GetPassByIndex(0);
                pass->Apply(0, context.Get());
                float values[16] = {};
                effect->GetVariableByIndex(0)->AsVector()->SetFloatVector(values);
                effect->GetVariableByIndex(1)->AsMatrix()->SetMatrixArray(values, 1, 1);
            }
        }
    }
    context->ClearState();
    ::testing::internal::GetCapturedStderr();
}

}  // namespace
