// Where rows and their parts lie on a bar, and the lines a bar shows.

#include "platform/tweakbar/Layout.h"

#include <gtest/gtest.h>

namespace {

using platform::tweakbar::BarFrame;
using platform::tweakbar::BarPlacement;
using platform::tweakbar::FrameOf;
using platform::tweakbar::Hit;
using platform::tweakbar::HitTest;
using platform::tweakbar::Line;

BarPlacement At(int x, int y, int width, int height)
{
    BarPlacement placement;
    placement.x = x;
    placement.y = y;
    placement.width = width;
    placement.height = height;
    return placement;
}

TEST(TweakBarLayout, FramesOfBars)
{
    struct Case {
        int width, height, lines, firstLine;
        int wholeRows, rows, clampedFirst;
        bool scrollBar;
        int thumbTop, thumbBottom, textColumns, valueColumn;
    };
    const Case cases[] = {
        {250, 200, 7, 0, 10, 11, 0, false, 0, 0, 30, 18},
        {250, 64, 7, 9, 2, 3, 5, true, 61, 74, 29, 18},      // thumb at the end
        {250, 64, 7, 0, 2, 3, 0, true, 28, 41, 29, 18},      // thumb 46 * 2 / 7 long
        {250, 36, 1, 0, 1, 1, 0, false, 0, 0, 30, 18},
        {250, 37, 2, 1, 1, 2, 1, true, 28 + 19 - 9, 47, 29, 18},  // one whole row, half a thumb
        {100, 10, 3, 0, 0, 0, 0, false, 0, 0, 11, 7},       // the title only
        {0, 0, 3, 0, 0, 0, 0, false, 0, 0, 0, 0},
        {250, 400, 2000, 0, 21, 22, 0, true, 28, 34, 29, 18},  // the least thumb
    };
    for (const Case& c : cases) {
        const BarFrame frame = FrameOf(At(10, 10, c.width, c.height), c.lines, c.firstLine);
        const std::string what = std::to_string(c.width) + "x" + std::to_string(c.height);
        EXPECT_EQ(c.wholeRows, frame.wholeRows) << what;
        EXPECT_EQ(c.rows, frame.rows) << what;
        EXPECT_EQ(c.clampedFirst, frame.firstLine) << what;
        EXPECT_EQ(c.scrollBar, frame.scrollBar) << what;
        if (c.scrollBar) {
            EXPECT_EQ(c.thumbTop, frame.thumbTop) << what;
            EXPECT_EQ(c.thumbBottom, frame.thumbBottom) << what;
        }
        EXPECT_EQ(c.textColumns, frame.textColumns) << what;
        EXPECT_EQ(c.valueColumn, frame.valueColumn) << what;
    }
}

TEST(TweakBarLayout, HitsAtTheEdgesOfRows)
{
    // Seven lines from line 5 on, a scroll bar at x 254-259.
    const BarFrame frame = FrameOf(At(10, 10, 250, 64), 7, 5);
    struct Case {
        int x, y;
        Hit::Part part;
        int line;
    };
    const Case cases[] = {
        {9, 10, Hit::Part::None, -1},     {10, 9, Hit::Part::None, -1},     {10, 10, Hit::Part::Title, -1},
        {259, 27, Hit::Part::Title, -1},  {10, 28, Hit::Part::Line, 5},     {253, 45, Hit::Part::Line, 5},
        {254, 28, Hit::Part::ScrollBar, -1}, {259, 73, Hit::Part::ScrollBar, -1}, {10, 46, Hit::Part::Line, 6},
        {10, 64, Hit::Part::Empty, -1},   {10, 73, Hit::Part::Empty, -1},   {10, 74, Hit::Part::None, -1},
        {260, 30, Hit::Part::None, -1},
    };
    for (const Case& c : cases) {
        const Hit hit = HitTest(frame, c.x, c.y);
        EXPECT_EQ(c.part, hit.part) << c.x << "," << c.y;
        EXPECT_EQ(c.line, hit.line) << c.x << "," << c.y;
    }
    EXPECT_EQ(Hit::Part::None, HitTest(FrameOf(At(10, 10, 0, 100), 1, 0), 10, 20).part);
}

TEST(TweakBarLayout, GroupsGatherTheirEntriesWhereTheFirstWasAdded)
{
    TwBar* bar = TwNewBar("lines");
    int value = 0;
    TwAddVarRW(bar, "a", TW_TYPE_INT32, &value, "");
    TwAddVarRW(bar, "b", TW_TYPE_INT32, &value, " label='Bee' group = g");
    TwAddButton(bar, "c", nullptr, nullptr, "label='See'");
    TwAddVarRW(bar, "d", TW_TYPE_INT32, &value, "group=g");
    TwAddVarRW(bar, "e", TW_TYPE_INT32, &value, "group=h label=x");
    TwAddButton(bar, "f", nullptr, nullptr, "group=h");
    TwSetParam(bar, "g", "label", TW_PARAM_CSTRING, 1, "Gee");
    TwSetParam(bar, "e", "label", TW_PARAM_CSTRING, 1, "Eee");

    const auto summary = [&] {
        std::string text;
        for (const Line& line : platform::tweakbar::BarLines(*bar)) {
            text += (line.kind == Line::Kind::Group ? "[" : "") + std::to_string(line.depth) + line.label +
                    (line.kind == Line::Kind::Group ? "] " : " ");
        }
        return text;
    };
    EXPECT_EQ("0a [0Gee] 1Bee 1d 0See [0h] 1Eee 1f ", summary());
    bar->view.foldedGroups.insert("g");
    EXPECT_EQ("0a [0Gee] 0See [0h] 1Eee 1f ", summary());
    TwDeleteBar(bar);
}

}  // namespace
