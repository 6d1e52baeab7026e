#pragma once
// The glyphs of a monospaced font in cells of 8 x 16 pixels: code points 0 to 255 in a
// grid of 16 x 16 cells, one coverage byte per pixel. Control characters are empty
// cells; other code points use the cell of "?".

#include "platform/win/Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace platform::dxut {

// Where the framework finds its font.
constexpr const char* DefaultFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

class GlyphAtlas {
public:
    static constexpr int CellWidth = 8;
    static constexpr int CellHeight = 16;
    static constexpr int Columns = 16;
    static constexpr int Rows = 16;
    static constexpr int Width = CellWidth * Columns;
    static constexpr int Height = CellHeight * Rows;

    // HRESULT_FILE_NOT_FOUND for a missing file, E_FAIL for one that is not a font.
    HRESULT Load(const std::string& fontPath);

    static unsigned CellOf(char32_t codePoint);
    // Top-left pixel of a cell in the atlas.
    static int CellX(unsigned cell) { return static_cast<int>(cell % Columns) * CellWidth; }
    static int CellY(unsigned cell) { return static_cast<int>(cell / Columns) * CellHeight; }

    // Width x Height coverage bytes, rows from the top.
    const std::vector<std::uint8_t>& Coverage() const { return coverage_; }

    // The part of a cell with ink, in pixels from the cell's top left (right and bottom
    // exclusive); empty for cells without ink. Text is drawn over these alone.
    struct Ink {
        std::uint8_t left = 0;
        std::uint8_t top = 0;
        std::uint8_t right = 0;
        std::uint8_t bottom = 0;
        bool Empty() const { return right <= left || bottom <= top; }
    };
    const Ink& InkOf(unsigned cell) const { return ink_[cell]; }

private:
    void MeasureInk();

    std::vector<std::uint8_t> coverage_;
    std::vector<Ink> ink_ = std::vector<Ink>(Columns * Rows);
};

}  // namespace platform::dxut
