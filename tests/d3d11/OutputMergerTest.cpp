// The output merger's routines for many lanes of one colour give the bytes of its
// lane-by-lane arithmetic, over every stored byte; the lane-by-lane routines of 8-bit
// targets give the bytes of the format's codec and the blend equation.

#include "tests/d3d11/RenderFixture.h"

#include "platform/d3d11/formats/FormatCodec.h"
#include "platform/d3d11/pipeline/Blend.h"

#include <cmath>
#include <limits>

namespace {

using qz::test::At;
using qz::test::ComPtr;
using qz::test::RenderTest;
using qz::test::Vertex;

class OutputMerger : public RenderTest {
protected:
    // A 64x64 target whose pixels hold every byte value in every channel.
    void MakeStripedTarget(DXGI_FORMAT format)
    {
        MakeTarget(64, 64, format);
        std::vector<std::uint32_t> pixels(64 * 64);
        for (std::uint32_t i = 0; i < pixels.size(); ++i) {
            pixels[i] = Rgba(i & 0xFF, (i * 7) & 0xFF, (i * 13) & 0xFF, (i * 29) & 0xFF);
        }
        context->UpdateSubresource(target.Get(), 0, nullptr, pixels.data(), 64 * 4, 0);
    }

    void SetBlend(const D3D11_RENDER_TARGET_BLEND_DESC& targetBlend)
    {
        D3D11_BLEND_DESC desc{};
        desc.RenderTarget[0] = targetBlend;
        ASSERT_EQ(S_OK, device->CreateBlendState(&desc, blend.ReleaseAndGetAddressOf()));
        context->OMSetBlendState(blend.Get(), nullptr, D3D11_DEFAULT_SAMPLE_MASK);
    }

    // One colour over the whole target: as one rectangle (long spans), or as 2x2 squares
    // (spans of one quad).
    std::vector<std::uint32_t> Cover(const float colour[4], bool whole)
    {
        context->RSSetState(noCulling.Get());
        std::vector<Vertex> vertices;
        const int step = whole ? 64 : 2;
        for (int y = 0; y < 64; y += step) {
            for (int x = 0; x < 64; x += step) {
                auto corner = [&](int cx, int cy) {
                    return At(cx / 32.0f - 1.0f, 1.0f - cy / 32.0f, 0, colour[0], colour[1], colour[2], colour[3]);
                };
                for (const Vertex& v : {corner(x, y), corner(x + step, y), corner(x, y + step), corner(x + step, y),
                                        corner(x + step, y + step), corner(x, y + step)}) {
                    vertices.push_back(v);
                }
            }
        }
        Draw(vertices, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        return Pixels();
    }

    // Every pixel of `after` is the codec's bytes of the equation over `before`'s, the
    // source being colourOf(x, y) saturated.
    static void ExpectCodecAndEquation(const d3d11sw::FormatCodec& codec, const D3D11_RENDER_TARGET_BLEND_DESC& equation,
                                       const std::vector<std::uint32_t>& before, const std::vector<std::uint32_t>& after,
                                       d3d11sw::Float4 (*colourOf)(int, int))
    {
        const d3d11sw::BlendEquation blending(equation);
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const d3d11sw::Float4 raw = colourOf(x, y);
                auto saturate = [](float v) { return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; };
                const d3d11sw::Float4 source{saturate(raw.x), saturate(raw.y), saturate(raw.z), saturate(raw.w)};
                const std::uint32_t stored = before[static_cast<std::size_t>(y) * 64 + x];
                const d3d11sw::Float4 destination = codec.load(reinterpret_cast<const std::byte*>(&stored));
                const d3d11sw::Float4 result =
                    equation.BlendEnable ? blending.Apply(source, destination, d3d11sw::Float4{}) : source;
                std::uint32_t expected = 0;
                codec.store(result, reinterpret_cast<std::byte*>(&expected));
                ASSERT_EQ(expected, after[static_cast<std::size_t>(y) * 64 + x])
                    << equation.SrcBlend << " " << equation.DestBlendAlpha << " at " << x << "," << y;
            }
        }
    }

    ComPtr<ID3D11BlendState> blend;
};

// A colour of its own for every pixel, with values out of range, NaN and the alphas 0
// and 1 among them.
d3d11sw::Float4 ColourOfPixel(int x, int y)
{
    const std::uint32_t h = (static_cast<std::uint32_t>(x) * 73856093u) ^ (static_cast<std::uint32_t>(y) * 19349663u);
    auto channel = [h](int shift) {
        const std::uint32_t bits = (h >> shift) & 0xFF;
        if (bits == 7) return std::numeric_limits<float>::quiet_NaN();
        if (bits < 20) return 0.0f;
        if (bits > 235) return 1.0f;
        return static_cast<float>(bits) / 200.0f - 0.1f;
    };
    return {channel(0), channel(8), channel(16), channel(3)};
}

