#include "platform/dxut/TextRenderer.h"

namespace platform::dxut {

void DrawGlyphs(const CDXUTDialogResourceManager& /*manager*/, ID3D11DeviceContext* /*context*/,
                const std::vector<CDXUTTextHelper::Glyph>& /*glyphs*/)
{
}

}  // namespace platform::dxut
