#include "platform/dxut/TextRenderer.h"

#include "platform/dxut/DialogResourceManager.h"
#include "platform/dxut/TextPipeline.h"

#include <cstring>

namespace platform::dxut {

namespace {

// The pipeline state text drawing changes, put back as it was when drawing ends.
class SavedPipelineState {
public:
    explicit SavedPipelineState(ID3D11DeviceContext* context) : context_(context)
    {
        context->IAGetInputLayout(layout_.ReleaseAndGetAddressOf());
        context->IAGetPrimitiveTopology(&topology_);
        context->IAGetVertexBuffers(0, 1, buffer_.ReleaseAndGetAddressOf(), &stride_, &offset_);
        context->VSGetShader(vertexShader_.ReleaseAndGetAddressOf(), nullptr, nullptr);
        context->PSGetShader(pixelShader_.ReleaseAndGetAddressOf(), nullptr, nullptr);
        context->PSGetShaderResources(0, 1, view_.ReleaseAndGetAddressOf());
        context->PSGetSamplers(0, 1, sampler_.ReleaseAndGetAddressOf());
        context->OMGetBlendState(blend_.ReleaseAndGetAddressOf(), blendFactor_, &sampleMask_);
        context->OMGetDepthStencilState(depth_.ReleaseAndGetAddressOf(), &stencilRef_);
        context->RSGetState(raster_.ReleaseAndGetAddressOf());
    }
    ~SavedPipelineState()
    {
        context_->IASetInputLayout(layout_.Get());
        context_->IASetPrimitiveTopology(topology_);
        ID3D11Buffer* buffer = buffer_.Get();
        context_->IASetVertexBuffers(0, 1, &buffer, &stride_, &offset_);
        context_->VSSetShader(vertexShader_.Get(), nullptr, 0);
        context_->PSSetShader(pixelShader_.Get(), nullptr, 0);
        ID3D11ShaderResourceView* view = view_.Get();
        context_->PSSetShaderResources(0, 1, &view);
        ID3D11SamplerState* sampler = sampler_.Get();
        context_->PSSetSamplers(0, 1, &sampler);
        context_->OMSetBlendState(blend_.Get(), blendFactor_, sampleMask_);
        context_->OMSetDepthStencilState(depth_.Get(), stencilRef_);
        context_->RSSetState(raster_.Get());
    }
    SavedPipelineState(const SavedPipelineState&) = delete;
    SavedPipelineState& operator=(const SavedPipelineState&) = delete;

private:
    ID3D11DeviceContext* context_;
    d3d11sw::ComPtr<ID3D11InputLayout> layout_;
    D3D11_PRIMITIVE_TOPOLOGY topology_ = D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED;
    d3d11sw::ComPtr<ID3D11Buffer> buffer_;
    UINT stride_ = 0;
    UINT offset_ = 0;
    d3d11sw::ComPtr<ID3D11VertexShader> vertexShader_;
    d3d11sw::ComPtr<ID3D11PixelShader> pixelShader_;
    d3d11sw::ComPtr<ID3D11ShaderResourceView> view_;
    d3d11sw::ComPtr<ID3D11SamplerState> sampler_;
    d3d11sw::ComPtr<ID3D11BlendState> blend_;
    FLOAT blendFactor_[4] = {};
    UINT sampleMask_ = 0;
    d3d11sw::ComPtr<ID3D11DepthStencilState> depth_;
    UINT stencilRef_ = 0;
    d3d11sw::ComPtr<ID3D11RasterizerState> raster_;
};

// The size positions are measured in: the manager's back buffer, else the viewport.
bool TargetSize(const CDXUTDialogResourceManager& manager, ID3D11DeviceContext* context, float& width, float& height)
{
    width = static_cast<float>(manager.m_nBackBufferWidth);
    height = static_cast<float>(manager.m_nBackBufferHeight);
    if (width <= 0.0f || height <= 0.0f) {
        UINT count = 1;
        D3D11_VIEWPORT viewport{};
        context->RSGetViewports(&count, &viewport);
        width = count ? viewport.Width : 0.0f;
        height = count ? viewport.Height : 0.0f;
    }
    return width > 0.0f && height > 0.0f;
}

// The quad over the inked part of a glyph's cell: the rest of the cell has no coverage.
void WriteQuad(GlyphVertex* out, const CDXUTTextHelper::Glyph& glyph, const GlyphAtlas::Ink& ink, float toClipX, float toClipY)
{
    const float left = static_cast<float>(glyph.x + ink.left) * toClipX - 1.0f;
    const float right = static_cast<float>(glyph.x + ink.right) * toClipX - 1.0f;
    const float top = 1.0f - static_cast<float>(glyph.y + ink.top) * toClipY;
    const float bottom = 1.0f - static_cast<float>(glyph.y + ink.bottom) * toClipY;
    constexpr float toU = 1.0f / GlyphAtlas::Width;
    constexpr float toV = 1.0f / GlyphAtlas::Height;
    const float u0 = static_cast<float>(GlyphAtlas::CellX(glyph.cell) + ink.left) * toU;
    const float v0 = static_cast<float>(GlyphAtlas::CellY(glyph.cell) + ink.top) * toV;
    const float u1 = static_cast<float>(GlyphAtlas::CellX(glyph.cell) + ink.right) * toU;
    const float v1 = static_cast<float>(GlyphAtlas::CellY(glyph.cell) + ink.bottom) * toV;
    const GlyphVertex corners[4] = {{left, top, u0, v0, {}}, {right, top, u1, v0, {}},
                                    {left, bottom, u0, v1, {}}, {right, bottom, u1, v1, {}}};
    int i = 0;
    for (int corner : {0, 1, 2, 1, 3, 2}) {
        out[i] = corners[corner];
        std::memcpy(out[i].colour, &glyph.color, sizeof(out[i].colour));
        ++i;
    }
}

}  // namespace

void DrawGlyphs(const CDXUTDialogResourceManager& manager, ID3D11DeviceContext* context,
                const std::vector<CDXUTTextHelper::Glyph>& glyphs)
{
    TextPipeline* text = manager.Text();
    float width = 0.0f;
    float height = 0.0f;
    if (!text || glyphs.empty() || glyphs.size() > TextPipeline::MaxVertices / 6 || !TargetSize(manager, context, width, height)) {
        return;
    }
    const UINT reserved = static_cast<UINT>(glyphs.size() * 6);
    if (FAILED(text->Reserve(manager.GetD3D11Device(), reserved))) {
        return;
    }
    D3D11_MAPPED_SUBRESOURCE mapped{};
    if (FAILED(context->Map(text->vertices.Get(), 0, D3D11_MAP_WRITE_DISCARD, 0, &mapped))) {
        return;
    }
    auto* vertices = static_cast<GlyphVertex*>(mapped.pData);
    UINT vertexCount = 0;
    for (const CDXUTTextHelper::Glyph& glyph : glyphs) {
        const GlyphAtlas::Ink& ink = text->atlas.InkOf(glyph.cell);
        if (!ink.Empty()) {
            WriteQuad(vertices + vertexCount, glyph, ink, 2.0f / width, 2.0f / height);
            vertexCount += 6;
        }
    }
    context->Unmap(text->vertices.Get(), 0);
    if (vertexCount == 0) {
        return;
    }

    const SavedPipelineState saved(context);
    ID3D11Buffer* buffer = text->vertices.Get();
    const UINT stride = sizeof(GlyphVertex);
    const UINT offset = 0;
    context->IASetVertexBuffers(0, 1, &buffer, &stride, &offset);
    context->IASetInputLayout(text->inputLayout.Get());
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    context->VSSetShader(text->vertexShader.Get(), nullptr, 0);
    context->PSSetShader(text->pixelShader.Get(), nullptr, 0);
    ID3D11ShaderResourceView* view = text->glyphView.Get();
    context->PSSetShaderResources(0, 1, &view);
    ID3D11SamplerState* sampler = text->pointSampler.Get();
    context->PSSetSamplers(0, 1, &sampler);
    context->OMSetBlendState(text->blend.Get(), nullptr, D3D11_DEFAULT_SAMPLE_MASK);
    context->OMSetDepthStencilState(text->noDepth.Get(), 0);
    context->RSSetState(text->raster.Get());
    context->Draw(vertexCount, 0);
}

}  // namespace platform::dxut
