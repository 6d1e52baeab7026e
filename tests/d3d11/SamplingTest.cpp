// Kernels reading textures and buffers: filters, addressing, levels of detail, sRGB
// views, texel loads, structured elements and constants.

#include "tests/d3d11/RenderFixture.h"

#include <cmath>

namespace {

using qz::test::At;
using qz::test::ComPtr;
using qz::test::RenderTest;
using qz::test::Vertex;
using Quad4 = d3d11sw::Quad<d3d11sw::Float4>;

class Sampling : public RenderTest {
protected:
    // A pixel kernel around a sampling function of the quad.
    using Read = std::function<Quad4(const d3d11sw::StageResources&, const d3d11sw::PixelQuad&)>;
    void UseKernel(Read read)
    {
        d3d11sw::PixelShaderDesc desc;
        desc.kernel = d3d11sw::MakePixelKernel([read](const d3d11sw::StageResources& resources, d3d11sw::PixelQuad& quad) {
            quad.Target(0) = read(resources, quad);
        });
        ASSERT_EQ(S_OK, d3d11sw::CreatePixelShader(device.Get(), desc, kernel.ReleaseAndGetAddressOf()));
        context->PSSetShader(kernel.Get(), nullptr, 0);
    }

    void UseSampler(D3D11_FILTER filter, D3D11_TEXTURE_ADDRESS_MODE address)
    {
        D3D11_SAMPLER_DESC desc{filter, address, address, address, 0, 1, D3D11_COMPARISON_NEVER, {0, 0, 1, 1},
                                0, D3D11_FLOAT32_MAX};
        ASSERT_EQ(S_OK, device->CreateSamplerState(&desc, sampler.ReleaseAndGetAddressOf()));
        ID3D11SamplerState* raw = sampler.Get();
        context->PSSetSamplers(1, 1, &raw);
    }

    // An RGBA8 texture from its levels, bound to slot 2.
    void UseTexture(UINT width, UINT height, const std::vector<std::vector<std::uint32_t>>& levels,
                    DXGI_FORMAT viewFormat = DXGI_FORMAT_R8G8B8A8_UNORM)
    {
        D3D11_TEXTURE2D_DESC desc = Texture2DDesc(width, height, DXGI_FORMAT_R8G8B8A8_TYPELESS,
                                                  D3D11_BIND_SHADER_RESOURCE, static_cast<UINT>(levels.size()));
        std::vector<D3D11_SUBRESOURCE_DATA> data;
        for (std::size_t level = 0; level < levels.size(); ++level) {
            data.push_back({levels[level].data(), std::max(1u, width >> level) * 4, 0});
        }
        ComPtr<ID3D11Texture2D> texture;
        ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, data.data(), texture.ReleaseAndGetAddressOf()));
        D3D11_SHADER_RESOURCE_VIEW_DESC viewDesc{};
        viewDesc.Format = viewFormat;
        viewDesc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D;
        viewDesc.Texture2D = {0, static_cast<UINT>(levels.size())};
        ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), &viewDesc, view.ReleaseAndGetAddressOf()));
        ID3D11ShaderResourceView* raw = view.Get();
        context->PSSetShaderResources(2, 1, &raw);
    }

    // A screen-filling quad whose colour varying carries (u, v) from 0 to 1.
    void DrawQuad()
    {
        context->RSSetState(noCulling.Get());
        Draw({At(-1, 1, 0, 0, 0, 0), At(1, 1, 0, 1, 0, 0), At(-1, -1, 0, 0, 1, 0), At(1, -1, 0, 1, 1, 0)},
             D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    }

    ComPtr<ID3D11PixelShader> kernel;
    ComPtr<ID3D11SamplerState> sampler;
    ComPtr<ID3D11ShaderResourceView> view;
};

Quad4 SampleVarying(const d3d11sw::StageResources& resources, const d3d11sw::PixelQuad& quad)
{
    return resources.Sample(2, 1, quad.Varying(0));
}

