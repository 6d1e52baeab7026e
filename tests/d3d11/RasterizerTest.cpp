// Draws read back pixel by pixel: coverage rules, strips, culling, lines, depth,
// blending and perspective-correct varyings.

#include "tests/d3d11/RenderFixture.h"

#include <algorithm>
#include <cstring>

namespace {

using qz::test::At;
using qz::test::ComPtr;
using qz::test::RenderTest;
using qz::test::Vertex;

// Clip-space vertex of a screen position on an 8x8 target.
Vertex Screen(float x, float y, float z, float r, float g, float b, float a = 1.0f)
{
    return At(x / 4.0f - 1.0f, 1.0f - y / 4.0f, z, r, g, b, a);
}

// The same on a 32x32 target, in one colour.
Vertex Screen32(float x, float y, float red)
{
    return At(x / 16.0f - 1.0f, 1.0f - y / 16.0f, 0, red, 0, 0, red);
}

class Rasterizer : public RenderTest {
protected:
    void SetBlend(D3D11_BLEND source, D3D11_BLEND destination, D3D11_BLEND sourceAlpha = D3D11_BLEND_ONE,
                  D3D11_BLEND destinationAlpha = D3D11_BLEND_ONE)
    {
        D3D11_BLEND_DESC desc{};
        desc.RenderTarget[0] = {TRUE, source, destination, D3D11_BLEND_OP_ADD, sourceAlpha, destinationAlpha,
                                D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL};
        ASSERT_EQ(S_OK, device->CreateBlendState(&desc, blend.ReleaseAndGetAddressOf()));
        context->OMSetBlendState(blend.Get(), nullptr, D3D11_DEFAULT_SAMPLE_MASK);
    }

    static int CountOf(const std::vector<std::uint32_t>& pixels, std::uint32_t value)
    {
        return static_cast<int>(std::count(pixels.begin(), pixels.end(), value));
    }

