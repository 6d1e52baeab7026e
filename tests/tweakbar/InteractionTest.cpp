// Mouse and keyboard over the bars, by window messages as the window framework sends them.

#include "tests/tweakbar/TweakBarFixture.h"

namespace {

using qz::test::TweakBarTest;

// A bar at (10, 10), 250 x 200: the title is y 10-27, line k (0 ...) is the row at
// y 28 + 18k to 45 + 18k.
class Interaction : public TweakBarTest {
protected:
    void SetUp() override
    {
        TweakBarTest::SetUp();
        bar = NewBar("settings", 10, 10, 250, 200);
        TwAddVarRW(bar, "foam", TW_TYPE_BOOLCPP, &foam, " label='Trace foam'");
        TwAddVarRW(bar, "radius", TW_TYPE_FLOAT, &radius, " label='Particle radius ' min=0 max=5.0 step=0.01");
        TwAddVarRW(bar, "levels", TW_TYPE_INT32, &levels, " min=1 max=12");
        TwAddButton(bar, "reset", [](void* clicks) { ++*static_cast<int*>(clicks); }, &clicks, "label='Reset'");
        TwAddVarRW(bar, "colour", TW_TYPE_COLOR3F, colour, "");
        TwAddVarRW(bar, "trace", TW_TYPE_BOOLCPP, &trace, " group=effects");
    }

    int LineY(int line) const { return RowY(bar, line + 1); }