TEST_F(Sampling, PointSamplingPicksTheTexelUnderThePixel)
{
    MakeTarget(4, 4);
    UseTexture(2, 2, {{Rgba(255, 0, 0, 255), Rgba(0, 255, 0, 255), Rgba(0, 0, 255, 255), Rgba(255, 255, 255, 255)}});
    UseSampler(D3D11_FILTER_MIN_MAG_MIP_POINT, D3D11_TEXTURE_ADDRESS_CLAMP);
    UseKernel(SampleVarying);
    DrawQuad();
    const std::vector<std::uint32_t> pixels = Pixels();
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const std::uint32_t texel[4] = {Rgba(255, 0, 0, 255), Rgba(0, 255, 0, 255), Rgba(0, 0, 255, 255),
                                            Rgba(255, 255, 255, 255)};
            EXPECT_EQ(texel[(y / 2) * 2 + x / 2], pixels[y * 4 + x]) << x << "," << y;
        }
    }
}

TEST_F(Sampling, LinearFilteringWithClampWrapAndBorder)
{
    const std::vector<std::vector<std::uint32_t>> blackWhite = {{Rgba(0, 0, 0, 255), Rgba(255, 0, 0, 255)}};
    auto row = [this](D3D11_TEXTURE_ADDRESS_MODE address) {
        UseSampler(D3D11_FILTER_MIN_MAG_MIP_LINEAR, address);
        DrawQuad();
        std::vector<std::uint32_t> reds;
        for (std::uint32_t pixel : Pixels()) {
            reds.push_back(pixel & 0xFF);
        }
        return reds;
    };
    MakeTarget(4, 1);
    UseTexture(2, 1, blackWhite);
    UseKernel(SampleVarying);
    // Pixel centres at u = 1/8, 3/8, 5/8, 7/8: texel positions -0.25, 0.25, 0.75, 1.25.
    EXPECT_EQ(std::vector<std::uint32_t>({0, 64, 191, 255}), row(D3D11_TEXTURE_ADDRESS_CLAMP));
    EXPECT_EQ(std::vector<std::uint32_t>({64, 64, 191, 191}), row(D3D11_TEXTURE_ADDRESS_WRAP));
    EXPECT_EQ(std::vector<std::uint32_t>({0, 64, 191, 191}), row(D3D11_TEXTURE_ADDRESS_BORDER));  // border red 0
}

TEST_F(Sampling, LevelOfDetailFromTheDerivatives)
{
    // Four levels of an 8x8 texture, one colour each.
    std::vector<std::vector<std::uint32_t>> levels;
    const std::uint32_t colours[4] = {Rgba(10, 0, 0, 255), Rgba(20, 0, 0, 255), Rgba(30, 0, 0, 255), Rgba(40, 0, 0, 255)};
    for (UINT level = 0; level < 4; ++level) {
        const UINT side = 8 >> level;
        levels.emplace_back(side * side, colours[level]);
    }
    UseTexture(8, 8, levels);
    UseKernel(SampleVarying);
    UseSampler(D3D11_FILTER_MIN_MAG_MIP_POINT, D3D11_TEXTURE_ADDRESS_CLAMP);
    // Eight texels per pixel: level 3. Two per pixel: level 1. One: level 0.
    for (const auto& [side, expected] : {std::pair{1u, 40u}, std::pair{4u, 20u}, std::pair{8u, 10u}, std::pair{16u, 10u}}) {
        MakeTarget(side, side);
        context->PSSetShader(kernel.Get(), nullptr, 0);
        DrawQuad();
        EXPECT_EQ(expected, Pixels()[0] & 0xFF) << side;
    }
    // Linear between levels: 2.8 texels per pixel is level log2(2.8) = 1.49.
    UseSampler(D3D11_FILTER_MIN_MAG_MIP_LINEAR, D3D11_TEXTURE_ADDRESS_CLAMP);
    MakeTarget(8, 8);
    UseKernel([](const d3d11sw::StageResources& resources, const d3d11sw::PixelQuad& quad) {
        const Quad4 coord = quad.Varying(0);
        const Quad4 ddx = d3d11sw::Ddx(coord);
        const Quad4 ddy = d3d11sw::Ddy(coord);
        Quad4 samples;
        for (int lane = 0; lane < 4; ++lane) {
            samples[lane] = resources.SampleGrad(2, 1, coord[lane], ddx[lane] * 2.8f, ddy[lane] * 2.8f);
        }
        return samples;
    });
    DrawQuad();
    EXPECT_NEAR(20.0 + 10.0 * std::log2(2.8) - 10.0, static_cast<double>(Pixels()[9] & 0xFF), 0.6);
}

