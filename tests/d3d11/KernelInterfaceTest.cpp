// The kernel interface: kernels carry their own data, integer values keep every bit
// through loads, attributes and integer targets (which are never blended), and mip
// levels follow the derivatives of a quad.

#include "tests/d3d11/RenderFixture.h"

#include <cstring>

namespace {

using d3d11sw::Float4;
using d3d11sw::PixelQuad;
using d3d11sw::StageResources;
using d3d11sw::Uint4;
using qz::test::At;
using qz::test::ComPtr;
using qz::test::RenderTest;
using Quad4 = d3d11sw::Quad<Float4>;

// A pixel kernel that writes the colour at the constant-buffer offset it was made with,
// as an effect's kernel reads a variable at the offset its reflection gave.
class ConstantColour final : public d3d11sw::PixelKernel {
public:
    explicit ConstantColour(UINT offset) : offset_(offset) {}
    void Shade(const StageResources& resources, d3d11sw::PixelSpan& span) const override
    {
        const Float4 colour = resources.Constant<Float4>(0, offset_);
        for (int quad = 0; quad < span.Count(); ++quad) {
            span.Target(quad, 0) = Quad4::Splat(colour);
        }
    }

private:
    UINT offset_;
};

class KernelInterface : public RenderTest {
protected:
    ComPtr<ID3D11PixelShader> MakePixelShader(std::shared_ptr<const d3d11sw::PixelKernel> kernel)
    {
        ComPtr<ID3D11PixelShader> shader;
        EXPECT_EQ(S_OK, d3d11sw::CreatePixelShader(device.Get(), {std::move(kernel)}, shader.ReleaseAndGetAddressOf()));
        return shader;
    }

    template <class T>
    ComPtr<ID3D11Buffer> MakeBuffer(const T& data, UINT bind)
    {
        const D3D11_BUFFER_DESC desc = BufferDesc(sizeof(T), bind);
        const D3D11_SUBRESOURCE_DATA init{&data, 0, 0};
        ComPtr<ID3D11Buffer> buffer;
        EXPECT_EQ(S_OK, device->CreateBuffer(&desc, &init, buffer.ReleaseAndGetAddressOf()));
        return buffer;
    }

    // A one-texel texture of any format in slot 0.
    void UseTexel(DXGI_FORMAT format, const void* texel, UINT bytes)
    {
        const D3D11_TEXTURE2D_DESC desc = Texture2DDesc(1, 1, format, D3D11_BIND_SHADER_RESOURCE);
        const D3D11_SUBRESOURCE_DATA init{texel, bytes, 0};
        ComPtr<ID3D11Texture2D> texture;
        ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, &init, texture.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), nullptr, view.ReleaseAndGetAddressOf()));
        ID3D11ShaderResourceView* raw = view.Get();
        context->PSSetShaderResources(0, 1, &raw);
    }

    void DrawFull()
    {
        context->RSSetState(noCulling.Get());
        Draw({At(-1, 1, 0, 0, 0, 0), At(3, 1, 0, 0, 0, 0), At(-1, -3, 0, 0, 0, 0)}, D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    }

    // Target pixel (0, 0) read back raw.
    std::vector<std::byte> FirstPixel(UINT bytes)
    {
        D3D11_TEXTURE2D_DESC desc{};
        target->GetDesc(&desc);
        const D3D11_TEXTURE2D_DESC stagingDesc = StagingDesc(desc.Width, desc.Height, desc.Format);
        ComPtr<ID3D11Texture2D> staging;
        EXPECT_EQ(S_OK, device->CreateTexture2D(&stagingDesc, nullptr, staging.ReleaseAndGetAddressOf()));
        context->CopyResource(staging.Get(), target.Get());
        D3D11_MAPPED_SUBRESOURCE mapped{};
        EXPECT_EQ(S_OK, context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped));
        std::vector<std::byte> pixel(bytes);
        std::memcpy(pixel.data(), mapped.pData, bytes);
        context->Unmap(staging.Get(), 0);
        return pixel;
    }

    ComPtr<ID3D11ShaderResourceView> view;
};