    TwBar* bar = nullptr;
    bool foam = false;
    float radius = 1.0f;
    int levels = 6;
    int clicks = 0;
    float colour[3] = {0.5f, 0.25f, 1.0f};
    bool trace = false;
};

TEST_F(Interaction, ButtonsAreCalledAndBooleansFlipOnPress)
{
    EXPECT_EQ(1, Down(20, LineY(3)));
    EXPECT_EQ(1, clicks);
    EXPECT_EQ(1, Up(20, LineY(3)));
    EXPECT_EQ(1, clicks) << "called once, on the press";
    EXPECT_EQ((std::pair {1, 1}), Click(250, LineY(3))) << "anywhere on the row";
    EXPECT_EQ(2, clicks);

    EXPECT_EQ((std::pair {1, 1}), Click(200, LineY(0)));
    EXPECT_TRUE(foam);
    Click(12, LineY(0));
    EXPECT_FALSE(foam);
    // Rows' edges: the last pixel of the title and the first of the next line.
    Click(100, 27);
    EXPECT_FALSE(foam);
    Click(100, 28);
    EXPECT_TRUE(foam);
    Click(100, 45);
    EXPECT_FALSE(foam);
    Click(100, 46);
    EXPECT_FALSE(foam);
    EXPECT_EQ(2, clicks);
}

TEST_F(Interaction, NumbersAreTypedIntoASelectedRow)
{
    EXPECT_EQ((std::pair {1, 1}), Click(30, LineY(1)));
    ASSERT_TRUE(CurrentEdit().Active());
    EXPECT_EQ("1.00", CurrentEdit().text);
    Type("2.5");
    EXPECT_EQ(1.0f, radius) << "written on Enter only";
    EXPECT_EQ(1, Key(VK_RETURN));
    EXPECT_FLOAT_EQ(2.5f, radius);
    EXPECT_FALSE(CurrentEdit().Active());

    struct Case {
        const char* typed;
        UINT end;
        float radius;
    };
    const Case cases[] = {
        {"9", VK_RETURN, 5.0f},      // max
        {"-1", VK_RETURN, 0.0f},     // min
        {"4", VK_ESCAPE, 0.0f},      // cancelled
        {"1e", VK_RETURN, 0.0f},     // no number
        {"+1.25", VK_RETURN, 1.25f},
        {"xyz3", VK_RETURN, 3.0f},   // letters other than e are not typed
    };
    for (const Case& c : cases) {
        Click(200, LineY(1));
        Type(c.typed);
        EXPECT_EQ(1, Key(c.end));
        EXPECT_FLOAT_EQ(c.radius, radius) << c.typed;
    }

    Click(200, LineY(1));
    EXPECT_EQ(1, Key(VK_BACK));
    EXPECT_EQ("", CurrentEdit().text) << "the first Backspace clears the shown value";
    Type("34");
    Key(VK_BACK);
    EXPECT_EQ("3", CurrentEdit().text);
    Key(VK_RETURN);
    EXPECT_FLOAT_EQ(3.0f, radius);

    Click(200, LineY(2));
    Type("7.6");
    Key(VK_RETURN);
    EXPECT_EQ(8, levels) << "integers round to the nearest";

    Click(200, LineY(4));
    EXPECT_EQ("0.50 0.25 1.00", CurrentEdit().text);
    Type("0.1, 2 0");
    Key(VK_RETURN);
    EXPECT_FLOAT_EQ(0.1f, colour[0]);
    EXPECT_FLOAT_EQ(1.0f, colour[1]) << "colours stay within 0 and 1";
    EXPECT_FLOAT_EQ(0.0f, colour[2]);
}

TEST_F(Interaction, TypingOwnsTheKeysUntilItEnds)
{
    Click(30, LineY(1));
    EXPECT_EQ(1, Key('W')) << "the camera does not move while typing";
    EXPECT_EQ(1, Char('w'));
    EXPECT_EQ(0, Key(VK_F2));
    EXPECT_EQ(0, Event(WM_KEYUP, 'W', 0));
    EXPECT_EQ(0, Event(WM_SYSKEYDOWN, VK_MENU, 0));
    Type("2");
    // A press elsewhere writes what was typed, and is not the bars' when it is not on one.
    EXPECT_EQ(0, Down(300, 230));
    EXPECT_FLOAT_EQ(2.0f, radius);
    EXPECT_EQ(0, Up(300, 230));
    EXPECT_EQ(0, Key('W'));
    EXPECT_EQ(0, Char('2'));

    // A press on another row of the bar writes as well, and the row is then pressed.
    Click(30, LineY(1));
    Type("4");
    Click(30, LineY(0));
    EXPECT_FLOAT_EQ(4.0f, radius);
    EXPECT_TRUE(foam);

    // Typing ends when the bar is hidden.
    Click(30, LineY(1));
    TwDefine("settings visible=false");
    EXPECT_EQ(0, Char('1'));
    TwDefine("settings visible=true");
    EXPECT_FALSE(CurrentEdit().Active());
}

TEST_F(Interaction, DraggingSidewaysStepsTheNumber)
{
    const int y = LineY(1);
    EXPECT_EQ(1, Down(100, y));
    EXPECT_EQ(1, Move(102, y, MK_LBUTTON));
    EXPECT_EQ(1.0f, radius) << "below the threshold";
    EXPECT_EQ(1, Move(150, y + 40, MK_LBUTTON));
    EXPECT_FLOAT_EQ(1.5f, radius) << "a step per pixel, up and down do not count";
    Move(97, y, MK_LBUTTON);
    EXPECT_FLOAT_EQ(0.97f, radius);
    EXPECT_EQ(1, Move(-1000, 300, MK_LBUTTON)) << "the mouse stays the bar's outside it";
    EXPECT_EQ(0.0f, radius);
    Move(1000, y, MK_LBUTTON);
    EXPECT_EQ(5.0f, radius);
    EXPECT_EQ(1, Up(1000, y));
    EXPECT_FALSE(CurrentEdit().Active()) << "a drag selects nothing";
    EXPECT_EQ(0, Move(1000, y));

    Down(100, LineY(2));
    Move(120, LineY(2), MK_LBUTTON);
    EXPECT_EQ(12, levels);
    Move(98, LineY(2), MK_LBUTTON);
    EXPECT_EQ(4, levels);
    Up(98, LineY(2));

    // Colours are not dragged.
    Down(100, LineY(4));
    Move(150, LineY(4), MK_LBUTTON);
    Up(150, LineY(4));
    EXPECT_EQ(0.5f, colour[0]);
    EXPECT_TRUE(CurrentEdit().Active());
}

TEST_F(Interaction, MessagesNotForTheBarsAreLeftAlone)
{
    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    const Case cases[] = {
        {"move beside", WM_MOUSEMOVE, 0, MAKELPARAM(260, 50)},
        {"move below", WM_MOUSEMOVE, 0, MAKELPARAM(50, 210)},
        {"press beside", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(9, 50)},
        {"release beside", WM_LBUTTONUP, 0, MAKELPARAM(9, 50)},
        {"right press beside", WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(9, 50)},
        {"wheel beside", WM_MOUSEWHEEL, MAKEWPARAM(0, 120), MAKELPARAM(9, 50)},
        {"key", WM_KEYDOWN, 'W', 1},
        {"character", WM_CHAR, 'w', 1},
        {"key up", WM_KEYUP, 'W', 1},
        {"size", WM_SIZE, 0, MAKELPARAM(640, 480)},
        {"right release over the bar after a press beside", WM_RBUTTONUP, 0, MAKELPARAM(20, 50)},
    };
    for (const Case& c : cases) EXPECT_EQ(0, Event(c.message, c.wParam, c.lParam)) << c.what;

    // Over the bar every mouse message is the bar's.
    EXPECT_EQ(1, Move(20, 20));
    EXPECT_EQ(1, Event(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20)));
    EXPECT_EQ(1, Event(WM_RBUTTONUP, 0, MAKELPARAM(20, 20)));
    EXPECT_EQ(1, Wheel(120));
    EXPECT_EQ((std::pair {1, 1}), Click(259, 209)) << "the bar's last pixel";