TEST_F(Sampling, SrgbViewsReadLinearValues)
{
    MakeTarget(2, 2);
    UseTexture(1, 1, {{Rgba(188, 0, 255, 188)}}, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB);
    UseSampler(D3D11_FILTER_MIN_MAG_MIP_POINT, D3D11_TEXTURE_ADDRESS_CLAMP);
    UseKernel(SampleVarying);
    DrawQuad();
    EXPECT_EQ(Rgba(128, 0, 255, 188), Pixels()[0]);  // sRGB 188 is linear 0.5; alpha is not converted
}

TEST_F(Sampling, LoadsElementsAndConstants)
{
    MakeTarget(2, 1);
    UseTexture(2, 1, {{Rgba(1, 2, 3, 4), Rgba(5, 6, 7, 8)}});
    struct Record {
        std::uint32_t id;
        float value;
    };
    const Record records[3] = {{7, 0.25f}, {8, 0.5f}, {9, 0.75f}};
    const D3D11_BUFFER_DESC bufferDesc = BufferDesc(sizeof(records), D3D11_BIND_SHADER_RESOURCE, D3D11_USAGE_DEFAULT, 0,
                                                    D3D11_RESOURCE_MISC_BUFFER_STRUCTURED, sizeof(Record));
    const D3D11_SUBRESOURCE_DATA data{records, 0, 0};
    ComPtr<ID3D11Buffer> buffer;
    ASSERT_EQ(S_OK, device->CreateBuffer(&bufferDesc, &data, buffer.ReleaseAndGetAddressOf()));
    ComPtr<ID3D11ShaderResourceView> elements;
    ASSERT_EQ(S_OK, device->CreateShaderResourceView(buffer.Get(), nullptr, elements.ReleaseAndGetAddressOf()));
    ID3D11ShaderResourceView* raw = elements.Get();
    context->PSSetShaderResources(5, 1, &raw);
    const float constants[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const D3D11_BUFFER_DESC constantDesc = BufferDesc(16, D3D11_BIND_CONSTANT_BUFFER);
    const D3D11_SUBRESOURCE_DATA constantData{constants, 0, 0};
    ComPtr<ID3D11Buffer> constantBuffer;
    ASSERT_EQ(S_OK, device->CreateBuffer(&constantDesc, &constantData, constantBuffer.ReleaseAndGetAddressOf()));
    ID3D11Buffer* rawConstants = constantBuffer.Get();
    context->PSSetConstantBuffers(0, 1, &rawConstants);

    UseKernel([](const d3d11sw::StageResources& resources, const d3d11sw::PixelQuad& quad) {
        Quad4 texels;
        for (int lane = 0; lane < 4; ++lane) {
            const int x = quad.X() + (lane & 1);
            d3d11sw::Float4 texel = resources.Load(2, 1 - x, 0, 0, 0);
            const std::byte* element = resources.Element(5, static_cast<UINT>(x + 1));
            Record record{};
            if (element) {
                std::memcpy(&record, element, sizeof(record));
            }
            texel.y = record.value;
            texel.w = resources.Constant<float>(0, 12);
            // Outside everything: zeros and nulls.
            if (resources.Element(5, 3) || resources.Load(2, 2, 0, 0, 0).x != 0.0f ||
                resources.Constant<float>(0, 16) || resources.Constant<float>(3, 0)) {
                texel.z = 1.0f;
            }
            UINT width = 0, height = 0, depth = 0, levels = 0;
            if (!resources.Dimensions(2, 0, width, height, depth, levels) || width != 2 || height != 1 || levels != 1) {
                texel.z = 1.0f;
            }
            texels[lane] = texel;
        }
        return texels;
    });
    DrawQuad();
    const std::vector<std::uint32_t> pixels = Pixels();
    EXPECT_EQ(Rgba(5, 128, 7, 255), pixels[0]);
    EXPECT_EQ(Rgba(1, 191, 3, 255), pixels[1]);
}

TEST_F(Sampling, InputLayoutsAreCheckedAgainstTheSignature)
{
    ID3D11InputLayout* made = nullptr;
    const D3D11_INPUT_ELEMENT_DESC onlyPosition[1] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0}};
    EXPECT_EQ(E_INVALIDARG, device->CreateInputLayout(onlyPosition, 1, signature.data(), signature.size(), &made));
    const D3D11_INPUT_ELEMENT_DESC wrongType[2] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_UINT, 0, 16, D3D11_INPUT_PER_VERTEX_DATA, 0}};
    EXPECT_EQ(E_INVALIDARG, device->CreateInputLayout(wrongType, 2, signature.data(), signature.size(), &made));
    const D3D11_INPUT_ELEMENT_DESC extra[3] = {
        {"color", 0, DXGI_FORMAT_R8G8B8A8_UNORM, 1, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, D3D11_APPEND_ALIGNED_ELEMENT, D3D11_INPUT_PER_VERTEX_DATA, 0}};
    ASSERT_EQ(S_OK, device->CreateInputLayout(extra, 3, signature.data(), signature.size(), &made));
    made->Release();
    EXPECT_EQ(E_INVALIDARG, device->CreateInputLayout(extra, 3, signature.data(), signature.size() - 1, &made));
    EXPECT_EQ(nullptr, made);
    const D3D11_INPUT_ELEMENT_DESC twice[3] = {extra[0], extra[1], extra[0]};
    EXPECT_EQ(E_INVALIDARG, device->CreateInputLayout(twice, 3, signature.data(), signature.size(), &made));
}

