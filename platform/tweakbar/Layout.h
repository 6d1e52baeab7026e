#pragma once
// Where things are on a drawn bar, and what a window point hits. All in window pixels,
// for a bar placed at (x, y) with size (w, h):
//
//   - Rows are RowHeight (18) pixels high. Row 0, [y, y + 18), is the title. Row k >= 1,
//     [y + 18k, y + 18k + 18), shows line firstLine + k - 1 of the bar's lines; the last
//     row is cut at y + h.
//   - Text sits in cells of 8 x 16 pixels: column c of row k has its top-left pixel at
//     (x + 4 + 8c, y + 18k + 1), for columns c < n = (w - 8 - scroll bar width) / 8.
//     Labels start at column `depth` (1 per group level) and end a column before the
//     values, which start at column n - 2n/5 (integer division); the title's label is
//     centred.
//   - When the lines do not all fit in the whole rows below the title, a scroll bar takes
//     the rightmost 6 pixels, [x + w - 6, x + w), of the rows below the title; its thumb
//     spans the part of the lines that is shown.
//
// Positions beyond +-2^24 and sizes beyond 2^24 count as those.
//
// A point (px, py) hits the last-made visible bar with x <= px < x + w and
// y <= py < y + h. Inside it, the row is (py - y) / 18; the scroll bar is hit when it is
// shown, the row is not 0 and px >= x + w - 6. A whole row is one target: the line's
// label and value answer alike.

#include "platform/tweakbar/Bars.h"

#include <string>
#include <vector>

namespace platform::tweakbar {

constexpr int RowHeight = 18;
constexpr int CellWidth = 8;
constexpr int CellHeight = 16;
constexpr int TextLeft = 4;
constexpr int TextTop = 1;
constexpr int TextRightMargin = 4;
constexpr int ScrollBarWidth = 6;
constexpr int MinThumbLength = 6;
// Positions and sizes count within this, so sums of them stay in range (and exact as
// floats).
constexpr int MaxCoordinate = 1 << 24;

// One row's worth of a bar: a group's heading, a variable or a button.
struct Line {
    enum class Kind { Group, Variable, Button };
    Kind kind;
    int depth;          // group level: 0 at the top of the bar, 1 inside a group
    std::string label;  // as shown
    std::string group;  // Group: the group's name
    std::size_t index;  // Variable, Button: into the bar's variables or buttons
};

// The lines of a bar in their order: entries outside groups where they were added; a
// group where its first entry was added, its entries below it (none while it is folded).
// Labels: a variable's "label" set with TwSetParam, else its definition's, else its name;
// a group's "label" set with TwSetParam, else its name.
std::vector<Line> BarLines(const CTwBar& bar);

// The geometry of a bar with a number of lines, scrolled as far as it may be.
struct BarFrame {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int lineCount = 0;
    int firstLine = 0;    // clamped to [0, MaxFirstLine()]
    int wholeRows = 0;    // rows below the title that are shown whole
    int rows = 0;         // rows below the title that are shown at all
    bool scrollBar = false;
    int thumbTop = 0;     // window y of the scroll bar's thumb, [thumbTop, thumbBottom)
    int thumbBottom = 0;
    int textColumns = 0;  // cells of text that fit across
    int valueColumn = 0;  // where values start

    int MaxFirstLine() const;
    // The line shown in a row below the title (1 ...), or -1.
    int LineAtRow(int row) const;
    bool Contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

BarFrame FrameOf(const BarPlacement& placement, int lineCount, int firstLine);

struct Hit {
    enum class Part { None, Title, Line, Empty, ScrollBar };
    Part part = Part::None;
    int line = -1;  // Line: the index into the bar's lines
};

Hit HitTest(const BarFrame& frame, int px, int py);

}  // namespace platform::tweakbar