    TwDefine("settings visible=false");
    EXPECT_EQ(0, Move(20, 20));
    EXPECT_EQ(0, Down(20, LineY(0)));
    EXPECT_FALSE(foam) << "a hidden bar takes no clicks";
    TwDefine("settings visible=true");

    TwTerminate();
    EXPECT_EQ(0, Move(20, 20)) << "nothing after the end";
}

TEST_F(Interaction, DragsThatBeganElsewhereStayElsewhere)
{
    struct Case {
        UINT down, up;
        WPARAM held;
    };
    const Case cases[] = {{WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON}, {WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON},
                          {WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON}};
    for (const Case& c : cases) {
        EXPECT_EQ(0, Event(c.down, c.held, MAKELPARAM(300, 230)));
        EXPECT_EQ(0, Move(20, LineY(0), c.held)) << "the camera keeps turning over the bar";
        EXPECT_EQ(0, Event(c.up, 0, MAKELPARAM(20, LineY(0))));
        EXPECT_EQ(1, Move(20, LineY(0)));
    }
    EXPECT_FALSE(foam);
}

TEST_F(Interaction, WheelAndScrollBarScrollLongBars)
{
    // Rows for two whole lines and a cut one below the title.
    TwDefine("settings size='250 64'");
    Move(20, 20);
    EXPECT_EQ(1, Wheel(-120));
    EXPECT_EQ(3, bar->view.firstLine);
    Click(30, LineY(0));
    EXPECT_EQ(1, clicks) << "the first row shows line 3, the button";
    Wheel(-360);
    EXPECT_EQ(5, bar->view.firstLine) << "seven lines, two shown whole";
    Wheel(30);
    EXPECT_EQ(4, bar->view.firstLine) << "a part of a notch scrolls a line";

    // The scroll bar: the rightmost 6 pixels below the title; a press above the thumb
    // goes back a page.
    const platform::tweakbar::ShownBar shown = platform::tweakbar::Show(*bar);
    ASSERT_TRUE(shown.frame.scrollBar);
    EXPECT_EQ(1, Down(254, shown.frame.thumbTop - 1));
    Up(254, shown.frame.thumbTop - 1);
    EXPECT_EQ(2, bar->view.firstLine);
    EXPECT_EQ(1, clicks);
    Click(253, LineY(1));
    EXPECT_EQ(2, clicks) << "the column left of the scroll bar is the row's";
}

TEST_F(Interaction, GroupHeadingsFold)
{
    Click(30, LineY(6));
    EXPECT_TRUE(trace);
    EXPECT_EQ((std::pair {1, 1}), Click(30, LineY(5)));
    EXPECT_EQ(1u, bar->view.foldedGroups.count("effects"));
    Click(30, LineY(6));
    EXPECT_TRUE(trace) << "folded away";
    Click(30, LineY(5));
    Click(30, LineY(6));
    EXPECT_FALSE(trace);
}

TEST_F(Interaction, ButtonsMayDeleteTheirBar)
{
    TwBar* other = NewBar("other", 10, 10, 100, 60);
    static TwBar* doomed;
    doomed = other;
    TwAddButton(other, "close", [](void*) { TwDeleteBar(doomed); }, nullptr, "");
    EXPECT_EQ(1, Down(20, 37)) << "the later bar lies on top";
    EXPECT_EQ(nullptr, platform::tweakbar::FindBar("other"));
    EXPECT_EQ(1, Up(20, 37));
    EXPECT_EQ(0, clicks);
    Click(20, 37);
    EXPECT_TRUE(foam) << "the bar below shows again";
}

}  // namespace