TEST_F(Sampling, AttributesFromTwoSlotsWithMissingComponents)
{
    // Positions as three floats in slot 0 (w reads 1), colours as bytes in slot 1.
    MakeTarget(2, 2);
    const D3D11_INPUT_ELEMENT_DESC elements[2] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"COLOR", 0, DXGI_FORMAT_R8G8B8A8_UNORM, 1, 0, D3D11_INPUT_PER_VERTEX_DATA, 0}};
    ComPtr<ID3D11InputLayout> twoSlots;
    ASSERT_EQ(S_OK, device->CreateInputLayout(elements, 2, signature.data(), signature.size(),
                                              twoSlots.ReleaseAndGetAddressOf()));
    const float positions[] = {-1, 1, 0, 3, 1, 0, -1, -3, 0};
    const std::uint32_t colours[] = {Rgba(9, 99, 199, 255), Rgba(9, 99, 199, 255), Rgba(9, 99, 199, 255)};
    ComPtr<ID3D11Buffer> buffers[2];
    const D3D11_BUFFER_DESC positionDesc = BufferDesc(sizeof(positions), D3D11_BIND_VERTEX_BUFFER);
    const D3D11_BUFFER_DESC colourDesc = BufferDesc(sizeof(colours), D3D11_BIND_VERTEX_BUFFER);
    const D3D11_SUBRESOURCE_DATA positionData{positions, 0, 0};
    const D3D11_SUBRESOURCE_DATA colourData{colours, 0, 0};
    ASSERT_EQ(S_OK, device->CreateBuffer(&positionDesc, &positionData, buffers[0].ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, device->CreateBuffer(&colourDesc, &colourData, buffers[1].ReleaseAndGetAddressOf()));
    ID3D11Buffer* raw[2] = {buffers[0].Get(), buffers[1].Get()};
    const UINT strides[2] = {12, 4};
    const UINT offsets[2] = {0, 0};
    context->IASetVertexBuffers(0, 2, raw, strides, offsets);
    context->IASetInputLayout(twoSlots.Get());
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context->RSSetState(noCulling.Get());
    context->Draw(3, 0);
    EXPECT_EQ(Rgba(9, 99, 199, 255), Pixels()[3]);
}

}  // namespace
