// Kernels written per span see the values the quad forms give: varyings (perspective
// and not) and samples (one level and several, point and linear, inside and outside the
// texture), bit for bit.

#include "tests/d3d11/RenderFixture.h"

namespace {

using d3d11sw::Float4;
using d3d11sw::PixelSpan;
using d3d11sw::SpanFloat4;
using d3d11sw::StageResources;
using qz::test::ComPtr;
using qz::test::RenderTest;
using qz::test::Vertex;
using Quad4 = d3d11sw::Quad<Float4>;

// Writes varying 0, or the sample of texture 0 at its (x, y); per quad or per span, or
// (samples of one level) lane by lane, which the vector routines of four lanes leave alone.
class Probe final : public d3d11sw::PixelKernel {
public:
    Probe(bool sample, bool perSpan, bool perLane = false) : sample_(sample), perSpan_(perSpan), perLane_(perLane) {}

    void Shade(const StageResources& resources, PixelSpan& span) const override
    {
        if (perLane_) {
            for (int quad = 0; quad < span.Count(); ++quad) {
                const Quad4 varying = span.Varying(quad, 0);
                for (int lane = 0; lane < 4; ++lane) {
                    span.Target(quad, 0)[lane] =
                        resources.SampleLevel(0, 0, Float4{varying[lane].x, varying[lane].y, 0.0f, 0.0f}, 0.0f);
                }
            }
            return;
        }
        if (perSpan_) {
            SpanFloat4 varying;
            span.Varying(0, varying);
            if (sample_) {
                SpanFloat4 texel;
                resources.Sample(0, 0, span, varying.x, varying.y, texel);
                span.SetTarget(0, texel);
            } else {
                span.SetTarget(0, varying);
            }
            return;
        }
        for (int quad = 0; quad < span.Count(); ++quad) {
            Quad4 varying = span.Varying(quad, 0);
            if (sample_) {
                for (int lane = 0; lane < 4; ++lane) {
                    varying[lane].z = varying[lane].w = 0.0f;
                }
                span.Target(quad, 0) = resources.Sample(0, 0, varying);
            } else {
                span.Target(quad, 0) = varying;
            }
        }
    }

private:
    bool sample_;
    bool perSpan_;
    bool perLane_;
};

class SpanKernel : public RenderTest {
protected:
    static constexpr UINT kWidth = 53;
    static constexpr UINT kHeight = 37;

    // Triangles of several w over the target, the colour running from -0.7 to 1.6 (texture
    // coordinates outside the texture among them).
    // flat: w 1 everywhere, the varying's z and w the same at every vertex (0.3 and -0).
    std::vector<float> Draw(bool sample, bool perSpan, bool perLane = false, bool flat = false)
    {
        MakeTarget(kWidth, kHeight, DXGI_FORMAT_R32G32B32A32_FLOAT);
        context->RSSetState(noCulling.Get());
        ComPtr<ID3D11PixelShader> shader;
        EXPECT_EQ(S_OK, d3d11sw::CreatePixelShader(device.Get(), {std::make_shared<Probe>(sample, perSpan, perLane)},
                                                   shader.ReleaseAndGetAddressOf()));
        context->PSSetShader(shader.Get(), nullptr, 0);
        auto at = [flat](float x, float y, float w, float u, float v) {
            if (flat) {
                return Vertex{x, y, 0.5f, 1.0f, u, v, 0.3f, -0.0f};
            }
            return Vertex{x * w, y * w, 0.5f * w, w, u, v, u * 0.5f - 0.1f, v + 0.25f};
        };
        const std::vector<Vertex> vertices = {at(-1.0f, 1.0f, 1.0f, -0.7f, -0.3f), at(1.0f, 1.0f, 3.0f, 1.6f, -0.2f),
                                              at(-1.0f, -1.0f, 2.0f, -0.1f, 1.4f), at(0.9f, -0.8f, 1.0f, 1.1f, 1.3f),
                                              at(0.2f, 0.95f, 1.0f, 0.1f, 0.0f), at(-0.6f, 0.1f, 1.0f, 0.9f, 0.8f)};
        RenderTest::Draw(vertices, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        return Floats();
    }

    std::vector<float> Floats() { return TargetValues<float>(4); }

    void UseTexture(DXGI_FORMAT format, UINT side, UINT levels, D3D11_FILTER filter, D3D11_TEXTURE_ADDRESS_MODE address)
    {
        const UINT bytes = format == DXGI_FORMAT_R8_UNORM ? 1 : 4;
        std::vector<std::uint8_t> texels(std::size_t{side} * side * bytes * 2);
        for (std::size_t i = 0; i < texels.size(); ++i) {
            texels[i] = static_cast<std::uint8_t>(i * 37 + 11);
        }
        const D3D11_TEXTURE2D_DESC desc = Texture2DDesc(side, side, format, D3D11_BIND_SHADER_RESOURCE, levels);
        std::vector<D3D11_SUBRESOURCE_DATA> init;
        for (UINT level = 0; level < levels; ++level) {
            init.push_back({texels.data(), std::max(side >> level, 1u) * bytes, 0});
        }
        ComPtr<ID3D11Texture2D> texture;
        ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, init.data(), texture.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), nullptr, view.ReleaseAndGetAddressOf()));
        const D3D11_SAMPLER_DESC samplerDesc{filter, address, address, address, 0, 1, D3D11_COMPARISON_NEVER,
                                             {0.25f, 0.5f, 0.75f, 1.0f}, 0, D3D11_FLOAT32_MAX};
        ASSERT_EQ(S_OK, device->CreateSamplerState(&samplerDesc, sampler.ReleaseAndGetAddressOf()));
        ID3D11ShaderResourceView* rawView = view.Get();
        ID3D11SamplerState* rawSampler = sampler.Get();
        context->PSSetShaderResources(0, 1, &rawView);
        context->PSSetSamplers(0, 1, &rawSampler);
    }

    ComPtr<ID3D11ShaderResourceView> view;
    ComPtr<ID3D11SamplerState> sampler;
};

