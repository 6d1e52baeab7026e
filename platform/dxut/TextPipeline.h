#pragma once
// The device objects that draw text: the glyph texture and its view.

#include "platform/d3d11/com/ComPtr.h"
#include "platform/d3d11/D3D11.h"
#include "platform/dxut/GlyphAtlas.h"

#include <memory>

namespace platform::dxut {

struct TextPipeline {
    GlyphAtlas atlas;
    d3d11sw::ComPtr<ID3D11Texture2D> glyphTexture;
    d3d11sw::ComPtr<ID3D11ShaderResourceView> glyphView;

    // The pipeline of a device, or null and the failure.
    static HRESULT Create(ID3D11Device* device, std::unique_ptr<TextPipeline>& pipeline);
};

}  // namespace platform::dxut