TEST_F(KernelInterface, KernelsOfOneClassCarryTheirOwnOffsets)
{
    MakeTarget(4, 4);
    const float colours[8] = {1, 0, 0, 1, 0, 0, 1, 1};
    const ComPtr<ID3D11Buffer> constants = MakeBuffer(colours, D3D11_BIND_CONSTANT_BUFFER);
    ID3D11Buffer* raw = constants.Get();
    context->PSSetConstantBuffers(0, 1, &raw);
    const struct {
        UINT offset;
        std::uint32_t expected;
    } rows[] = {{0, Rgba(255, 0, 0, 255)}, {16, Rgba(0, 0, 255, 255)}, {32, Rgba(0, 0, 0, 0)}};
    std::vector<ComPtr<ID3D11PixelShader>> shaders;
    for (const auto& row : rows) {
        shaders.push_back(MakePixelShader(std::make_shared<ConstantColour>(row.offset)));
    }
    for (std::size_t i = 0; i < shaders.size(); ++i) {
        Clear(0.5f, 0.5f, 0.5f, 0.5f);
        context->PSSetShader(shaders[i].Get(), nullptr, 0);
        DrawFull();
        EXPECT_EQ(rows[i].expected, Pixels()[5]) << rows[i].offset;
    }
}

TEST_F(KernelInterface, ConstantsAreTakenWhenTheDrawIsMade)
{
    MakeTarget(4, 4);
    float colour[4] = {0, 1, 0, 1};
    const ComPtr<ID3D11Buffer> constants = MakeBuffer(colour, D3D11_BIND_CONSTANT_BUFFER);
    ID3D11Buffer* raw = constants.Get();
    context->PSSetConstantBuffers(0, 1, &raw);
    const ComPtr<ID3D11PixelShader> shader = MakePixelShader(std::make_shared<ConstantColour>(0));
    context->PSSetShader(shader.Get(), nullptr, 0);
    DrawFull();
    colour[1] = 0.0f;
    context->UpdateSubresource(constants.Get(), 0, nullptr, colour, 0, 0);
    EXPECT_EQ(Rgba(0, 255, 0, 255), Pixels()[0]);
}

// Load gives integer texels bit for bit, and an integer target stores them bit for bit.
TEST_F(KernelInterface, IntegerTexelsRoundTripThroughLoadExactly)
{
    const struct {
        DXGI_FORMAT format;
        UINT bytes;
        Uint4 texel;   // as stored (components of the format's width)
        Uint4 loaded;  // as Load gives it: missing components 0, missing alpha 1
    } rows[] = {
        {DXGI_FORMAT_R32_UINT, 4, {0x01000001u, 0, 0, 0}, {0x01000001u, 0, 0, 1}},
        {DXGI_FORMAT_R32_UINT, 4, {0xFFFFFFFFu, 0, 0, 0}, {0xFFFFFFFFu, 0, 0, 1}},
        {DXGI_FORMAT_R32G32B32A32_UINT, 16, {0x80000001u, 7, 0xFFFFFFFEu, 0x01000001u},
         {0x80000001u, 7, 0xFFFFFFFEu, 0x01000001u}},
        {DXGI_FORMAT_R32_SINT, 4, {0x80000000u, 0, 0, 0}, {0x80000000u, 0, 0, 1}},
    };
    for (const auto& row : rows) {
        MakeTarget(2, 2, DXGI_FORMAT_R32G32B32A32_UINT);
        UseTexel(row.format, &row.texel, row.bytes);
        const ComPtr<ID3D11PixelShader> shader =
            MakePixelShader(d3d11sw::MakePixelKernel([](const StageResources& resources, PixelQuad& quad) {
                quad.Target(0) = Quad4::Splat(d3d11sw::AsFloat(resources.LoadUint(0, 0, 0, 0, 0)));
            }));
        context->PSSetShader(shader.Get(), nullptr, 0);
        DrawFull();
        Uint4 stored{};
        std::memcpy(&stored, FirstPixel(16).data(), 16);
        EXPECT_EQ(row.loaded, stored) << row.format << " " << row.texel.x;
    }
}

