#pragma once
// A bar as a grid of text cells, one grid row per bar row (the title first), which the
// bar's pixel kernel turns into pixels. A cell holds a glyph and two colours of the
// palette; an inset cell paints its background only behind the 16 glyph rows, so
// neighbouring buttons stay apart.

#include "platform/tweakbar/Interaction.h"

#include <array>
#include <cstdint>
#include <vector>

namespace platform::tweakbar {

enum Colour : std::uint32_t {
    BarBackground,
    TitleBackground,
    GroupBackground,
    ButtonBackground,
    EditBackground,
    ScrollTrack,
    ScrollThumb,
    TitleInk,
    LabelInk,
    ValueInk,
    GroupInk,
    ButtonInk,
    EditInk,
    ColourCount
};

struct Rgba {
    float r, g, b, a;
};

// Linear colours; backgrounds are made as transparent as the bar's alpha says, text is
// opaque.
const std::array<Rgba, ColourCount>& Palette();

namespace cell {
constexpr std::uint32_t GlyphMask = 0xFF;
constexpr int ForegroundShift = 8;
constexpr int BackgroundShift = 12;
constexpr std::uint32_t ColourMask = 0xF;
constexpr std::uint32_t Inset = 1u << 16;

constexpr std::uint32_t Make(std::uint32_t glyph, Colour foreground, Colour background, bool inset = false)
{
    return (glyph & GlyphMask) | (std::uint32_t {foreground} << ForegroundShift) |
           (std::uint32_t {background} << BackgroundShift) | (inset ? Inset : 0u);
}
}  // namespace cell

// The most cells a bar has; larger bars keep the cells of their top-left part.
constexpr int MaxGridCells = 65536 / 4;

struct BarCells {
    int columns = 0;  // at least 1, so every row has a background
    int rows = 0;     // 1 + the rows below the title
    std::vector<std::uint32_t> cells;  // row by row

    std::uint32_t At(int column, int row) const { return cells[static_cast<std::size_t>(row) * columns + column]; }
};

// The cells of a shown bar; the edit, when it is on this bar, shows its text with a cursor.
BarCells CellsOf(const ShownBar& shown, const Edit& edit);

}  // namespace platform::tweakbar
