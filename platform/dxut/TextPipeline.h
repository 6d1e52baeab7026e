#pragma once
// The device objects that draw text: the glyph coverage texture, the glyph kernels with
// their input layout, the blend, depth and rasterizer states, and a vertex buffer that
// grows with the text of a frame.

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"
#include "platform/dxut/GlyphAtlas.h"

#include <memory>

namespace platform::dxut {

// A corner of a glyph quad: clip-space position, glyph-texture coordinate, colour.
struct GlyphVertex {
    float x;
    float y;
    float u;
    float v;
    float colour[4];
};

struct TextPipeline {
    GlyphAtlas atlas;
    d3d11sw::ComPtr<ID3D11ShaderResourceView> glyphView;
    d3d11sw::ComPtr<ID3D11VertexShader> vertexShader;
    d3d11sw::ComPtr<ID3D11PixelShader> pixelShader;
    d3d11sw::ComPtr<ID3D11InputLayout> inputLayout;
    d3d11sw::ComPtr<ID3D11BlendState> blend;
    d3d11sw::ComPtr<ID3D11DepthStencilState> noDepth;
    d3d11sw::ComPtr<ID3D11RasterizerState> raster;
    d3d11sw::ComPtr<ID3D11SamplerState> pointSampler;
    d3d11sw::ComPtr<ID3D11Buffer> vertices;
    UINT vertexCapacity = 0;
    // Over four million glyphs in one frame is a runaway caller, not text.
    static constexpr UINT MaxVertices = 6u << 22;

    // The pipeline of a device, or null and the failure.
    static HRESULT Create(ID3D11Device* device, std::unique_ptr<TextPipeline>& pipeline);
    // A vertex buffer for at least that many vertices.
    HRESULT Reserve(ID3D11Device* device, UINT vertexCount);
};

}  // namespace platform::dxut
