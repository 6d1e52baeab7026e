// Large draws are shared by several threads; the pixels must not depend on how many.

#include "platform/d3d11/pipeline/RasterThreads.h"
#include "tests/d3d11/RenderFixture.h"

#include <random>

namespace {

using qz::test::At;
using qz::test::ComPtr;
using qz::test::RenderTest;
using qz::test::Vertex;

class ParallelRaster : public RenderTest {
protected:
    std::vector<std::uint32_t> Render(unsigned threads, D3D11_PRIMITIVE_TOPOLOGY topology)
    {
        d3d11sw::SetRasterThreads(context.Get(), threads);
        MakeTarget(320, 240);
        MakeDepth();
        D3D11_BLEND_DESC blendDesc{};
        blendDesc.RenderTarget[0] = {TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD,
                                     D3D11_BLEND_ONE, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD,
                                     D3D11_COLOR_WRITE_ENABLE_ALL};
        ComPtr<ID3D11BlendState> blend;
        EXPECT_EQ(S_OK, device->CreateBlendState(&blendDesc, blend.ReleaseAndGetAddressOf()));
        context->OMSetBlendState(blend.Get(), nullptr, D3D11_DEFAULT_SAMPLE_MASK);
        context->RSSetState(noCulling.Get());
        Clear(0.1f, 0.2f, 0.3f, 1.0f);
        std::mt19937 random(7);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        std::uniform_real_distribution<float> position(-1.3f, 1.3f);
        std::vector<Vertex> vertices;
        for (int i = 0; i < 600 * 3; ++i) {
            vertices.push_back(At(position(random), position(random), unit(random), unit(random), unit(random),
                                  unit(random), unit(random)));
        }
        Draw(vertices, topology);
        return Pixels();
    }
};

TEST_F(ParallelRaster, TrianglesAndLinesGiveTheSamePixelsOnAnyNumberOfThreads)
{
    for (D3D11_PRIMITIVE_TOPOLOGY topology : {D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST, D3D11_PRIMITIVE_TOPOLOGY_LINELIST}) {
        const std::vector<std::uint32_t> alone = Render(1, topology);
        EXPECT_EQ(alone, Render(3, topology)) << topology;
        EXPECT_EQ(alone, Render(4, topology)) << topology;
    }
}

// Clears of a few megabytes are filled in bands on the raster threads: every row, to the
// last one of a height that the bands do not divide.
TEST_F(ParallelRaster, ClearsOfLargeViewsFillEveryRowOnSeveralThreads)
{
    d3d11sw::SetRasterThreads(context.Get(), 3);
    MakeTarget(1021, 797);
    MakeDepth(DXGI_FORMAT_D32_FLOAT);
    Clear(0.0f, 1.0f, 0.0f, 1.0f);
    const std::vector<std::uint32_t> pixels = Pixels();
    EXPECT_EQ(pixels, std::vector<std::uint32_t>(pixels.size(), 0xFF00FF00u));
    // A triangle at depth 0.5 over the cleared depth (1): its pixels pass the test.
    context->ClearDepthStencilView(depthView.Get(), D3D11_CLEAR_DEPTH, 1.0f, 0);
    context->RSSetState(noCulling.Get());
    Draw({At(-1, 1, 0.5f, 1, 0, 0), At(3, 1, 0.5f, 1, 0, 0), At(-1, -3, 0.5f, 1, 0, 0)}, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    const std::vector<std::uint32_t> drawn = Pixels();
    EXPECT_EQ(drawn, std::vector<std::uint32_t>(drawn.size(), 0xFF0000FFu));
}

TEST_F(ParallelRaster, KernelExceptionsReachTheCaller)
{
    d3d11sw::SetRasterThreads(context.Get(), 4);
    MakeTarget(256, 256);
    d3d11sw::PixelShaderDesc desc;
    desc.kernel = d3d11sw::MakePixelKernel([](const d3d11sw::StageResources&, d3d11sw::PixelQuad& quad) {
        if (quad.Y() > 200) {
            throw std::runtime_error("kernel failed");
        }
    });
    ComPtr<ID3D11PixelShader> throwing;
    ASSERT_EQ(S_OK, d3d11sw::CreatePixelShader(device.Get(), desc, throwing.ReleaseAndGetAddressOf()));
    context->PSSetShader(throwing.Get(), nullptr, 0);
    context->RSSetState(noCulling.Get());
    // Draws are shaded when their pixels are needed: the exception comes from there.
    Draw({At(-1, 1, 0, 1, 1, 1), At(3, 1, 0, 1, 1, 1), At(-1, -3, 0, 1, 1, 1)}, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_THROW(context->Flush(), std::runtime_error);
    // The pool is still usable afterwards.
    context->PSSetShader(pixelShader.Get(), nullptr, 0);
    Draw({At(-1, 1, 0, 1, 1, 1), At(3, 1, 0, 1, 1, 1), At(-1, -3, 0, 1, 1, 1)}, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    EXPECT_EQ(Rgba(255, 255, 255, 255), Pixels()[255 * 256 + 255]);
}

}  // namespace
