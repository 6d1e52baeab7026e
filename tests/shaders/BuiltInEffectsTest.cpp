// "graph" and "3dobjects" from the bytes stored in the program, drawn on the software
// device: rectangles, images (turned or not) and box edges give the pixels their HLSL
// functions say.

#include "shader/BuiltInEffects.h"
#include "tarnwick/dx11/EffectCompiler.h"
#include "tests/effects/EffectDrawFixture.h"

#include <numbers>

namespace {

using qz::test::ComPtr;

class BuiltInEffect : public qz::test::EffectDrawTest {
protected:
    ComPtr<ID3DX11Effect> Load(const std::string& name)
    {
        ComPtr<ID3DX11Effect> effect;
        qz::dx11::EffectCompiler::LoadFromMemory(device.Get(), qz::shaders::CompiledEffect(name),
                                                 effect.ReleaseAndGetAddressOf());
        return effect;
    }
};

class Graph : public BuiltInEffect {
protected:
    void SetUp() override
    {
        BuiltInEffect::SetUp();
        graph = Load("graph");
        ASSERT_TRUE(graph);
    }

    // The rectangle of the overlay: pixel position and size on a screen of sw x sh.
    void Draw(const char* pass, float x, float y, float w, float h, float sw, float sh,
              std::array<float, 4> color)
    {
        const float position[4] = {2.0f * x / sw - 1.0f, 1.0f - 2.0f * y / sh, 0, 0};
        const float size[4] = {2.0f * w / sw, -2.0f * h / sh, 0, 0};
        graph->GetVariableByName("g_graphPos")->AsVector()->SetFloatVector(position);
        graph->GetVariableByName("g_graphSize")->AsVector()->SetFloatVector(size);
        graph->GetVariableByName("g_graphColor")->AsVector()->SetFloatVector(color.data());
        context->IASetInputLayout(nullptr);
        context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
        ASSERT_EQ(S_OK, graph->GetTechniqueByName("RenderGraphs")->GetPassByName(pass)->Apply(0, context.Get()));
        context->Draw(4, 0);
    }

    // A 2x2 image: red, green over blue, white.
    void SetImage(float angle)
    {
        const std::uint32_t texels[4] = {Rgba(255, 0, 0, 255), Rgba(0, 255, 0, 255), Rgba(0, 0, 255, 255),
                                         Rgba(255, 255, 255, 255)};
        const D3D11_TEXTURE2D_DESC desc = Texture2DDesc(2, 2, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE);
        const D3D11_SUBRESOURCE_DATA data{texels, 8, 0};
        ComPtr<ID3D11Texture2D> texture;
        ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, &data, texture.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), nullptr, image.ReleaseAndGetAddressOf()));
        graph->GetVariableByName("g_texImage")->AsShaderResource()->SetResource(image.Get());
        graph->GetVariableByName("g_rotationAngle")->AsScalar()->SetFloat(angle);
    }

    ComPtr<ID3DX11Effect> graph;
    ComPtr<ID3D11ShaderResourceView> image;
};

TEST_F(Graph, HoldsTheVariablesAndStatesTheOverlayUses)
{
    for (const char* name : {"g_graphPos", "g_graphSize", "g_graphColor"}) {
        EXPECT_TRUE(graph->GetVariableByName(name)->AsVector()->IsValid()) << name;
    }
    EXPECT_TRUE(graph->GetVariableByName("g_rotationAngle")->AsScalar()->IsValid());
    EXPECT_TRUE(graph->GetVariableByName("g_texImage")->AsShaderResource()->IsValid());
    for (const char* name : {"SSLinear", "BSAlphaBlending", "DSDisableDepth"}) {
        EXPECT_TRUE(graph->GetVariableByName(name)->IsValid()) << name;
    }
    MakeClearedTarget(4, 4, 0.0f);
    ASSERT_EQ(S_OK, graph->GetTechniqueByName("RenderGraphs")->GetPassByName("RenderBackgroundImage")->Apply(0, context.Get()));
    ComPtr<ID3D11BlendState> blend;
    context->OMGetBlendState(blend.ReleaseAndGetAddressOf(), nullptr, nullptr);
    ASSERT_TRUE(blend);
    D3D11_BLEND_DESC blendDesc{};
    blend->GetDesc(&blendDesc);
    const D3D11_RENDER_TARGET_BLEND_DESC expected{TRUE,           D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA,
                                                  D3D11_BLEND_OP_ADD, D3D11_BLEND_ONE,  D3D11_BLEND_ONE,
                                                  D3D11_BLEND_OP_ADD, 0x0F};
    EXPECT_EQ(0, std::memcmp(&expected, &blendDesc.RenderTarget[0], sizeof expected));
    ComPtr<ID3D11DepthStencilState> depth;
    context->OMGetDepthStencilState(depth.ReleaseAndGetAddressOf(), nullptr);
    ASSERT_TRUE(depth);
    D3D11_DEPTH_STENCIL_DESC depthDesc{};
    depth->GetDesc(&depthDesc);
    EXPECT_FALSE(depthDesc.DepthEnable);
    ComPtr<ID3D11SamplerState> sampler;
    context->PSGetSamplers(0, 1, sampler.ReleaseAndGetAddressOf());
    ASSERT_TRUE(sampler);
    D3D11_SAMPLER_DESC samplerDesc{};
    sampler->GetDesc(&samplerDesc);
    EXPECT_EQ(D3D11_FILTER_MIN_MAG_MIP_LINEAR, samplerDesc.Filter);
    EXPECT_EQ(D3D11_TEXTURE_ADDRESS_CLAMP, samplerDesc.AddressW);
}

