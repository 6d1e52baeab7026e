#include "platform/dxut/TextPipeline.h"

#include <vector>

namespace platform::dxut {

HRESULT TextPipeline::Create(ID3D11Device* device, std::unique_ptr<TextPipeline>& pipeline)
{
    pipeline.reset();
    auto created = std::make_unique<TextPipeline>();
    HRESULT result = created->atlas.Load(DefaultFontPath);
    if (FAILED(result)) {
        return result;
    }
    // White texels whose alpha is the glyph's coverage.
    std::vector<std::uint32_t> texels(created->atlas.Coverage().size());
    for (std::size_t i = 0; i < texels.size(); ++i) {
        texels[i] = 0x00FFFFFFu | (std::uint32_t{created->atlas.Coverage()[i]} << 24);
    }
    D3D11_TEXTURE2D_DESC desc{};
    desc.Width = GlyphAtlas::Width;
    desc.Height = GlyphAtlas::Height;
    desc.MipLevels = 1;
    desc.ArraySize = 1;
    desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc = {1, 0};
    desc.Usage = D3D11_USAGE_DEFAULT;
    desc.BindFlags = D3D11_BIND_SHADER_RESOURCE;
    const D3D11_SUBRESOURCE_DATA data{texels.data(), GlyphAtlas::Width * 4, 0};
    result = device->CreateTexture2D(&desc, &data, created->glyphTexture.ReleaseAndGetAddressOf());
    if (SUCCEEDED(result)) {
        result = device->CreateShaderResourceView(created->glyphTexture.Get(), nullptr, created->glyphView.ReleaseAndGetAddressOf());
    }
    if (SUCCEEDED(result)) {
        pipeline = std::move(created);
    }
    return result;
}

}  // namespace platform::dxut