TEST_F(KernelInterface, IntegerAttributesReachTheVertexKernelAsBits)
{
    MakeTarget(2, 2);
    const std::vector<d3d11sw::SignatureElement> inputs = {{"ID", 0, d3d11sw::ComponentType::Uint, 1}};
    const std::vector<std::byte> idSignature = d3d11sw::EncodeInputSignature(inputs);
    const D3D11_INPUT_ELEMENT_DESC element{"ID", 0, DXGI_FORMAT_R32_UINT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0};
    ComPtr<ID3D11InputLayout> idLayout;
    ASSERT_EQ(S_OK, device->CreateInputLayout(&element, 1, idSignature.data(), idSignature.size(),
                                              idLayout.ReleaseAndGetAddressOf()));
    // Vertices land on the screen only when their attribute arrives exactly.
    d3d11sw::VertexShaderDesc desc;
    desc.inputs = inputs;
    desc.varyingCount = 1;
    desc.kernel = d3d11sw::MakeVertexKernel(
        [](const StageResources&, const d3d11sw::VertexInput& in, d3d11sw::VertexOutput& out) {
            const float corner[3][2] = {{-1, 1}, {3, 1}, {-1, -3}};
            const bool exact = d3d11sw::AsUint(in.attributes[0]).x == 0x01000001u + in.vertexId;
            out.position = {corner[in.vertexId][0], corner[in.vertexId][1], exact ? 0.5f : 2.0f, 1.0f};
            out.varyings[0] = {1, 1, 1, 1};
        });
    ComPtr<ID3D11VertexShader> shader;
    ASSERT_EQ(S_OK, d3d11sw::CreateVertexShader(device.Get(), desc, shader.ReleaseAndGetAddressOf()));
    const std::uint32_t ids[3] = {0x01000001u, 0x01000002u, 0x01000003u};
    const ComPtr<ID3D11Buffer> buffer = MakeBuffer(ids, D3D11_BIND_VERTEX_BUFFER);
    ID3D11Buffer* raw = buffer.Get();
    const UINT stride = 4;
    const UINT offset = 0;
    context->IASetVertexBuffers(0, 1, &raw, &stride, &offset);
    context->IASetInputLayout(idLayout.Get());
    context->VSSetShader(shader.Get(), nullptr, 0);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context->RSSetState(noCulling.Get());
    Clear(0, 0, 0, 0);
    context->Draw(3, 0);
    EXPECT_EQ(Rgba(255, 255, 255, 255), Pixels()[3]);
}

TEST_F(KernelInterface, IntegerTargetsAreNeverBlended)
{
    D3D11_BLEND_DESC blendDesc{};
    blendDesc.RenderTarget[0] = {TRUE, D3D11_BLEND_ONE, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD, D3D11_BLEND_ONE,
                                 D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL};
    ComPtr<ID3D11BlendState> additive;
    ASSERT_EQ(S_OK, device->CreateBlendState(&blendDesc, additive.ReleaseAndGetAddressOf()));
    const struct {
        DXGI_FORMAT format;
        UINT bytes;
        Uint4 output;
        std::uint32_t stored;  // the first word of the pixel
    } rows[] = {
        {DXGI_FORMAT_R32_UINT, 4, {0x01000001u, 0, 0, 0}, 0x01000001u},
        {DXGI_FORMAT_R8G8B8A8_UINT, 4, {300, 2, 3, 4}, 0x040302FFu},          // clamped to the byte
        {DXGI_FORMAT_R16G16_SINT, 4, {0xFFFF0000u, 5, 0, 0}, 0x00058000u},    // -65536 clamps to -32768
    };
    for (const auto& row : rows) {
        MakeTarget(2, 2, row.format);
        context->OMSetBlendState(additive.Get(), nullptr, D3D11_DEFAULT_SAMPLE_MASK);
        const FLOAT clear[4] = {9, 9, 9, 9};
        context->ClearRenderTargetView(targetView.Get(), clear);
        const Uint4 output = row.output;
        const ComPtr<ID3D11PixelShader> shader =
            MakePixelShader(d3d11sw::MakePixelKernel([output](const StageResources&, PixelQuad& quad) {
                quad.Target(0) = Quad4::Splat(d3d11sw::AsFloat(output));
            }));
        context->PSSetShader(shader.Get(), nullptr, 0);
        DrawFull();
        std::uint32_t stored = 0;
        std::memcpy(&stored, FirstPixel(4).data(), 4);
        EXPECT_EQ(row.stored, stored) << row.format;
    }
}

