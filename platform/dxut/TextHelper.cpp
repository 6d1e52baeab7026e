#include "platform/dxut/TextHelper.h"

#include "platform/dxut/DialogResourceManager.h"
#include "platform/dxut/GlyphAtlas.h"
#include "platform/dxut/TextRenderer.h"

using platform::dxut::GlyphAtlas;

CDXUTTextHelper::CDXUTTextHelper(ID3D11Device* /*device*/, ID3D11DeviceContext* context,
                                 CDXUTDialogResourceManager* manager, int lineHeight)
    : context_(context), manager_(manager), lineHeight_(lineHeight)
{
}

void CDXUTTextHelper::Begin()
{
    begun_ = true;
    glyphs_.clear();
}

void CDXUTTextHelper::SetInsertionPos(int x, int y)
{
    x_ = x;
    y_ = y;
}

void CDXUTTextHelper::SetForegroundColor(const DirectX::XMFLOAT4& color) { color_ = color; }

HRESULT CDXUTTextHelper::DrawTextLine(const WCHAR* text)
{
    if (!begun_ || !text) {
        return E_FAIL;
    }
    int x = x_;
    for (; *text; ++text, x += GlyphAtlas::CellWidth) {
        const char32_t c = static_cast<char32_t>(*text);
        if (c != U' ') {
            glyphs_.push_back(Glyph{x, y_, GlyphAtlas::CellOf(c), color_});
        }
    }
    y_ += lineHeight_;
    return S_OK;
}

void CDXUTTextHelper::End()
{
    if (!begun_) {
        return;
    }
    begun_ = false;
    if (manager_ && manager_->Text() && context_ && !glyphs_.empty()) {
        platform::dxut::DrawGlyphs(*manager_, context_, glyphs_);
    }
    glyphs_.clear();
}
