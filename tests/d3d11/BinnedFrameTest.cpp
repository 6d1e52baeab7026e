// Draws wait in tile bins until their pixels are needed. The pixels must not depend on
// the number of threads, and whatever reads pixels or changes what pending draws read
// must see the draws as if each had run at once.

#include "platform/d3d11/dxgi/Presenter.h"
#include "platform/d3d11/pipeline/RasterThreads.h"
#include "tests/d3d11/RenderFixture.h"

#include <cstring>
#include <random>
#include <stdexcept>

namespace {

using d3d11sw::Float4;
using d3d11sw::PixelQuad;
using d3d11sw::StageResources;
using qz::test::At;
using qz::test::ComPtr;
using qz::test::RenderTest;
using qz::test::Vertex;
using Quad4 = d3d11sw::Quad<Float4>;

class BinnedFrame : public RenderTest {
protected:
    // The vertex colour times the colour of constant buffer 0; textured draws sample
    // slot 0 at the colour's red and green.
    void UseKernels()
    {
        const D3D11_BUFFER_DESC desc = BufferDesc(16, D3D11_BIND_CONSTANT_BUFFER);
        ASSERT_EQ(S_OK, device->CreateBuffer(&desc, nullptr, constants.ReleaseAndGetAddressOf()));
        ID3D11Buffer* raw = constants.Get();
        context->PSSetConstantBuffers(0, 1, &raw);
        flat = MakeShader([](const StageResources& resources, PixelQuad& quad) {
            quad.Target(0) = quad.Varying(0) * resources.Constant<Float4>(0, 0);
        });
        textured = MakeShader([](const StageResources& resources, PixelQuad& quad) {
            quad.Target(0) = resources.Sample(0, 0, quad.Varying(0)) * resources.Constant<Float4>(0, 0);
        });
    }

    ComPtr<ID3D11PixelShader> MakeShader(auto f)
    {
        ComPtr<ID3D11PixelShader> shader;
        EXPECT_EQ(S_OK, d3d11sw::CreatePixelShader(device.Get(), {d3d11sw::MakePixelKernel(f)},
                                                   shader.ReleaseAndGetAddressOf()));
        return shader;
    }

    // A small RGBA8 texture of distinct texels, with its view in slot 0 of the pixel stage.
    ComPtr<ID3D11Texture2D> UseTexture(UINT side, std::uint32_t seed)
    {
        std::vector<std::uint32_t> texels(side * side);
        for (std::size_t i = 0; i < texels.size(); ++i) {
            texels[i] = static_cast<std::uint32_t>(i * 2654435761u + seed) | 0xFF000000u;
        }
        const D3D11_TEXTURE2D_DESC desc = Texture2DDesc(side, side, DXGI_FORMAT_R8G8B8A8_UNORM,
                                                        D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET);
        const D3D11_SUBRESOURCE_DATA data{texels.data(), side * 4, 0};
        ComPtr<ID3D11Texture2D> texture;
        EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, &data, texture.ReleaseAndGetAddressOf()));
        EXPECT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), nullptr, view.ReleaseAndGetAddressOf()));
        ID3D11ShaderResourceView* raw = view.Get();
        context->PSSetShaderResources(0, 1, &raw);
        return texture;
    }

    void SetColour(const Float4& colour) { context->UpdateSubresource(constants.Get(), 0, nullptr, &colour, 0, 0); }

    // Hundreds of small blended draws with depth, each with its own constants, some
    // textured, over one frame.
    std::vector<std::uint32_t> ManyDraws(unsigned threads)
    {
        d3d11sw::SetRasterThreads(context.Get(), threads);
        MakeTarget(300, 200);
        MakeDepth(DXGI_FORMAT_D32_FLOAT);
        UseKernels();
        const ComPtr<ID3D11Texture2D> texture = UseTexture(16, 5);
        D3D11_BLEND_DESC blendDesc{};
        blendDesc.RenderTarget[0] = {TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD,
                                     D3D11_BLEND_ONE, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL};
        ComPtr<ID3D11BlendState> blend;
        EXPECT_EQ(S_OK, device->CreateBlendState(&blendDesc, blend.ReleaseAndGetAddressOf()));
        context->OMSetBlendState(blend.Get(), nullptr, D3D11_DEFAULT_SAMPLE_MASK);
        context->RSSetState(noCulling.Get());
        Clear(0.1f, 0.2f, 0.3f, 1.0f);
        std::mt19937 random(11);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        std::uniform_real_distribution<float> place(-1.1f, 1.0f);
        for (int draw = 0; draw < 600; ++draw) {
            const float x = place(random);
            const float y = place(random);
            const float w = 0.02f + 0.2f * unit(random);
            const float h = 0.02f + 0.2f * unit(random);
            const float z = unit(random);
            const float r = unit(random), g = unit(random), b = unit(random), a = unit(random);
            context->PSSetShader(draw % 7 == 0 ? textured.Get() : flat.Get(), nullptr, 0);
            SetColour({unit(random), unit(random), unit(random), 1.0f});
            const std::vector<Vertex> quad = {At(x, y, z, r, g, b, a), At(x + w, y, z, r, g, b, a),
                                              At(x, y + h, z, r, g, b, a), At(x + w, y + h, z, r, g, b, a)};
            Draw(quad, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
        }
        return Pixels();
    }

    ComPtr<ID3D11Buffer> constants;
    ComPtr<ID3D11PixelShader> flat;
    ComPtr<ID3D11PixelShader> textured;
    ComPtr<ID3D11ShaderResourceView> view;
};

