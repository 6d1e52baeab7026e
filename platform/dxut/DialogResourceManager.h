#pragma once
// What the framework's text and dialogs share per device: the glyph texture of the
// monospaced font, the text kernels and states, and the size of the back buffer that
// text positions are measured in (set by the owner on every resize).

#include "platform/d3d11/com/ComPtr.h"
#include "platform/d3d11/D3D11.h"

#include <memory>

namespace platform::dxut {
class GlyphAtlas;
struct TextPipeline;
}  // namespace platform::dxut

class CDXUTDialogResourceManager {
public:
    CDXUTDialogResourceManager();
    ~CDXUTDialogResourceManager();
    CDXUTDialogResourceManager(const CDXUTDialogResourceManager&) = delete;
    CDXUTDialogResourceManager& operator=(const CDXUTDialogResourceManager&) = delete;

    // Rasterises the font and makes the device objects; a failure leaves none behind
    // (the font file missing: the file-not-found result).
    HRESULT OnD3D11CreateDevice(ID3D11Device* device, ID3D11DeviceContext* context);
    void OnD3D11DestroyDevice();

    ID3D11Device* GetD3D11Device() const { return device_.Get(); }
    ID3D11DeviceContext* GetD3D11DeviceContext() const { return context_.Get(); }
    // Null while no device is there.
    platform::dxut::TextPipeline* Text() const { return text_.get(); }

    int m_nBackBufferWidth = 0;
    int m_nBackBufferHeight = 0;

private:
    d3d11sw::ComPtr<ID3D11Device> device_;
    d3d11sw::ComPtr<ID3D11DeviceContext> context_;
    std::unique_ptr<platform::dxut::TextPipeline> text_;
};