TEST_F(Graph, ARectangleCoversItsPixelsAndBlendsByItsAlpha)
{
    MakeClearedTarget(64, 48, {0, 0, 1, 1});
    Draw("RenderBackground", 8, 4, 16, 8, 64, 48, {1.0f, 0.0f, 0.0f, 0.6f});
    const std::vector<std::uint32_t> pixels = Pixels();
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 8 && x < 24 && y >= 4 && y < 12;
            ASSERT_EQ(inside ? Rgba(153, 0, 102, 255) : Rgba(0, 0, 255, 255), pixels[y * 64 + x]) << x << "," << y;
        }
    }
}

TEST_F(Graph, AnImageIsSampledAcrossTheRectangle)
{
    MakeClearedTarget(32, 32, 0.0f);
    SetImage(0.0f);
    Draw("RenderBackgroundImage", 0, 0, 32, 32, 32, 32, {1, 1, 1, 1});
    EXPECT_EQ(Rgba(255, 0, 0, 255), Pixel(0, 0));
    EXPECT_EQ(Rgba(0, 255, 0, 255), Pixel(31, 0));
    EXPECT_EQ(Rgba(0, 0, 255, 255), Pixel(0, 31));
    EXPECT_EQ(Rgba(255, 255, 255, 255), Pixel(31, 31));
    // Between the texel centres the colours mix linearly.
    const std::uint32_t middle = Pixel(15, 0);
    EXPECT_NEAR(128, static_cast<int>(middle & 0xFF), 10);
    EXPECT_NEAR(128, static_cast<int>((middle >> 8) & 0xFF), 10);
}

TEST_F(Graph, AnImageTurnsAboutItsCentre)
{
    struct Turn {
        float angle;
        std::uint32_t topLeft;
        std::uint32_t topRight;
    };
    const float pi = std::numbers::pi_v<float>;
    for (const Turn& turn : {Turn{pi, Rgba(255, 255, 255, 255), Rgba(0, 0, 255, 255)},
                             Turn{pi / 2, Rgba(0, 255, 0, 255), Rgba(255, 255, 255, 255)},
                             Turn{3 * pi / 2, Rgba(0, 0, 255, 255), Rgba(255, 0, 0, 255)}}) {
        MakeClearedTarget(32, 32, 0.0f);
        SetImage(turn.angle);
        Draw("RenderBackgroundImage", 0, 0, 32, 32, 32, 32, {1, 1, 1, 1});
        EXPECT_EQ(turn.topLeft, Pixel(0, 0)) << turn.angle;
        EXPECT_EQ(turn.topRight, Pixel(31, 0)) << turn.angle;
    }
}

TEST_F(Graph, TheImageIsTintedByTheColour)
{
    MakeClearedTarget(8, 8, 0.0f);
    SetImage(0.0f);
    Draw("RenderBackgroundImage", 0, 0, 8, 8, 8, 8, {1.0f, 0.5f, 1.0f, 1.0f});
    EXPECT_EQ(Rgba(255, 128, 255, 255), Pixel(7, 7));
}

class Objects : public BuiltInEffect {};