TEST_F(BinnedFrame, ManySmallDrawsGiveThePixelsOfOneThreadOnAnyNumber)
{
    const std::vector<std::uint32_t> alone = ManyDraws(1);
    EXPECT_NE(alone, std::vector<std::uint32_t>(alone.size(), alone[0]));
    for (unsigned threads : {2u, 3u, 8u}) {
        EXPECT_EQ(alone, ManyDraws(threads)) << threads;
    }
}

// What pending draws read changes, or what they write is read: each row must see the
// earlier draws done.
TEST_F(BinnedFrame, ReadsAndWritesBetweenDrawsSeeEarlierDraws)
{
    MakeTarget(8, 8);
    UseKernels();
    context->RSSetState(noCulling.Get());
    SetColour({1, 1, 1, 1});
    const std::vector<Vertex> left = {At(-1, 1, 0, 0.25f, 0.25f, 0, 1), At(0, 1, 0, 0.25f, 0.25f, 0, 1),
                                      At(-1, -1, 0, 0.25f, 0.25f, 0, 1), At(0, -1, 0, 0.25f, 0.25f, 0, 1)};
    const std::vector<Vertex> right = {At(0, 1, 0, 0.25f, 0.25f, 0, 1), At(1, 1, 0, 0.25f, 0.25f, 0, 1),
                                       At(0, -1, 0, 0.25f, 0.25f, 0, 1), At(1, -1, 0, 0.25f, 0.25f, 0, 1)};

    // A texture updated between two draws that sample it.
    const ComPtr<ID3D11Texture2D> texture = UseTexture(1, 0);
    context->PSSetShader(textured.Get(), nullptr, 0);
    const std::uint32_t before = Rgba(10, 20, 30, 255);
    const std::uint32_t after = Rgba(40, 50, 60, 255);
    context->UpdateSubresource(texture.Get(), 0, nullptr, &before, 4, 0);
    Draw(left, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    context->UpdateSubresource(texture.Get(), 0, nullptr, &after, 4, 0);
    Draw(right, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    std::vector<std::uint32_t> pixels = Pixels();
    EXPECT_EQ(before, pixels[0]);
    EXPECT_EQ(after, pixels[7]);

    // A texture drawn into, then sampled by the next draw.
    const ComPtr<ID3D11Texture2D> target2 = target;
    const ComPtr<ID3D11RenderTargetView> view2 = targetView;
    MakeTarget(1, 1);  // the texture of the next draw's view
    const ComPtr<ID3D11Texture2D> drawn = target;
    context->PSSetShader(flat.Get(), nullptr, 0);
    SetColour({0, 0, 1, 1});
    Draw({At(-1, 1, 0, 1, 1, 1), At(3, 1, 0, 1, 1, 1), At(-1, -3, 0, 1, 1, 1)}, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    ASSERT_EQ(S_OK, device->CreateShaderResourceView(drawn.Get(), nullptr, view.ReleaseAndGetAddressOf()));
    target = target2;
    targetView = view2;
    const D3D11_VIEWPORT viewport{0, 0, 8, 8, 0, 1};
    context->RSSetViewports(1, &viewport);
    Bind();
    ID3D11ShaderResourceView* raw = view.Get();
    context->PSSetShaderResources(0, 1, &raw);
    context->PSSetShader(textured.Get(), nullptr, 0);
    SetColour({1, 1, 1, 1});
    Draw(left, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    pixels = Pixels();
    EXPECT_EQ(Rgba(0, 0, 255, 255), pixels[8]);
    EXPECT_EQ(after, pixels[15]);
}

TEST_F(BinnedFrame, PresentShowsTheDrawsOfTheFrame)
{
    ComPtr<IDXGIFactory1> factory;
    ASSERT_EQ(S_OK, CreateDXGIFactory1(__uuidof(IDXGIFactory1), reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf())));
    DXGI_SWAP_CHAIN_DESC desc{};
    desc.BufferDesc = {4, 4, {60, 1}, DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED,
                       DXGI_MODE_SCALING_UNSPECIFIED};
    desc.SampleDesc = {1, 0};
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 1;
    desc.Windowed = TRUE;
    ComPtr<IDXGISwapChain> swapChain;
    ASSERT_EQ(S_OK, factory->CreateSwapChain(device.Get(), &desc, swapChain.ReleaseAndGetAddressOf()));
    std::uint32_t shown = 0;
    ASSERT_EQ(S_OK, d3d11sw::SetPresenter(swapChain.Get(), [&shown](const d3d11sw::PresentedImage& image) {
                  std::memcpy(&shown, image.pixels, 4);
              }));
    ComPtr<ID3D11Texture2D> backBuffer;
    ASSERT_EQ(S_OK, swapChain->GetBuffer(0, __uuidof(ID3D11Texture2D),
                                         reinterpret_cast<void**>(backBuffer.ReleaseAndGetAddressOf())));
    ComPtr<ID3D11RenderTargetView> backView;
    ASSERT_EQ(S_OK, device->CreateRenderTargetView(backBuffer.Get(), nullptr, backView.ReleaseAndGetAddressOf()));
    ID3D11RenderTargetView* raw = backView.Get();
    context->OMSetRenderTargets(1, &raw, nullptr);
    const D3D11_VIEWPORT viewport{0, 0, 4, 4, 0, 1};
    context->RSSetViewports(1, &viewport);
    context->IASetInputLayout(layout.Get());
    context->VSSetShader(vertexShader.Get(), nullptr, 0);
    context->PSSetShader(pixelShader.Get(), nullptr, 0);
    context->RSSetState(noCulling.Get());
    Draw({At(-1, 1, 0, 0, 1, 0), At(3, 1, 0, 0, 1, 0), At(-1, -3, 0, 0, 1, 0)}, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    ASSERT_EQ(S_OK, swapChain->Present(0, 0));
    EXPECT_EQ(Rgba(0, 255, 0, 255), shown);
    // A pending draw holds its views until shaded; resizing shades it first, so views the
    // application released do not block the resize.
    Draw({At(-1, 1, 0, 1, 0, 0), At(3, 1, 0, 1, 0, 0), At(-1, -3, 0, 1, 0, 0)}, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context->OMSetRenderTargets(0, nullptr, nullptr);
    backView.Reset();
    backBuffer.Reset();
    EXPECT_EQ(S_OK, swapChain->ResizeBuffers(1, 8, 8, DXGI_FORMAT_UNKNOWN, 0));
}

// A draw of more primitives than the bins hold is shaded in parts.
TEST_F(BinnedFrame, ADrawLargerThanTheBinsShadesInParts)
{
    constexpr UINT kWidth = 400;
    constexpr UINT kHeight = 360;
    MakeTarget(kWidth, kHeight);
    Clear(0, 0, 0, 0);
    std::vector<Vertex> points;
    for (UINT y = 0; y < kHeight; ++y) {
        for (UINT x = 0; x < kWidth; ++x) {
            const float red = static_cast<float>((x * 7 + y) % 251) / 255.0f;
            points.push_back(At((x + 0.5f) / kWidth * 2 - 1, 1 - (y + 0.5f) / kHeight * 2, 0, red, 0, 0, 1));
        }
    }
    Draw(points, D3D11_PRIMITIVE_TOPOLOGY_POINTLIST);
    const std::vector<std::uint32_t> pixels = Pixels();
    for (UINT y = 0; y < kHeight; ++y) {
        for (UINT x = 0; x < kWidth; ++x) {
            ASSERT_EQ(Rgba((x * 7 + y) % 251, 0, 0, 255), pixels[y * kWidth + x]) << x << "," << y;
        }
    }
}

// Small draws are set up when the frame is shaded: the vertices and indices they were
// drawn with count, not what the buffers hold by then; a failing vertex kernel reaches
// the call that shades.
TEST_F(BinnedFrame, SmallDrawsKeepTheirVerticesAndIndices)
{
    MakeTarget(8, 8);
    Clear(0, 0, 0, 0);
    context->RSSetState(noCulling.Get());
    const std::vector<Vertex> red = {At(-1, 1, 0, 1, 0, 0), At(0, 1, 0, 1, 0, 0), At(-1, -1, 0, 1, 0, 0),
                                     At(0, -1, 0, 1, 0, 0)};
    const std::vector<Vertex> green = {At(0, 1, 0, 0, 1, 0), At(1, 1, 0, 0, 1, 0), At(0, -1, 0, 0, 1, 0),
                                       At(1, -1, 0, 0, 1, 0)};
    const D3D11_BUFFER_DESC vertexDesc{static_cast<UINT>(sizeof(Vertex) * 4), D3D11_USAGE_DYNAMIC,
                                       D3D11_BIND_VERTEX_BUFFER, D3D11_CPU_ACCESS_WRITE, 0, 0};
    ComPtr<ID3D11Buffer> vertices;
    ASSERT_EQ(S_OK, device->CreateBuffer(&vertexDesc, nullptr, vertices.ReleaseAndGetAddressOf()));
    const std::uint16_t strip[4] = {0, 1, 2, 3};
    const std::uint16_t culled[4] = {0, 0, 0, 0};
    const D3D11_BUFFER_DESC indexDesc = BufferDesc(sizeof(strip), D3D11_BIND_INDEX_BUFFER);
    const D3D11_SUBRESOURCE_DATA indexData{strip, 0, 0};
    ComPtr<ID3D11Buffer> indices;
    ASSERT_EQ(S_OK, device->CreateBuffer(&indexDesc, &indexData, indices.ReleaseAndGetAddressOf()));
    ID3D11Buffer* raw = vertices.Get();
    const UINT stride = sizeof(Vertex);
    const UINT offset = 0;
    context->IASetVertexBuffers(0, 1, &raw, &stride, &offset);
    context->IASetIndexBuffer(indices.Get(), DXGI_FORMAT_R16_UINT, 0);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    for (const std::vector<Vertex>* quad : {&red, &green}) {
        D3D11_MAPPED_SUBRESOURCE mapped{};
        ASSERT_EQ(S_OK, context->Map(vertices.Get(), 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped));
        std::memcpy(mapped.pData, quad->data(), sizeof(Vertex) * 4);
        context->Unmap(vertices.Get(), 0);
        context->DrawIndexed(4, 0, 0);
        context->UpdateSubresource(indices.Get(), 0, nullptr, culled, 0, 0);
        context->UpdateSubresource(indices.Get(), 0, nullptr, strip, 0, 0);
    }
    context->UpdateSubresource(indices.Get(), 0, nullptr, culled, 0, 0);
    const std::vector<std::uint32_t> pixels = Pixels();
    EXPECT_EQ(Rgba(255, 0, 0, 255), pixels[0]);
    EXPECT_EQ(Rgba(0, 255, 0, 255), pixels[7]);

    d3d11sw::VertexShaderDesc failing;
    failing.kernel = d3d11sw::MakeVertexKernel(
        [](const StageResources&, const d3d11sw::VertexInput&, d3d11sw::VertexOutput&) { throw std::runtime_error("vertex failed"); });
    ComPtr<ID3D11VertexShader> shader;
    ASSERT_EQ(S_OK, d3d11sw::CreateVertexShader(device.Get(), failing, shader.ReleaseAndGetAddressOf()));
    context->VSSetShader(shader.Get(), nullptr, 0);
    context->UpdateSubresource(indices.Get(), 0, nullptr, strip, 0, 0);
    context->DrawIndexed(4, 0, 0);
    EXPECT_THROW(context->Flush(), std::runtime_error);
}

}  // namespace
