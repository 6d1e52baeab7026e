#include "platform/tweakbar/BarCells.h"

#include "platform/dxut/GlyphAtlas.h"
#include "platform/dxut/Utf8.h"
#include "platform/tweakbar/VariableValue.h"

#include <algorithm>
#include <string>

namespace platform::tweakbar {

namespace {

std::u32string CodePointsOf(const std::string& text) { return platform::dxut::FromUtf8(text.c_str()); }

class Grid {
public:
    explicit Grid(BarCells& cells) : cells_(cells) {}

    void Fill(int row, int from, Colour background, bool inset = false)
    {
        for (int column = std::max(0, from); column < cells_.columns; ++column) {
            Cell(column, row) = cell::Make(' ', LabelInk, background, inset);
        }
    }

    // Text from a column on, at most `width` cells, over the backgrounds already there.
    void Write(int row, int column, const std::u32string& text, int width, Colour foreground)
    {
        const int count = std::min({static_cast<int>(text.size()), width, cells_.columns - column});
        for (int i = 0; i < count; ++i) {
            if (column + i < 0) continue;
            std::uint32_t& target = Cell(column + i, row);
            target = (target & ~(cell::GlyphMask | (cell::ColourMask << cell::ForegroundShift))) |
                     platform::dxut::GlyphAtlas::CellOf(text[i]) | (std::uint32_t {foreground} << cell::ForegroundShift);
        }
    }

private:
    std::uint32_t& Cell(int column, int row) { return cells_.cells[static_cast<std::size_t>(row) * cells_.columns + column]; }

    BarCells& cells_;
};

}  // namespace

const std::array<Rgba, ColourCount>& Palette()
{
    // Picked as the sRGB back buffer shows them: dark blue-grey panels, light text.
    static const std::array<Rgba, ColourCount> palette = {{
        {0.012f, 0.012f, 0.018f, 1.0f},  // BarBackground
        {0.021f, 0.045f, 0.188f, 1.0f},  // TitleBackground
        {0.026f, 0.026f, 0.038f, 1.0f},  // GroupBackground
        {0.038f, 0.061f, 0.127f, 1.0f},  // ButtonBackground
        {0.716f, 0.716f, 0.716f, 1.0f},  // EditBackground
        {0.021f, 0.021f, 0.026f, 1.0f},  // ScrollTrack
        {0.305f, 0.305f, 0.351f, 1.0f},  // ScrollThumb
        {1.000f, 1.000f, 1.000f, 1.0f},  // TitleInk
        {0.716f, 0.716f, 0.716f, 1.0f},  // LabelInk
        {1.000f, 0.644f, 0.188f, 1.0f},  // ValueInk
        {0.402f, 0.644f, 1.000f, 1.0f},  // GroupInk
        {1.000f, 1.000f, 1.000f, 1.0f},  // ButtonInk
        {0.000f, 0.000f, 0.000f, 1.0f},  // EditInk
    }};
    return palette;
}

BarCells CellsOf(const ShownBar& shown, const Edit& edit)
{
    const BarFrame& frame = shown.frame;
    const CTwBar& bar = *shown.bar;
    BarCells cells;
    // A grid no larger than a bar buffer holds: huge bars show their top left.
    cells.columns = std::clamp(frame.textColumns, 1, MaxGridCells);
    cells.rows = std::min(1 + frame.rows, MaxGridCells / cells.columns);
    cells.cells.assign(static_cast<std::size_t>(cells.columns) * cells.rows, cell::Make(' ', LabelInk, BarBackground));
    Grid grid(cells);
    const int columns = std::min(cells.columns, frame.textColumns);

    grid.Fill(0, 0, TitleBackground);
    const std::u32string title = CodePointsOf(bar.placement.label);
    grid.Write(0, std::max(0, (columns - static_cast<int>(title.size())) / 2), title, columns, TitleInk);

    for (int row = 1; row < cells.rows; ++row) {
        const int index = frame.LineAtRow(row);
        if (index < 0) continue;
        const Line& line = shown.lines[index];
        const std::u32string label = CodePointsOf(line.label);
        switch (line.kind) {
        case Line::Kind::Group: {
            const bool folded = bar.view.foldedGroups.count(line.group) != 0;
            grid.Fill(row, 0, GroupBackground);
            grid.Write(row, line.depth, (folded ? U"+ " : U"- ") + label, columns, GroupInk);
            break;
        }
        case Line::Kind::Button:
            grid.Fill(row, line.depth, ButtonBackground, true);
            grid.Write(row, line.depth + 1, label, columns, ButtonInk);
            break;
        case Line::Kind::Variable: {
            const Variable& variable = bar.variables[line.index];
            const int valueWidth = columns - frame.valueColumn;
            grid.Write(row, line.depth, label, frame.valueColumn - 1 - line.depth, LabelInk);
            if (edit.bar == bar.name && edit.variable == variable.name) {
                // The end of the typed text stays in sight.
                const std::u32string typed = CodePointsOf(edit.text) + U"_";
                const int skip = std::max(0, static_cast<int>(typed.size()) - valueWidth);
                grid.Fill(row, frame.valueColumn, EditBackground);
                grid.Write(row, frame.valueColumn, typed.substr(skip), valueWidth, EditInk);
            } else {
                grid.Write(row, frame.valueColumn, CodePointsOf(ValueText(variable)), valueWidth, ValueInk);
            }
            break;
        }
        }
    }
    return cells;
}

}  // namespace platform::tweakbar