TEST_F(Objects, BoxEdgesAreDrawnWithTheDepthTest)
{
    ComPtr<ID3DX11Effect> objects = Load("3dobjects");
    ASSERT_TRUE(objects);
    ID3DX11EffectPass* pass = objects->GetTechniqueByIndex(0)->GetPassByIndex(0);
    D3DX11_PASS_DESC desc{};
    ASSERT_EQ(S_OK, pass->GetDesc(&desc));
    const D3D11_INPUT_ELEMENT_DESC element{"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0};
    ComPtr<ID3D11InputLayout> layout;
    ASSERT_EQ(S_OK, device->CreateInputLayout(&element, 1, desc.pIAInputSignature, desc.IAInputSignatureSize,
                                              layout.ReleaseAndGetAddressOf()));
    const float corners[] = {-1, -1, -1, -1, 1, -1, 1, 1, -1, 1, -1, -1, -1, -1, 1, -1, 1, 1, 1, 1, 1, 1, -1, 1};
    const std::uint32_t edges[] = {0, 1, 1, 2, 2, 3, 3, 0, 2, 6, 6, 7, 7, 3, 6, 5, 5, 4, 4, 7, 1, 5, 0, 4};
    ComPtr<ID3D11Buffer> vertices;
    ComPtr<ID3D11Buffer> indices;
    const D3D11_SUBRESOURCE_DATA vertexData{corners, 0, 0};
    const D3D11_SUBRESOURCE_DATA indexData{edges, 0, 0};
    const D3D11_BUFFER_DESC vertexDesc = BufferDesc(sizeof corners, D3D11_BIND_VERTEX_BUFFER);
    const D3D11_BUFFER_DESC indexDesc = BufferDesc(sizeof edges, D3D11_BIND_INDEX_BUFFER | D3D11_BIND_VERTEX_BUFFER);
    ASSERT_EQ(S_OK, device->CreateBuffer(&vertexDesc, &vertexData, vertices.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, device->CreateBuffer(&indexDesc, &indexData, indices.ReleaseAndGetAddressOf()));
    MakeClearedTarget(64, 64, {0, 0, 0, 1}, true);
    context->IASetInputLayout(layout.Get());
    const UINT stride = 12;
    const UINT offset = 0;
    ID3D11Buffer* vertexBuffer = vertices.Get();
    context->IASetVertexBuffers(0, 1, &vertexBuffer, &stride, &offset);
    context->IASetIndexBuffer(indices.Get(), DXGI_FORMAT_R32_UINT, 0);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_LINELIST);
    auto draw = [&](float depthShift, std::array<float, 4> color) {
        // Half size, depth from 0.25 to 0.75 (plus the shift), as row vectors.
        const float matrix[16] = {0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0.5f + depthShift, 1};
        objects->GetVariableByName("g_matWorldViewProjection")->AsMatrix()->SetMatrix(matrix);
        objects->GetVariableByName("g_color")->AsVector()->SetFloatVector(color.data());
        ASSERT_EQ(S_OK, pass->Apply(0, context.Get()));
        context->DrawIndexed(24, 0, 0);
    };
    draw(0.0f, {0, 1, 0, 1});
    draw(0.1f, {1, 0, 0, 1});  // behind what is drawn: the depth test keeps it out
    const std::vector<std::uint32_t> pixels = Pixels();
    const std::uint32_t green = Rgba(0, 255, 0, 255);
    auto greenIn = [&](int x0, int x1, int y0, int y1) {
        int count = 0;
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                count += pixels[y * 64 + x] == green ? 1 : 0;
            }
        }
        return count;
    };
    EXPECT_EQ(0, static_cast<int>(std::count(pixels.begin(), pixels.end(), Rgba(255, 0, 0, 255))));
    EXPECT_EQ(Rgba(0, 0, 0, 255), pixels[32 * 64 + 32]);
    // The square's four sides, each one pixel wide at x or y = 16 or 48 (either side of
    // the pixel border the edge runs along).
    EXPECT_EQ(20, greenIn(15, 16, 22, 41));
    EXPECT_EQ(20, greenIn(47, 48, 22, 41));
    EXPECT_EQ(20, greenIn(22, 41, 15, 16));
    EXPECT_EQ(20, greenIn(22, 41, 47, 48));
    EXPECT_EQ(0, greenIn(20, 44, 20, 44));
}

TEST(BuiltInEffects, OnlyTheTwoEffectsAreStored)
{
    EXPECT_FALSE(qz::shaders::CompiledEffect("graph").empty());
    EXPECT_FALSE(qz::shaders::CompiledEffect("3dobjects").empty());
    EXPECT_TRUE(qz::shaders::CompiledEffect("other").empty());
}

}  // namespace
