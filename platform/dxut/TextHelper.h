#pragma once
// Lines of text in the monospaced font, drawn into the bound render target in cells of
// 8 x 16 pixels. Begin, then for each line an insertion point, a colour and the text,
// then End, which draws what was queued. Positions are pixels from the top left of the
// back buffer whose size the dialog resource manager holds.

#include "platform/d3d11/D3D11.h"
#include "platform/xmath/DirectXMath.h"

#include <vector>

class CDXUTDialogResourceManager;

class CDXUTTextHelper {
public:
    // The line height is how far DrawTextLine moves the insertion point down.
    CDXUTTextHelper(ID3D11Device* device, ID3D11DeviceContext* context, CDXUTDialogResourceManager* manager,
                    int lineHeight);

    void Begin();
    void SetInsertionPos(int x, int y);
    void SetForegroundColor(const DirectX::XMFLOAT4& color);
    // Queues the line at the insertion point and moves the point down a line. Code points
    // without a glyph are drawn as "?". E_FAIL between End and Begin.
    HRESULT DrawTextLine(const WCHAR* text);
    // Draws every queued glyph.
    void End();

    int InsertionX() const { return x_; }
    int InsertionY() const { return y_; }
    const DirectX::XMFLOAT4& ForegroundColor() const { return color_; }

    // A queued glyph: its cell on screen and in the glyph texture, and its colour.
    struct Glyph {
        int x;
        int y;
        unsigned cell;
        DirectX::XMFLOAT4 color;
    };
    const std::vector<Glyph>& Queued() const { return glyphs_; }

private:
    ID3D11DeviceContext* context_;
    CDXUTDialogResourceManager* manager_;
    int lineHeight_;
    int x_ = 0;
    int y_ = 0;
    DirectX::XMFLOAT4 color_ {1.0f, 1.0f, 1.0f, 1.0f};
    bool begun_ = false;
    std::vector<Glyph> glyphs_;
};
