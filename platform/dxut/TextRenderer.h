#pragma once
// Draws queued glyphs through the device into the bound render target.

#include "platform/dxut/TextHelper.h"

#include <vector>

namespace platform::dxut {

void DrawGlyphs(const CDXUTDialogResourceManager& manager, ID3D11DeviceContext* context,
                const std::vector<CDXUTTextHelper::Glyph>& glyphs);

}  // namespace platform::dxut
