#pragma once
// Drawing with native kernels into small targets, read back through staging copies.

#include "platform/d3d11/kernels/ShaderKernels.h"
#include "tests/d3d11/DeviceFixture.h"

#include <cstring>
#include <vector>

namespace qz::test {

struct Vertex {
    float x, y, z, w;
    float r, g, b, a;
};

// A solid colour in clip space: position and colour straight from the vertex.
inline Vertex At(float x, float y, float z, float r, float g, float b, float a = 1.0f)
{
    return Vertex{x, y, z, 1.0f, r, g, b, a};
}

class RenderTest : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        d3d11sw::VertexShaderDesc vertexDesc;
        vertexDesc.inputs = {{"POSITION", 0, d3d11sw::ComponentType::Float, 4},
                             {"COLOR", 0, d3d11sw::ComponentType::Float, 4}};
        vertexDesc.varyingCount = 1;
        vertexDesc.kernel = d3d11sw::MakeVertexKernel(
            [](const d3d11sw::StageResources&, const d3d11sw::VertexInput& in, d3d11sw::VertexOutput& out) {
                out.position = in.attributes[0];
                out.varyings[0] = in.attributes[1];
            });
        signature = d3d11sw::EncodeInputSignature(vertexDesc.inputs);
        ASSERT_EQ(S_OK, d3d11sw::CreateVertexShader(device.Get(), vertexDesc, vertexShader.ReleaseAndGetAddressOf()));
        d3d11sw::PixelShaderDesc pixelDesc;
        pixelDesc.kernel = d3d11sw::MakePixelKernel(
            [](const d3d11sw::StageResources&, d3d11sw::PixelQuad& quad) { quad.Target(0) = quad.Varying(0); });
        ASSERT_EQ(S_OK, d3d11sw::CreatePixelShader(device.Get(), pixelDesc, pixelShader.ReleaseAndGetAddressOf()));

        const D3D11_INPUT_ELEMENT_DESC elements[2] = {
            {"POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
            {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, D3D11_APPEND_ALIGNED_ELEMENT, D3D11_INPUT_PER_VERTEX_DATA, 0}};
        ASSERT_EQ(S_OK, device->CreateInputLayout(elements, 2, signature.data(), signature.size(),
                                                  layout.ReleaseAndGetAddressOf()));
        D3D11_RASTERIZER_DESC rasterDesc{D3D11_FILL_SOLID, D3D11_CULL_NONE, FALSE, 0, 0, 0, TRUE, FALSE, FALSE, FALSE};
        ASSERT_EQ(S_OK, device->CreateRasterizerState(&rasterDesc, noCulling.ReleaseAndGetAddressOf()));
    }

    // A colour target of the given size, bound with a full viewport.
    void MakeTarget(UINT width, UINT height, DXGI_FORMAT format = DXGI_FORMAT_R8G8B8A8_UNORM)
    {
        const D3D11_TEXTURE2D_DESC desc =
            Texture2DDesc(width, height, format, D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE);
        ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, target.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, device->CreateRenderTargetView(target.Get(), nullptr, targetView.ReleaseAndGetAddressOf()));
        const D3D11_VIEWPORT viewport{0, 0, static_cast<float>(width), static_cast<float>(height), 0, 1};
        context->RSSetViewports(1, &viewport);
        Bind();
    }

    void MakeDepth(DXGI_FORMAT format = DXGI_FORMAT_D24_UNORM_S8_UINT)
    {
        D3D11_TEXTURE2D_DESC desc{};
        target->GetDesc(&desc);
        desc = Texture2DDesc(desc.Width, desc.Height, format, D3D11_BIND_DEPTH_STENCIL);
        ComPtr<ID3D11Texture2D> texture;
        ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, texture.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, device->CreateDepthStencilView(texture.Get(), nullptr, depthView.ReleaseAndGetAddressOf()));
        context->ClearDepthStencilView(depthView.Get(), D3D11_CLEAR_DEPTH, 1.0f, 0);
        Bind();
    }

    void Bind()
    {
        ID3D11RenderTargetView* view = targetView.Get();
        context->OMSetRenderTargets(1, &view, depthView.Get());
        context->IASetInputLayout(layout.Get());
        context->VSSetShader(vertexShader.Get(), nullptr, 0);
        context->PSSetShader(pixelShader.Get(), nullptr, 0);
    }

    void Clear(float r, float g, float b, float a)
    {
        const FLOAT colour[4] = {r, g, b, a};
        context->ClearRenderTargetView(targetView.Get(), colour);
    }

    void Upload(const std::vector<Vertex>& vertices)
    {
        const D3D11_BUFFER_DESC desc = BufferDesc(static_cast<UINT>(vertices.size() * sizeof(Vertex)),
                                                  D3D11_BIND_VERTEX_BUFFER);
        const D3D11_SUBRESOURCE_DATA data{vertices.data(), 0, 0};
        ASSERT_EQ(S_OK, device->CreateBuffer(&desc, &data, vertexBuffer.ReleaseAndGetAddressOf()));
        ID3D11Buffer* buffer = vertexBuffer.Get();
        const UINT stride = sizeof(Vertex);
        const UINT offset = 0;
        context->IASetVertexBuffers(0, 1, &buffer, &stride, &offset);
    }

    void Draw(const std::vector<Vertex>& vertices, D3D11_PRIMITIVE_TOPOLOGY topology)
    {
        Upload(vertices);
        context->IASetPrimitiveTopology(topology);
        context->Draw(static_cast<UINT>(vertices.size()), 0);
    }

    // The pixels of the target as R8G8B8A8 words (R in the low byte) or raw words.
    std::vector<std::uint32_t> Pixels() { return TargetValues<std::uint32_t>(1); }

    // The target's rows, read back through a staging copy, as `perPixel` values a pixel.
    template <class T>
    std::vector<T> TargetValues(std::size_t perPixel)
    {
        D3D11_TEXTURE2D_DESC desc{};
        target->GetDesc(&desc);
        desc.Usage = D3D11_USAGE_STAGING;
        desc.BindFlags = 0;
        desc.CPUAccessFlags = D3D11_CPU_ACCESS_READ;
        ComPtr<ID3D11Texture2D> staging;
        EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, staging.ReleaseAndGetAddressOf()));
        context->CopyResource(staging.Get(), target.Get());
        D3D11_MAPPED_SUBRESOURCE mapped{};
        EXPECT_EQ(S_OK, context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped));
        const std::size_t rowValues = std::size_t{desc.Width} * perPixel;
        std::vector<T> values(rowValues * desc.Height);
        for (UINT y = 0; y < desc.Height; ++y) {
            std::memcpy(values.data() + y * rowValues,
                        static_cast<const std::uint8_t*>(mapped.pData) + std::size_t{y} * mapped.RowPitch,
                        rowValues * sizeof(T));
        }
        context->Unmap(staging.Get(), 0);
        return values;
    }

    static std::uint32_t Rgba(std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a)
    {
        return r | (g << 8) | (b << 16) | (a << 24);
    }

    std::vector<std::byte> signature;
    ComPtr<ID3D11VertexShader> vertexShader;
    ComPtr<ID3D11PixelShader> pixelShader;
    ComPtr<ID3D11InputLayout> layout;
    ComPtr<ID3D11RasterizerState> noCulling;
    ComPtr<ID3D11Texture2D> target;
    ComPtr<ID3D11RenderTargetView> targetView;
    ComPtr<ID3D11DepthStencilView> depthView;
    ComPtr<ID3D11Buffer> vertexBuffer;
};

}  // namespace qz::test
