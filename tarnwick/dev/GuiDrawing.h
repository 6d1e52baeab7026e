#pragma once
// One rectangle of the overlay, drawn with a pass of the effect "graph" of the current
// device: four vertices without input, as a triangle strip.

#include "platform/d3d11/D3D11.h"
#include "platform/effects/D3DX11Effect.h"
#include "tarnwick/dev/GUI.h"

namespace qz::dev {

// A rectangle in clip space: its top-left corner and its extent (negative downwards).
struct ClipRectangle {
    Float2 position;
    Float2 size;
};

// The rectangle of pixels (x, y, w, h) on a screen of SW x SH pixels:
// (2x/SW - 1, 1 - 2y/SH) and (2w/SW, -2h/SH).
ClipRectangle RectangleInClipSpace(Int2 pixelPosition, Int2 pixelSize, Int2 screenSize);

class GuiDrawing {
public:
    // The pass of technique "RenderGraphs"; not ready without the current device's effect.
    explicit GuiDrawing(const char* passName);

    bool Ready() const { return pass_ != nullptr; }
    void SetColor(const Float4& color);
    void SetImage(ID3D11ShaderResourceView* view, float rotationAngle);
    void Draw(ID3D11DeviceContext* context, const ClipRectangle& rectangle);

private:
    ID3DX11Effect* effect_ = nullptr;
    ID3DX11EffectPass* pass_ = nullptr;
};

}  // namespace qz::dev
