#pragma once
// A box drawn from the device's one shared cube [-1,1]^3 ("boxVertex", "boxFace" and
// "boxLine" of the GUI resources): its twelve edges in one colour with the effect
// "3dobjects", or its edges or faces with a pass of the caller's. The caller's matrix
// places the cube; the box's own centre and half size are not read here.

#include "platform/d3d11/D3D11.h"
#include "platform/effects/D3DX11Effect.h"
#include "tarnwick/utils/AABox.h"

namespace qz::dev {

class RenderBox : public utils::AABox {
public:
    using AABox::AABox;

    // The edges in the colour (RGBA) with "3dobjects".
    void Render(ID3D11DeviceContext* context, const DirectX::XMFLOAT4X4& worldViewProjection, const float color[4]) const;
    // The twelve triangles, clockwise seen from outside; the caller has set the pass's
    // variables.
    void RenderFaces(ID3D11DeviceContext* context, ID3DX11EffectPass* pass) const;
    void RenderLines(ID3D11DeviceContext* context, ID3DX11EffectPass* pass) const;
    // Binds the cube: layout "3dobjects", vertices, face indices, triangle list.
    void PrepareDraw(ID3D11DeviceContext* context) const;
};

}  // namespace qz::dev