TEST_F(OutputMerger, OneColourOverManyLanesGivesTheBytesOfEachLane)
{
    const D3D11_RENDER_TARGET_BLEND_DESC overAdd{TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA,
                                                 D3D11_BLEND_OP_ADD, D3D11_BLEND_ONE, D3D11_BLEND_ONE,
                                                 D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL};
    const D3D11_RENDER_TARGET_BLEND_DESC overOver{TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA,
                                                  D3D11_BLEND_OP_ADD, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA,
                                                  D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL};
    const D3D11_RENDER_TARGET_BLEND_DESC additive{TRUE, D3D11_BLEND_ONE, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD,
                                                  D3D11_BLEND_ONE, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD,
                                                  D3D11_COLOR_WRITE_ENABLE_ALL};
    const float colours[][4] = {{0.2f, 0.5f, 0.9f, 0.5f}, {1.0f, 0.25f, 0.0f, 0.0f}, {0.3f, 0.6f, 0.1f, 1.0f},
                                {0.7f, 0.05f, 0.4f, 0.8f}, {2.0f, -1.0f, 0.5f, 0.35f}};
    for (DXGI_FORMAT format : {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_FORMAT_B8G8R8A8_UNORM}) {
        for (const auto* equation : {&overAdd, &overOver, &additive}) {
            for (const auto& colour : colours) {
                MakeStripedTarget(format);
                SetBlend(*equation);
                const std::vector<std::uint32_t> lanes = Cover(colour, false);
                MakeStripedTarget(format);
                SetBlend(*equation);
                ASSERT_EQ(lanes, Cover(colour, true)) << format << " " << equation->DestBlendAlpha << " " << colour[3];
            }
        }
    }
}

TEST_F(OutputMerger, LanesOfEightBitTargetsGiveTheBytesOfTheCodecAndTheEquation)
{
    d3d11sw::PixelShaderDesc desc;
    desc.kernel = d3d11sw::MakePixelKernel([](const d3d11sw::StageResources&, d3d11sw::PixelQuad& quad) {
        for (int lane = 0; lane < 4; ++lane) {
            quad.Target(0)[lane] = ColourOfPixel(quad.X() + (lane & 1), quad.Y() + (lane >> 1));
        }
    });
    ComPtr<ID3D11PixelShader> perPixel;
    ASSERT_EQ(S_OK, d3d11sw::CreatePixelShader(device.Get(), desc, perPixel.ReleaseAndGetAddressOf()));
    const D3D11_RENDER_TARGET_BLEND_DESC equations[] = {
        {FALSE, D3D11_BLEND_ONE, D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD, D3D11_BLEND_ONE, D3D11_BLEND_ZERO,
         D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL},
        {TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD, D3D11_BLEND_ONE, D3D11_BLEND_ONE,
         D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL},
        {TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD, D3D11_BLEND_SRC_ALPHA,
         D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL},
        {TRUE, D3D11_BLEND_ONE, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD, D3D11_BLEND_ONE, D3D11_BLEND_ONE,
         D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL},
        {TRUE, D3D11_BLEND_DEST_COLOR, D3D11_BLEND_INV_SRC_COLOR, D3D11_BLEND_OP_REV_SUBTRACT, D3D11_BLEND_INV_DEST_ALPHA,
         D3D11_BLEND_SRC_ALPHA_SAT, D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL}};
    for (DXGI_FORMAT format : {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_FORMAT_B8G8R8A8_UNORM,
                               DXGI_FORMAT_B8G8R8A8_UNORM_SRGB}) {
        const d3d11sw::FormatCodec& codec = d3d11sw::CodecOf(format);
        for (const D3D11_RENDER_TARGET_BLEND_DESC& equation : equations) {
            MakeStripedTarget(format);
            const std::vector<std::uint32_t> before = Pixels();
            SetBlend(equation);
            context->PSSetShader(perPixel.Get(), nullptr, 0);
            const float unused[4] = {};
            const std::vector<std::uint32_t> after = Cover(unused, true);
            ExpectCodecAndEquation(codec, equation, before, after, &ColourOfPixel);
        }
    }
}

// Quads of text: one colour, the alphas of a few coverages, repeated over one background;
// then in finer glyphs over what the coarse ones left, the same quads of alphas over
// several backgrounds. The quad memo remembers them.
d3d11sw::Float4 GlyphOfPixel(int x, int y)
{
    static constexpr float kCoverage[16] = {0.0f, 0.0f, 0.25f, 1.0f, 0.5f, 0.0f, 1.0f, 0.75f,
                                            0.0f, 0.1f, 0.0f, 0.0f, 1.0f, 0.6f, 0.3f, 0.0f};
    return {0.9f, 0.8f, 0.1f, 0.95f * kCoverage[(x % 4) + 4 * (y % 4)]};
}

d3d11sw::Float4 CoarseGlyphOfPixel(int x, int y) { return GlyphOfPixel(x / 2 + 1, y / 2); }

