#include "platform/dxut/GlyphAtlas.h"

#include <stb_truetype.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

namespace platform::dxut {

namespace {

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); }

}  // namespace

unsigned GlyphAtlas::CellOf(char32_t codePoint)
{
    return codePoint < static_cast<char32_t>(Columns * Rows) ? static_cast<unsigned>(codePoint) : unsigned{'?'};
}

HRESULT GlyphAtlas::Load(const std::string& fontPath)
{
    std::ifstream file(fontPath, std::ios::binary);
    if (!file) {
        return HRESULT_FILE_NOT_FOUND;
    }
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    stbtt_fontinfo font;
    if (bytes.size() < 12 || stbtt_GetFontOffsetForIndex(bytes.data(), 0) != 0 ||
        !stbtt_InitFont(&font, bytes.data(), 0)) {
        return E_FAIL;
    }

    // The scale that makes the advance one cell wide; the baseline leaves the descent
    // room at the bottom of the cell.
    int advance = 0;
    int bearing = 0;
    stbtt_GetCodepointHMetrics(&font, 'M', &advance, &bearing);
    if (advance <= 0) {
        return E_FAIL;
    }
    const float scale = static_cast<float>(CellWidth) / static_cast<float>(advance);
    int ascent = 0;
    int descent = 0;
    int lineGap = 0;
    stbtt_GetFontVMetrics(&font, &ascent, &descent, &lineGap);
    const int baseline = std::min(CellHeight - 1, static_cast<int>(std::lround(ascent * scale)));

    coverage_.assign(static_cast<std::size_t>(Width) * Height, 0);
    std::vector<unsigned char> glyph;
    for (char32_t c = 0; c < static_cast<char32_t>(Columns * Rows); ++c) {
        if (IsControl(c) || !stbtt_FindGlyphIndex(&font, static_cast<int>(c))) {
            continue;
        }
        int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        stbtt_GetCodepointBitmapBox(&font, static_cast<int>(c), scale, scale, &x0, &y0, &x1, &y1);
        const int w = x1 - x0;
        const int h = y1 - y0;
        if (w <= 0 || h <= 0) {
            continue;
        }
        glyph.assign(static_cast<std::size_t>(w) * h, 0);
        stbtt_MakeCodepointBitmap(&font, glyph.data(), w, h, w, scale, scale, static_cast<int>(c));
        // Copy into the cell, cutting what reaches outside it.
        const unsigned cell = static_cast<unsigned>(c);
        for (int y = 0; y < h; ++y) {
            const int cellY = baseline + y0 + y;
            if (cellY < 0 || cellY >= CellHeight) {
                continue;
            }
            for (int x = 0; x < w; ++x) {
                const int cellX = x0 + x;
                if (cellX < 0 || cellX >= CellWidth) {
                    continue;
                }
                coverage_[static_cast<std::size_t>(CellY(cell) + cellY) * Width + CellX(cell) + cellX] =
                    glyph[static_cast<std::size_t>(y) * w + x];
            }
        }
    }
    MeasureInk();
    return S_OK;
}

void GlyphAtlas::MeasureInk()
{
    for (unsigned cell = 0; cell < ink_.size(); ++cell) {
        Ink ink{CellWidth, CellHeight, 0, 0};
        for (int y = 0; y < CellHeight; ++y) {
            for (int x = 0; x < CellWidth; ++x) {
                if (coverage_[static_cast<std::size_t>(CellY(cell) + y) * Width + CellX(cell) + x] != 0) {
                    ink.left = std::min<std::uint8_t>(ink.left, static_cast<std::uint8_t>(x));
                    ink.top = std::min<std::uint8_t>(ink.top, static_cast<std::uint8_t>(y));
                    ink.right = std::max<std::uint8_t>(ink.right, static_cast<std::uint8_t>(x + 1));
                    ink.bottom = std::max<std::uint8_t>(ink.bottom, static_cast<std::uint8_t>(y + 1));
                }
            }
        }
        ink_[cell] = ink.Empty() ? Ink{} : ink;
    }
}

}  // namespace platform::dxut
