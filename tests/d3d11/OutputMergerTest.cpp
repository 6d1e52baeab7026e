// The output merger's routines for many lanes of one colour give the bytes of its
// lane-by-lane arithmetic, over every stored byte.

#include "tests/d3d11/RenderFixture.h"

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

    ComPtr<ID3D11BlendState> blend;
};

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

}  // namespace