// One triangle over the target, its texture coordinate growing by `scale` texture widths
// across the target: 8 x scale / side texels per pixel pick the level.
TEST_F(KernelInterface, QuadDerivativesChooseTheMipLevelOfATexturedTriangle)
{
    std::vector<std::vector<std::uint32_t>> levels;
    for (UINT level = 0; level < 4; ++level) {
        levels.emplace_back((8u >> level) * (8u >> level), Rgba(10 * (level + 1), 0, 0, 255));
    }
    const D3D11_TEXTURE2D_DESC desc = Texture2DDesc(8, 8, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_SHADER_RESOURCE, 4);
    std::vector<D3D11_SUBRESOURCE_DATA> data;
    for (UINT level = 0; level < 4; ++level) {
        data.push_back({levels[level].data(), (8u >> level) * 4, 0});
    }
    ComPtr<ID3D11Texture2D> texture;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, data.data(), texture.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), nullptr, view.ReleaseAndGetAddressOf()));
    D3D11_SAMPLER_DESC samplerDesc{D3D11_FILTER_MIN_MAG_MIP_POINT, D3D11_TEXTURE_ADDRESS_WRAP,
                                   D3D11_TEXTURE_ADDRESS_WRAP, D3D11_TEXTURE_ADDRESS_WRAP, 0, 1,
                                   D3D11_COMPARISON_NEVER, {}, 0, D3D11_FLOAT32_MAX};
    ComPtr<ID3D11SamplerState> sampler;
    ASSERT_EQ(S_OK, device->CreateSamplerState(&samplerDesc, sampler.ReleaseAndGetAddressOf()));
    const ComPtr<ID3D11PixelShader> shader =
        MakePixelShader(d3d11sw::MakePixelKernel([](const StageResources& resources, PixelQuad& quad) {
            quad.Target(0) = resources.Sample(0, 0, quad.Varying(0));
        }));
    const struct {
        UINT side;
        float scale;
        std::uint32_t red;
    } rows[] = {{16, 1.0f, 10}, {16, 2.0f, 10}, {16, 4.0f, 20}, {16, 8.0f, 30}, {16, 16.0f, 40}, {16, 64.0f, 40},
                {32, 2.0f, 10}, {32, 16.0f, 30}};
    for (const auto& row : rows) {
        MakeTarget(row.side, row.side);
        ID3D11ShaderResourceView* rawView = view.Get();
        ID3D11SamplerState* rawSampler = sampler.Get();
        context->PSSetShaderResources(0, 1, &rawView);
        context->PSSetSamplers(0, 1, &rawSampler);
        context->PSSetShader(shader.Get(), nullptr, 0);
        context->RSSetState(noCulling.Get());
        const float s = 2.0f * row.scale;  // the triangle is twice the target
        Draw({At(-1, 1, 0, 0, 0, 0), At(3, 1, 0, s, 0, 0), At(-1, -3, 0, 0, s, 0)},
             D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
        const std::vector<std::uint32_t> pixels = Pixels();
        EXPECT_EQ(row.red, pixels[0] & 0xFF) << row.side << " " << row.scale;
        EXPECT_EQ(row.red, pixels[pixels.size() - 1] & 0xFF) << row.side << " " << row.scale;
    }
}

}  // namespace