bool SameBits(const std::vector<float>& a, const std::vector<float>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

TEST_F(SpanKernel, VaryingsOfASpanAreThoseOfItsQuads)
{
    const std::vector<float> quads = Draw(false, false);
    EXPECT_NE(quads, std::vector<float>(quads.size(), 0.0f));
    EXPECT_TRUE(SameBits(quads, Draw(false, true)));
    const std::vector<float> flat = Draw(false, false, false, true);
    EXPECT_TRUE(SameBits(flat, Draw(false, true, false, true)));
}

TEST_F(SpanKernel, SamplesOfASpanAreThoseOfItsQuads)
{
    struct Case {
        DXGI_FORMAT format;
        UINT side;
        UINT levels;
        D3D11_FILTER filter;
        D3D11_TEXTURE_ADDRESS_MODE address;
    } const cases[] = {
        {DXGI_FORMAT_R8G8B8A8_UNORM, 16, 1, D3D11_FILTER_MIN_MAG_MIP_POINT, D3D11_TEXTURE_ADDRESS_CLAMP},
        {DXGI_FORMAT_R8G8B8A8_UNORM, 16, 1, D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_WRAP},
        {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, 8, 1, D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_BORDER},
        {DXGI_FORMAT_R8_UNORM, 8, 1, D3D11_FILTER_MIN_MAG_MIP_POINT, D3D11_TEXTURE_ADDRESS_MIRROR},
        {DXGI_FORMAT_R8_UNORM, 8, 1, D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_CLAMP},
        {DXGI_FORMAT_R8G8B8A8_UNORM, 64, 4, D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_WRAP},
        {DXGI_FORMAT_R8G8B8A8_UNORM, 16, 1, D3D11_FILTER_MIN_POINT_MAG_LINEAR_MIP_POINT, D3D11_TEXTURE_ADDRESS_CLAMP},
        {DXGI_FORMAT_B8G8R8A8_UNORM, 16, 1, D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_CLAMP},
        {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, 16, 1, D3D11_FILTER_MIN_MAG_MIP_POINT, D3D11_TEXTURE_ADDRESS_WRAP},
        {DXGI_FORMAT_R32_FLOAT, 16, 1, D3D11_FILTER_MIN_MAG_MIP_POINT, D3D11_TEXTURE_ADDRESS_CLAMP},
        {DXGI_FORMAT_R32_FLOAT, 16, 1, D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_CLAMP},
    };
    for (const Case& c : cases) {
        UseTexture(c.format, c.side, c.levels, c.filter, c.address);
        const std::vector<float> quads = Draw(true, false);
        EXPECT_NE(quads, std::vector<float>(quads.size(), 0.0f));
        EXPECT_TRUE(SameBits(quads, Draw(true, true))) << c.format << " " << c.levels << " " << c.filter << " " << c.address;
        const bool oneFilter = c.filter == D3D11_FILTER_MIN_MAG_MIP_POINT || c.filter == D3D11_FILTER_MIN_MAG_MIP_LINEAR;
        if (c.levels == 1 && oneFilter) {
            EXPECT_TRUE(SameBits(quads, Draw(true, false, true))) << c.format << " " << c.filter << " lane by lane";
        }
    }
}

}  // namespace