    ComPtr<ID3D11BlendState> blend;
};

TEST_F(Rasterizer, SharedEdgesAreCoveredExactlyOnce)
{
    MakeTarget(8, 8);
    Clear(0, 0, 0, 0);
    context->RSSetState(noCulling.Get());
    SetBlend(D3D11_BLEND_ONE, D3D11_BLEND_ONE);
    const float q = 0.25f;
    Draw({Screen(0, 0, 0, q, 0, 0, q), Screen(8, 0, 0, q, 0, 0, q), Screen(0, 8, 0, q, 0, 0, q)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    std::vector<std::uint32_t> pixels = Pixels();
    // The diagonal runs through pixel centres: they belong to the other triangle.
    const std::uint32_t once = Rgba(64, 0, 0, 64);
    EXPECT_EQ(28, CountOf(pixels, once));
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(x + y <= 6 ? once : 0u, pixels[y * 8 + x]) << x << "," << y;
        }
    }
    Draw({Screen(8, 0, 0, q, 0, 0, q), Screen(8, 8, 0, q, 0, 0, q), Screen(0, 8, 0, q, 0, 0, q)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(64, CountOf(Pixels(), once));
}

TEST_F(Rasterizer, StripKeepsItsWindingUnderBackFaceCulling)
{
    MakeTarget(8, 8);
    Clear(0, 0, 0, 1);
    // Default rasteriser state: clockwise is front, back faces culled.
    Draw({Screen(0, 0, 0, 0, 1, 0), Screen(8, 0, 0, 0, 1, 0), Screen(0, 8, 0, 0, 1, 0), Screen(8, 8, 0, 0, 1, 0)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    EXPECT_EQ(64, CountOf(Pixels(), Rgba(0, 255, 0, 255)));
}

TEST_F(Rasterizer, CullingFollowsTheRasterizerState)
{
    MakeTarget(8, 8);
    Clear(0, 0, 0, 1);
    const std::vector<Vertex> counterClockwise = {Screen(0, 0, 0, 1, 1, 1), Screen(0, 8, 0, 1, 1, 1),
                                                  Screen(8, 0, 0, 1, 1, 1)};
    Draw(counterClockwise, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(64, CountOf(Pixels(), Rgba(0, 0, 0, 255)));
    context->RSSetState(noCulling.Get());
    Draw(counterClockwise, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(28, CountOf(Pixels(), Rgba(255, 255, 255, 255)));

    D3D11_RASTERIZER_DESC desc{D3D11_FILL_SOLID, D3D11_CULL_BACK, TRUE, 0, 0, 0, TRUE, FALSE, FALSE, FALSE};
    ComPtr<ID3D11RasterizerState> counterClockwiseFront;
    ASSERT_EQ(S_OK, device->CreateRasterizerState(&desc, counterClockwiseFront.ReleaseAndGetAddressOf()));
    context->RSSetState(counterClockwiseFront.Get());
    Clear(0, 0, 0, 1);
    Draw(counterClockwise, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(28, CountOf(Pixels(), Rgba(255, 255, 255, 255)));
}

TEST_F(Rasterizer, LinesLeaveOutTheirLastPixel)
{
    MakeTarget(8, 8);
    Clear(0, 0, 0, 0);
    Draw({Screen(0.5f, 2.5f, 0, 1, 0, 0), Screen(5.5f, 2.5f, 0, 1, 0, 0),   // horizontal
          Screen(6.5f, 0.5f, 0, 0, 1, 0), Screen(6.5f, 7.5f, 0, 0, 1, 0),   // vertical
          Screen(0.5f, 3.5f, 0, 0, 0, 1), Screen(4.5f, 7.5f, 0, 0, 0, 1)},  // diagonal
         D3D11_PRIMITIVE_TOPOLOGY_LINELIST);
    const std::vector<std::uint32_t> pixels = Pixels();
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            std::uint32_t expected = 0;
            if (y == 2 && x <= 4) {
                expected = Rgba(255, 0, 0, 255);
            } else if (x == 6 && y <= 6) {
                expected = Rgba(0, 255, 0, 255);
            } else if (y == x + 3 && x <= 3) {
                expected = Rgba(0, 0, 255, 255);
            }
            EXPECT_EQ(expected, pixels[y * 8 + x]) << x << "," << y;
        }
    }
}

TEST_F(Rasterizer, DepthTestAndWriteInBothOrders)
{
    for (DXGI_FORMAT format : {DXGI_FORMAT_D24_UNORM_S8_UINT, DXGI_FORMAT_D32_FLOAT, DXGI_FORMAT_D16_UNORM}) {
        MakeTarget(8, 8);
        MakeDepth(format);
        context->RSSetState(noCulling.Get());
        Clear(0, 0, 0, 1);
        // Near red on the left six columns, far green on the right six: they overlap in
        // columns 2 to 5, drawn near first, then far first on a second row band.
        auto quad = [](float left, float right, float top, float bottom, float z, float r, float g) {
            return std::vector<Vertex>{Screen(left, top, z, r, g, 0), Screen(right, top, z, r, g, 0),
                                       Screen(left, bottom, z, r, g, 0), Screen(right, top, z, r, g, 0),
                                       Screen(right, bottom, z, r, g, 0), Screen(left, bottom, z, r, g, 0)};
        };
        std::vector<Vertex> vertices = quad(0, 6, 0, 4, 0.25f, 1, 0);
        for (const Vertex& v : quad(2, 8, 0, 4, 0.75f, 0, 1)) {
            vertices.push_back(v);
        }
        for (const Vertex& v : quad(2, 8, 4, 8, 0.75f, 0, 1)) {
            vertices.push_back(v);
        }
        for (const Vertex& v : quad(0, 6, 4, 8, 0.25f, 1, 0)) {
            vertices.push_back(v);
        }
        Draw(vertices, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        const std::vector<std::uint32_t> pixels = Pixels();
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const std::uint32_t expected = x < 6 ? Rgba(255, 0, 0, 255) : Rgba(0, 255, 0, 255);
                ASSERT_EQ(expected, pixels[y * 8 + x]) << format << ": " << x << "," << y;
            }
        }
        depthView.Reset();
    }
}

TEST_F(Rasterizer, DepthStateDecidesTestAndWrite)
{
    MakeTarget(8, 8);
    MakeDepth();
    Clear(0, 0, 0, 1);
    const std::vector<Vertex> near = {Screen(0, 0, 0.5f, 1, 0, 0), Screen(8, 0, 0.5f, 1, 0, 0),
                                      Screen(0, 8, 0.5f, 1, 0, 0)};
    const std::vector<Vertex> far = {Screen(0, 0, 0.9f, 0, 0, 1), Screen(8, 0, 0.9f, 0, 0, 1),
                                     Screen(0, 8, 0.9f, 0, 0, 1)};
    // Test on, writes off: the near triangle leaves no depth behind.
    D3D11_DEPTH_STENCIL_DESC desc{TRUE, D3D11_DEPTH_WRITE_MASK_ZERO, D3D11_COMPARISON_LESS, FALSE, 0, 0, {}, {}};
    ComPtr<ID3D11DepthStencilState> readOnly;
    ASSERT_EQ(S_OK, device->CreateDepthStencilState(&desc, readOnly.ReleaseAndGetAddressOf()));
    context->OMSetDepthStencilState(readOnly.Get(), 0);
    Draw(near, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    Draw(far, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(28, CountOf(Pixels(), Rgba(0, 0, 255, 255)));
    // Test off: also no writes, and everything passes.
    desc = D3D11_DEPTH_STENCIL_DESC{FALSE, D3D11_DEPTH_WRITE_MASK_ALL, D3D11_COMPARISON_NEVER, FALSE, 0, 0, {}, {}};
    ComPtr<ID3D11DepthStencilState> off;
    ASSERT_EQ(S_OK, device->CreateDepthStencilState(&desc, off.ReleaseAndGetAddressOf()));
    context->OMSetDepthStencilState(off.Get(), 0);
    Draw(near, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(28, CountOf(Pixels(), Rgba(255, 0, 0, 255)));
    // Default state: less, writing.
    context->OMSetDepthStencilState(nullptr, 0);
    Draw(near, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    Draw(far, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(28, CountOf(Pixels(), Rgba(255, 0, 0, 255)));
}

TEST_F(Rasterizer, AlphaBlendingOfTheOverlay)
{
    for (DXGI_FORMAT format : {DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB}) {
        MakeTarget(8, 8, format);
        context->RSSetState(noCulling.Get());
        SetBlend(D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA);
        Clear(0, 0, 1, 1);
        Draw({Screen(0, 0, 0, 1, 0, 0, 0.5f), Screen(8, 0, 0, 1, 0, 0, 0.5f), Screen(0, 8, 0, 1, 0, 0, 0.5f),
              Screen(8, 8, 0, 1, 0, 0, 0.5f)},
             D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
        // Colour: half of each; alpha: one plus one, saturated. sRGB blends in linear.
        const std::uint32_t half = format == DXGI_FORMAT_R8G8B8A8_UNORM ? 128 : 188;
        EXPECT_EQ(64, CountOf(Pixels(), Rgba(half, 0, half, 255))) << format;
    }
}

TEST_F(Rasterizer, WriteMasksAndFloatTargetsTakeTheGeneralPath)
{
    MakeTarget(8, 8);
    context->RSSetState(noCulling.Get());
    Clear(0.2f, 0.4f, 0.6f, 0.8f);
    D3D11_BLEND_DESC desc{};
    desc.RenderTarget[0] = {FALSE, D3D11_BLEND_ONE, D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD, D3D11_BLEND_ONE,
                            D3D11_BLEND_ZERO, D3D11_BLEND_OP_ADD,
                            D3D11_COLOR_WRITE_ENABLE_RED | D3D11_COLOR_WRITE_ENABLE_ALPHA};
    ASSERT_EQ(S_OK, device->CreateBlendState(&desc, blend.ReleaseAndGetAddressOf()));
    context->OMSetBlendState(blend.Get(), nullptr, D3D11_DEFAULT_SAMPLE_MASK);
    const std::vector<Vertex> screen = {Screen(0, 0, 0, 1, 1, 1, 1), Screen(8, 0, 0, 1, 1, 1, 1),
                                        Screen(0, 8, 0, 1, 1, 1, 1), Screen(8, 8, 0, 1, 1, 1, 1)};
    Draw(screen, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    EXPECT_EQ(64, CountOf(Pixels(), Rgba(255, 102, 153, 255)));

    // Additive blending on a float target is not clamped.
    MakeTarget(8, 8, DXGI_FORMAT_R32G32B32A32_FLOAT);
    context->RSSetState(noCulling.Get());
    SetBlend(D3D11_BLEND_ONE, D3D11_BLEND_ONE);
    Clear(0.75f, -2.0f, 0.0f, 1.0f);
    const std::vector<Vertex> bright = {Screen(0, 0, 0, 0.5f, 3, 0, 1), Screen(8, 0, 0, 0.5f, 3, 0, 1),
                                        Screen(0, 8, 0, 0.5f, 3, 0, 1), Screen(8, 8, 0, 0.5f, 3, 0, 1)};
    Draw(bright, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    D3D11_TEXTURE2D_DESC stagingDesc = StagingDesc(8, 8, DXGI_FORMAT_R32G32B32A32_FLOAT);
    ComPtr<ID3D11Texture2D> staging;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&stagingDesc, nullptr, staging.ReleaseAndGetAddressOf()));
    context->CopyResource(staging.Get(), target.Get());
    D3D11_MAPPED_SUBRESOURCE mapped{};
    ASSERT_EQ(S_OK, context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped));
    float pixel[4];
    std::memcpy(pixel, static_cast<const std::byte*>(mapped.pData) + mapped.RowPitch * 5 + 16 * 3, 16);
    context->Unmap(staging.Get(), 0);
    EXPECT_EQ(1.25f, pixel[0]);
    EXPECT_EQ(1.0f, pixel[1]);
    EXPECT_EQ(0.0f, pixel[2]);
    EXPECT_EQ(2.0f, pixel[3]);
}

TEST_F(Rasterizer, VaryingsArePerspectiveCorrect)
{
    MakeTarget(8, 8);
    context->RSSetState(noCulling.Get());
    Clear(0, 0, 0, 0);
    // Screen (0,8) with w 1, (8,8) with w 4, (0,0) with w 1; red 0, 1, 0.
    Draw({Vertex{-1, -1, 0, 1, 0, 0, 0, 1}, Vertex{4, -4, 0, 4, 1, 0, 0, 1}, Vertex{-1, 1, 0, 1, 0, 0, 0, 1}},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    const std::vector<std::uint32_t> pixels = Pixels();
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const double b = (x + 0.5) / 8.0;       // weight of the w-4 vertex
            const double c = (8.0 - (y + 0.5)) / 8.0;
            const double a = 1.0 - b - c;
            if (a <= 0.0) {
                // Outside, or on the right-hand edge, whose pixel centres are left out.
                EXPECT_EQ(0u, pixels[y * 8 + x]) << x << "," << y;
                continue;
            }
            const double red = (b / 4.0) / (a + b / 4.0 + c);
            EXPECT_NEAR(red * 255.0, pixels[y * 8 + x] & 0xFF, 0.51) << x << "," << y;
        }
    }
}

TEST_F(Rasterizer, IndexedDrawsWithBaseVertexAndStripCuts)
{
    MakeTarget(8, 8);
    Clear(0, 0, 0, 1);
    // Two unused vertices first: the base vertex skips them.
    Upload({Screen(0, 0, 0, 1, 0, 0), Screen(0, 0, 0, 1, 0, 0), Screen(0, 0, 0, 0, 1, 0), Screen(4, 0, 0, 0, 1, 0),
            Screen(0, 4, 0, 0, 1, 0), Screen(4, 4, 0, 0, 1, 0), Screen(8, 4, 0, 0, 0, 1), Screen(8, 8, 0, 0, 0, 1),
            Screen(4, 8, 0, 0, 0, 1), Screen(4, 4, 0, 0, 0, 1)});
    const std::uint16_t indices[] = {0, 1, 2, 3, 0xFFFF, 7, 4, 6, 5};
    const D3D11_BUFFER_DESC desc = BufferDesc(sizeof(indices), D3D11_BIND_INDEX_BUFFER);
    const D3D11_SUBRESOURCE_DATA data{indices, 0, 0};
    ComPtr<ID3D11Buffer> indexBuffer;
    ASSERT_EQ(S_OK, device->CreateBuffer(&desc, &data, indexBuffer.ReleaseAndGetAddressOf()));
    context->IASetIndexBuffer(indexBuffer.Get(), DXGI_FORMAT_R16_UINT, 0);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    context->RSSetState(noCulling.Get());
    context->DrawIndexed(9, 0, 2);
    const std::vector<std::uint32_t> pixels = Pixels();
    EXPECT_EQ(16, CountOf(pixels, Rgba(0, 255, 0, 255)));  // the quad (0,0)-(4,4)
    EXPECT_EQ(Rgba(0, 255, 0, 255), pixels[3 * 8 + 3]);
    // After the cut: (4,4) (8,4) (4,8), then (8,4) (8,8) (4,8): the lower right quad.
    EXPECT_EQ(16, CountOf(pixels, Rgba(0, 0, 255, 255)));
    EXPECT_EQ(Rgba(0, 0, 255, 255), pixels[7 * 8 + 7]);
    EXPECT_EQ(32, CountOf(pixels, Rgba(0, 0, 0, 255)));
}

TEST_F(Rasterizer, ViewportAndScissorLimitThePixels)
{
    MakeTarget(8, 8);
    Clear(0, 0, 0, 1);
    const D3D11_VIEWPORT viewport{2, 2, 4, 4, 0, 1};
    context->RSSetViewports(1, &viewport);
    const std::vector<Vertex> full = {At(-1, 1, 0, 1, 1, 1), At(3, 1, 0, 1, 1, 1), At(-1, -3, 0, 1, 1, 1)};
    Draw(full, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    std::vector<std::uint32_t> pixels = Pixels();
    EXPECT_EQ(16, CountOf(pixels, Rgba(255, 255, 255, 255)));
    EXPECT_EQ(Rgba(255, 255, 255, 255), pixels[2 * 8 + 2]);
    EXPECT_EQ(Rgba(255, 255, 255, 255), pixels[5 * 8 + 5]);

    D3D11_RASTERIZER_DESC desc{D3D11_FILL_SOLID, D3D11_CULL_NONE, FALSE, 0, 0, 0, TRUE, TRUE, FALSE, FALSE};
    ComPtr<ID3D11RasterizerState> scissored;
    ASSERT_EQ(S_OK, device->CreateRasterizerState(&desc, scissored.ReleaseAndGetAddressOf()));
    context->RSSetState(scissored.Get());
    Clear(0, 0, 0, 1);
    Draw(full, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(0, CountOf(Pixels(), Rgba(255, 255, 255, 255)));  // no scissor rectangle: nothing
    const D3D11_RECT scissor{3, 0, 5, 8};
    context->RSSetScissorRects(1, &scissor);
    Draw(full, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(8, CountOf(Pixels(), Rgba(255, 255, 255, 255)));
}

TEST_F(Rasterizer, PrimitivesAreClippedAtNearAndFar)
{
    MakeTarget(8, 8);
    context->RSSetState(noCulling.Get());
    Clear(0, 0, 0, 1);
    // The apex is behind the eye (w < 0): only the part with z >= 0 is drawn, the band
    // of rows 6 and 7, and nothing wraps around through w = 0.
    Draw({Vertex{-1, -1, 0.5f, 1, 1, 1, 1, 1}, Vertex{1, -1, 0.5f, 1, 1, 1, 1, 1}, Vertex{0, 2, -1.5f, -1, 1, 1, 1, 1}},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    std::vector<std::uint32_t> pixels = Pixels();
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(y >= 6 ? Rgba(255, 255, 255, 255) : Rgba(0, 0, 0, 255), pixels[y * 8 + x]) << x << "," << y;
        }
    }
    // Beyond the far plane (z > w) near the top: only the tip at the bottom stays.
    Clear(0, 0, 0, 1);
    Draw({Vertex{-1, 1, 3, 1, 0, 1, 0, 1}, Vertex{1, 1, 3, 1, 0, 1, 0, 1}, Vertex{0, -1, 0.5f, 1, 0, 1, 0, 1}},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    pixels = Pixels();
    EXPECT_EQ(2, CountOf(pixels, Rgba(0, 255, 0, 255)));
    EXPECT_EQ(Rgba(0, 255, 0, 255), pixels[6 * 8 + 3]);
    EXPECT_EQ(Rgba(0, 255, 0, 255), pixels[6 * 8 + 4]);
}

TEST_F(Rasterizer, DiscardAndDepthOnlyPasses)
{
    MakeTarget(8, 8);
    MakeDepth();
    context->RSSetState(noCulling.Get());
    Clear(0, 0, 0, 1);
    // A depth-only pass: no pixel kernel, the depth is still written.
    context->PSSetShader(nullptr, nullptr, 0);
    const std::vector<Vertex> near = {Screen(0, 0, 0.25f, 1, 0, 0), Screen(8, 0, 0.25f, 1, 0, 0),
                                      Screen(0, 8, 0.25f, 1, 0, 0)};
    Draw(near, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(64, CountOf(Pixels(), Rgba(0, 0, 0, 255)));
    context->PSSetShader(pixelShader.Get(), nullptr, 0);
    Draw({Screen(0, 0, 0.5f, 0, 1, 0), Screen(8, 0, 0.5f, 0, 1, 0), Screen(8, 8, 0.5f, 0, 1, 0)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    std::vector<std::uint32_t> pixels = Pixels();
    EXPECT_EQ(Rgba(0, 0, 0, 255), pixels[0 * 8 + 1]);
    EXPECT_EQ(Rgba(0, 255, 0, 255), pixels[1 * 8 + 7]);

    // Discarded pixels write neither colour nor depth.
    d3d11sw::PixelShaderDesc discardDesc;
    discardDesc.kernel = d3d11sw::MakePixelKernel([](const d3d11sw::StageResources&, d3d11sw::PixelQuad& quad) {
        quad.Target(0) = quad.Varying(0);
        const d3d11sw::Quad<d3d11sw::Float4> position = quad.Position();
        for (int lane = 0; lane < 4; ++lane) {
            if (!(position[lane].x > 4.0f)) {
                quad.Discard(1u << lane);
            }
        }
    });
    ComPtr<ID3D11PixelShader> discard;
    ASSERT_EQ(S_OK, d3d11sw::CreatePixelShader(device.Get(), discardDesc, discard.ReleaseAndGetAddressOf()));
    context->PSSetShader(discard.Get(), nullptr, 0);
    Clear(0, 0, 0, 1);
    context->ClearDepthStencilView(depthView.Get(), D3D11_CLEAR_DEPTH, 1.0f, 0);
    Draw({Screen(0, 0, 0.25f, 1, 0, 0), Screen(8, 0, 0.25f, 1, 0, 0), Screen(0, 8, 0.25f, 1, 0, 0),
          Screen(8, 0, 0.25f, 1, 0, 0), Screen(8, 8, 0.25f, 1, 0, 0), Screen(0, 8, 0.25f, 1, 0, 0)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context->PSSetShader(pixelShader.Get(), nullptr, 0);
    Draw({Screen(0, 0, 0.5f, 0, 0, 1), Screen(8, 0, 0.5f, 0, 0, 1), Screen(0, 8, 0.5f, 0, 0, 1),
          Screen(8, 0, 0.5f, 0, 0, 1), Screen(8, 8, 0.5f, 0, 0, 1), Screen(0, 8, 0.5f, 0, 0, 1)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    pixels = Pixels();
    EXPECT_EQ(32, CountOf(pixels, Rgba(255, 0, 0, 255)));
    EXPECT_EQ(32, CountOf(pixels, Rgba(0, 0, 255, 255)));
    EXPECT_EQ(Rgba(0, 0, 255, 255), pixels[0]);
}

TEST_F(Rasterizer, DrawWithoutVertexKernelOrTargetsDoesNothing)
{
    MakeTarget(8, 8);
    Clear(0, 0, 0, 1);
    context->VSSetShader(nullptr, nullptr, 0);
    Draw({Screen(0, 0, 0, 1, 1, 1), Screen(8, 0, 0, 1, 1, 1), Screen(0, 8, 0, 1, 1, 1)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(64, CountOf(Pixels(), Rgba(0, 0, 0, 255)));
    context->VSSetShader(vertexShader.Get(), nullptr, 0);
    context->OMSetRenderTargets(0, nullptr, nullptr);
    Draw({Screen(0, 0, 0, 1, 1, 1), Screen(8, 0, 0, 1, 1, 1), Screen(0, 8, 0, 1, 1, 1)},
         D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(64, CountOf(Pixels(), Rgba(0, 0, 0, 255)));
}

// Two triangles of a draw that make an axis-aligned rectangle are drawn as one; they
// must cover the same pixels as the two drawn apart, whatever subpixel edges they have.
TEST_F(Rasterizer, RectanglesOfTwoTrianglesCoverWhatTheTrianglesCover)
{
    auto frame = [this](bool together) {
        MakeTarget(32, 32);
        Clear(0, 0, 0, 0);
        context->RSSetState(noCulling.Get());
        SetBlend(D3D11_BLEND_ONE, D3D11_BLEND_ONE);
        const float q = 16.0f / 255.0f;
        for (int i = 0; i < 40; ++i) {
            // Edges anywhere on the 1/256 pixel grid, some through pixel centres.
            const float left = (i * 37 % 700) / 25.0f - 2.0f;
            const float top = (i * 53 % 650) / 23.0f - 2.0f;
            const float right = left + 1.5f + (i * 29 % 300) / 31.0f;
            const float bottom = top + 0.5f + (i * 17 % 250) / 27.0f;
            const Vertex corners[4] = {Screen32(left, top, q), Screen32(right, top, q), Screen32(left, bottom, q),
                                       Screen32(right, bottom, q)};
            const std::vector<Vertex> first = {corners[0], corners[1], corners[2]};
            const std::vector<Vertex> second = {corners[1], corners[3], corners[2]};
            if (together) {
                Draw({corners[0], corners[1], corners[2], corners[3]}, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
            } else {
                Draw(first, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
                Draw(second, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
            }
        }
        return Pixels();
    };
    const std::vector<std::uint32_t> apart = frame(false);
    EXPECT_GT(32 * 32, CountOf(apart, 0));
    EXPECT_EQ(apart, frame(true));
}

}  // namespace