TEST_F(OutputMerger, QuadsOfOneColourGiveTheBytesOfTheCodecAndTheEquation)
{
    d3d11sw::Float4 (*const passes[2])(int, int) = {&CoarseGlyphOfPixel, &GlyphOfPixel};
    ComPtr<ID3D11PixelShader> glyphs[2];
    for (int pass = 0; pass < 2; ++pass) {
        d3d11sw::PixelShaderDesc desc;
        desc.kernel = d3d11sw::MakePixelKernel([colourOf = passes[pass]](const d3d11sw::StageResources&, d3d11sw::PixelQuad& quad) {
            for (int lane = 0; lane < 4; ++lane) {
                quad.Target(0)[lane] = colourOf(quad.X() + (lane & 1), quad.Y() + (lane >> 1));
            }
        });
        ASSERT_EQ(S_OK, d3d11sw::CreatePixelShader(device.Get(), desc, glyphs[pass].ReleaseAndGetAddressOf()));
    }
    const D3D11_RENDER_TARGET_BLEND_DESC equations[] = {
        {TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD, D3D11_BLEND_ONE, D3D11_BLEND_ONE,
         D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL},
        {TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD, D3D11_BLEND_SRC_ALPHA,
         D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL}};
    for (DXGI_FORMAT format : {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, DXGI_FORMAT_B8G8R8A8_UNORM}) {
        const d3d11sw::FormatCodec& codec = d3d11sw::CodecOf(format);
        for (const D3D11_RENDER_TARGET_BLEND_DESC& equation : equations) {
            MakeTarget(64, 64, format);
            Clear(0.15f, 0.15f, 0.2f, 0.8f);
            SetBlend(equation);
            const float unused[4] = {};
            for (int pass = 0; pass < 2; ++pass) {
                context->PSSetShader(glyphs[pass].Get(), nullptr, 0);
                const std::vector<std::uint32_t> before = Pixels();
                const std::vector<std::uint32_t> after = Cover(unused, pass == 0);
                ExpectCodecAndEquation(codec, equation, before, after, passes[pass]);
            }
        }
    }
}

// A kernel that says it writes one colour is not run; its spans get the bytes the
// colour gives through the span routines.
class OneColourKernel final : public d3d11sw::PixelKernel {
public:
    explicit OneColourKernel(const float colour[4]) : colour_{colour[0], colour[1], colour[2], colour[3]} {}
    bool OneColour(const d3d11sw::StageResources&, d3d11sw::Float4& colour) const override
    {
        colour = colour_;
        return true;
    }
    void Shade(const d3d11sw::StageResources&, d3d11sw::PixelSpan&) const override { ADD_FAILURE() << "shaded"; }

private:
    d3d11sw::Float4 colour_;
};

TEST_F(OutputMerger, KernelsOfOneColourGiveTheBytesOfTheirSpans)
{
    const D3D11_RENDER_TARGET_BLEND_DESC equations[] = {
        {FALSE, D3D11_BLEND_ONE, D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD, D3D11_BLEND_ONE, D3D11_BLEND_ZERO,
         D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL},
        {TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD, D3D11_BLEND_ONE, D3D11_BLEND_ONE,
         D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL},
        {TRUE, D3D11_BLEND_ONE, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD, D3D11_BLEND_ONE, D3D11_BLEND_ONE,
         D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL},
        {TRUE, D3D11_BLEND_DEST_COLOR, D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD, D3D11_BLEND_ONE, D3D11_BLEND_ZERO,
         D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL},
        {FALSE, D3D11_BLEND_ONE, D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD, D3D11_BLEND_ONE, D3D11_BLEND_ZERO,
         D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_RED | D3D11_COLOR_WRITE_ENABLE_ALPHA}};
    const float colours[][4] = {{0.2f, 0.5f, 0.9f, 0.5f}, {1.0f, 0.25f, 0.0f, 0.0f}, {2.0f, -1.0f, 0.5f, 1.0f}};
    for (DXGI_FORMAT format : {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, DXGI_FORMAT_B8G8R8A8_UNORM, DXGI_FORMAT_R10G10B10A2_UNORM}) {
        for (const D3D11_RENDER_TARGET_BLEND_DESC& equation : equations) {
            for (const auto& colour : colours) {
                for (bool whole : {false, true}) {
                    MakeStripedTarget(format);
                    SetBlend(equation);
                    const std::vector<std::uint32_t> shaded = Cover(colour, whole);
                    MakeStripedTarget(format);
                    SetBlend(equation);
                    ComPtr<ID3D11PixelShader> one;
                    ASSERT_EQ(S_OK, d3d11sw::CreatePixelShader(device.Get(), {std::make_shared<OneColourKernel>(colour)},
                                                               one.ReleaseAndGetAddressOf()));
                    context->PSSetShader(one.Get(), nullptr, 0);
                    ASSERT_EQ(shaded, Cover(colour, whole))
                        << format << " " << equation.SrcBlend << " " << equation.RenderTargetWriteMask << " " << colour[3];
                }
            }
        }
    }
}

}  // namespace
