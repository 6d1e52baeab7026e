#include "platform/dxut/TextPipeline.h"

#include "platform/d3d11/kernels/ShaderKernels.h"

#include <algorithm>
#include <vector>

namespace platform::dxut {

namespace {

using d3d11sw::Float4;
using d3d11sw::Quad;

// Glyph quads come in clip space; the texel coordinate and the colour go on.
std::shared_ptr<const d3d11sw::VertexKernel> GlyphVertexKernel()
{
    return d3d11sw::MakeVertexKernel([](const d3d11sw::StageResources&, const d3d11sw::VertexInput& in, d3d11sw::VertexOutput& out) {
        const Float4& corner = in.attributes[0];
        out.position = {corner.x, corner.y, 0.0f, 1.0f};
        out.varyings[0] = {corner.z, corner.w, 0.0f, 0.0f};
        out.varyings[1] = in.attributes[1];
    });
}

// Pixels and texels are aligned, so the point sample at each pixel centre is that
// pixel's texel of coverage; pixels without coverage write nothing.
std::shared_ptr<const d3d11sw::PixelKernel> GlyphPixelKernel()
{
    return d3d11sw::MakePixelKernel([](const d3d11sw::StageResources& resources, d3d11sw::PixelQuad& quad) {
        const Quad<Float4> coverage = resources.Sample(0, 0, quad.Varying(0));
        const Quad<Float4> colour = quad.Varying(1);
        Quad<Float4>& out = quad.Target(0);
        UINT empty = 0;
        for (int lane = 0; lane < 4; ++lane) {
            out[lane] = {colour[lane].x, colour[lane].y, colour[lane].z, colour[lane].w * coverage[lane].x};
            if (coverage[lane].x == 0.0f) {
                empty |= 1u << lane;
            }
        }
        quad.Discard(empty);
    });
}

HRESULT CreateShaders(ID3D11Device* device, TextPipeline& pipeline)
{
    d3d11sw::VertexShaderDesc vertex;
    vertex.inputs = {{"POSITION", 0, d3d11sw::ComponentType::Float, 4}, {"COLOR", 0, d3d11sw::ComponentType::Float, 4}};
    vertex.varyingCount = 2;
    vertex.kernel = GlyphVertexKernel();
    HRESULT result = d3d11sw::CreateVertexShader(device, vertex, pipeline.vertexShader.ReleaseAndGetAddressOf());
    if (FAILED(result)) {
        return result;
    }
    result = d3d11sw::CreatePixelShader(device, {GlyphPixelKernel()}, pipeline.pixelShader.ReleaseAndGetAddressOf());
    if (FAILED(result)) {
        return result;
    }
    const std::vector<std::byte> signature = d3d11sw::EncodeInputSignature(vertex.inputs);
    const D3D11_INPUT_ELEMENT_DESC elements[] = {
        {"POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0},
        {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 16, D3D11_INPUT_PER_VERTEX_DATA, 0}};
    return device->CreateInputLayout(elements, 2, signature.data(), signature.size(),
                                     pipeline.inputLayout.ReleaseAndGetAddressOf());
}

HRESULT CreateStates(ID3D11Device* device, TextPipeline& pipeline)
{
    D3D11_BLEND_DESC blend{};
    blend.RenderTarget[0] = {TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD,
                             D3D11_BLEND_ONE, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL};
    HRESULT result = device->CreateBlendState(&blend, pipeline.blend.ReleaseAndGetAddressOf());
    if (FAILED(result)) {
        return result;
    }
    const D3D11_DEPTH_STENCIL_DESC depth{FALSE, D3D11_DEPTH_WRITE_MASK_ZERO, D3D11_COMPARISON_LESS, FALSE, 0, 0, {}, {}};
    result = device->CreateDepthStencilState(&depth, pipeline.noDepth.ReleaseAndGetAddressOf());
    if (FAILED(result)) {
        return result;
    }
    const D3D11_RASTERIZER_DESC raster{D3D11_FILL_SOLID, D3D11_CULL_NONE, FALSE, 0, 0.0f, 0.0f, TRUE, FALSE, FALSE, FALSE};
    result = device->CreateRasterizerState(&raster, pipeline.raster.ReleaseAndGetAddressOf());
    if (FAILED(result)) {
        return result;
    }
    const D3D11_SAMPLER_DESC point{D3D11_FILTER_MIN_MAG_MIP_POINT, D3D11_TEXTURE_ADDRESS_CLAMP, D3D11_TEXTURE_ADDRESS_CLAMP,
                                   D3D11_TEXTURE_ADDRESS_CLAMP, 0.0f, 1, D3D11_COMPARISON_NEVER, {0, 0, 0, 0}, 0.0f, 0.0f};
    return device->CreateSamplerState(&point, pipeline.pointSampler.ReleaseAndGetAddressOf());
}

HRESULT CreateGlyphTexture(ID3D11Device* device, TextPipeline& pipeline)
{
    D3D11_TEXTURE2D_DESC desc{GlyphAtlas::Width, GlyphAtlas::Height, 1, 1, DXGI_FORMAT_R8_UNORM, {1, 0},
                              D3D11_USAGE_DEFAULT, D3D11_BIND_SHADER_RESOURCE, 0, 0};
    const D3D11_SUBRESOURCE_DATA data{pipeline.atlas.Coverage().data(), GlyphAtlas::Width, 0};
    d3d11sw::ComPtr<ID3D11Texture2D> texture;
    const HRESULT result = device->CreateTexture2D(&desc, &data, texture.ReleaseAndGetAddressOf());
    if (FAILED(result)) {
        return result;
    }
    return device->CreateShaderResourceView(texture.Get(), nullptr, pipeline.glyphView.ReleaseAndGetAddressOf());
}

}  // namespace

HRESULT TextPipeline::Create(ID3D11Device* device, std::unique_ptr<TextPipeline>& pipeline)
{
    pipeline.reset();
    auto created = std::make_unique<TextPipeline>();
    HRESULT result = created->atlas.Load(DefaultFontPath);
    if (SUCCEEDED(result)) {
        result = CreateGlyphTexture(device, *created);
    }
    if (SUCCEEDED(result)) {
        result = CreateShaders(device, *created);
    }
    if (SUCCEEDED(result)) {
        result = CreateStates(device, *created);
    }
    if (SUCCEEDED(result)) {
        result = created->Reserve(device, 6 * 1024);
    }
    if (SUCCEEDED(result)) {
        pipeline = std::move(created);
    }
    return result;
}

HRESULT TextPipeline::Reserve(ID3D11Device* device, UINT vertexCount)
{
    if (vertexCount <= vertexCapacity) {
        return S_OK;
    }
    if (vertexCount > MaxVertices) {
        return E_OUTOFMEMORY;
    }
    UINT capacity = std::max(vertexCapacity, 6u * 256u);
    while (capacity < vertexCount) {
        capacity *= 2;
    }
    const D3D11_BUFFER_DESC desc{static_cast<UINT>(capacity * sizeof(GlyphVertex)), D3D11_USAGE_DYNAMIC,
                                 D3D11_BIND_VERTEX_BUFFER, D3D11_CPU_ACCESS_WRITE, 0, 0};
    const HRESULT result = device->CreateBuffer(&desc, nullptr, vertices.ReleaseAndGetAddressOf());
    vertexCapacity = SUCCEEDED(result) ? capacity : 0;
    return result;
}

}  // namespace platform::dxut
