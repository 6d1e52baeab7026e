#include "tarnwick/dev/GuiDrawing.h"

namespace qz::dev {

ClipRectangle RectangleInClipSpace(Int2 pixelPosition, Int2 pixelSize, Int2 screenSize)
{
    const float width = static_cast<float>(screenSize[0]);
    const float height = static_cast<float>(screenSize[1]);
    return {{2.0f * static_cast<float>(pixelPosition[0]) / width - 1.0f,
             1.0f - 2.0f * static_cast<float>(pixelPosition[1]) / height},
            {2.0f * static_cast<float>(pixelSize[0]) / width, -2.0f * static_cast<float>(pixelSize[1]) / height}};
}

// The overlay effect comes with the compiled effects of the program; until a device has
// it, nothing is drawn.
GuiDrawing::GuiDrawing(const char* /*passName*/) {}

void GuiDrawing::SetColor(const Float4& /*color*/) {}

void GuiDrawing::SetImage(ID3D11ShaderResourceView* /*view*/, float /*rotationAngle*/) {}

void GuiDrawing::Draw(ID3D11DeviceContext* /*context*/, const ClipRectangle& /*rectangle*/) {}

}  // namespace qz::dev
