// Layout rules of the 2D GUI: sizes, flow rows in every direction, centring, invisible
// children, generated names, text pieces, and what destroying elements leaves behind.

#include "tarnwick/dev/GUI.h"
#include "tarnwick/dev/GuiDrawing.h"
#include "tarnwick/core/Exception.h"
#include "tarnwick/engine/EngineRoot.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

using qz::dev::GuiContainer2D;
using qz::dev::GuiElement2D;
using qz::dev::Int2;
using qz::dev::TextBox2D;

// A standalone panel whose size is given in pixels.
std::unique_ptr<GuiContainer2D> Panel(float width, float height, std::uint32_t horizontal = 0,
                                      std::uint32_t vertical = 0)
{
    auto panel = std::make_unique<GuiContainer2D>(nullptr, "panel");
    panel->horizontalDirection = horizontal;
    panel->verticalDirection = vertical;
    panel->SetSize(width, height);
    return panel;
}

std::unique_ptr<GuiElement2D> Child(GuiContainer2D& parent, float width, float height)
{
    auto child = std::make_unique<GuiElement2D>(&parent, "child");
    child->SetSize(width, height);
    return child;
}

TEST(GuiLayoutTest, SizeOfOneIsTheWholeParentAndAboveOneIsPixels)
{
    auto panel = Panel(400, 300);
    auto child = Child(*panel, 1.0f, 0.5f);
    EXPECT_EQ((Int2{400, 150}), child->GetPixelSize());
    child->SetSize(1.5f, 0.25f);
    EXPECT_EQ((Int2{1, 75}), child->GetPixelSize());
}

TEST(GuiLayoutTest, FlowStacksChildrenInRowsFromEachCorner)
{
    struct Case {
        std::uint32_t horizontal;
        std::uint32_t vertical;
        Int2 first;
        Int2 second;
    };
    // Children of 100 x 20 and 50 x 30 in a 400 x 300 panel, each in a row of its own.
    const Case cases[] = {
        {0, 0, {0, 0}, {0, 20}},          // top-left, downward
        {0, 1, {0, 280}, {0, 250}},       // bottom-left, upward
        {1, 0, {300, 0}, {350, 20}},      // top-right
        {1, 1, {300, 280}, {350, 250}},   // bottom-right
        {7, 9, {300, 280}, {350, 250}},   // unknown directions act as reversed
        {2, 0, {150, 0}, {150, 20}},      // centred horizontally only, by the widest row
        {0, 2, {0, 125}, {0, 145}},       // centred vertically only, by the total height
    };
    for (const Case& c : cases) {
        auto panel = Panel(400, 300, c.horizontal, c.vertical);
        auto first = Child(*panel, 100, 20);
        auto second = Child(*panel, 50, 30);
        EXPECT_EQ(c.first, first->pixelPosition) << c.horizontal << "/" << c.vertical;
        EXPECT_EQ(c.second, second->pixelPosition) << c.horizontal << "/" << c.vertical;
    }
}

TEST(GuiLayoutTest, CentredPanelPlacesThreeChildrenInTheMiddle)
{
    auto panel = Panel(400, 300, 2, 2);
    auto a = Child(*panel, 100, 20);
    auto b = Child(*panel, 100, 20);
    auto c = Child(*panel, 100, 20);
    EXPECT_EQ((Int2{150, 120}), a->pixelPosition);
    EXPECT_EQ((Int2{150, 140}), b->pixelPosition);
    EXPECT_EQ((Int2{150, 160}), c->pixelPosition);
}

TEST(GuiLayoutTest, OffsetsMoveChildrenAndGrowTheirRows)
{
    auto panel = Panel(400, 300);
    auto a = Child(*panel, 100, 20);
    auto b = Child(*panel, 100, 20);
    a->SetOffset(5, 7);
    EXPECT_EQ((Int2{5, 7}), a->pixelPosition);
    EXPECT_EQ((Int2{0, 27}), b->pixelPosition);
    EXPECT_EQ((Int2{5, 7}), a->GetPixelPosition());

    // From the bottom-right corner the offsets push inwards: left and up.
    auto reversed = Panel(400, 300, 1, 1);
    auto c = Child(*reversed, 100, 20);
    auto d = Child(*reversed, 100, 20);
    c->SetOffset(5, 7);
    EXPECT_EQ((Int2{295, 273}), c->pixelPosition);
    EXPECT_EQ((Int2{300, 253}), d->pixelPosition);
}

TEST(GuiLayoutTest, InvisibleChildrenAreSkippedByFlowButPlacedByAbsoluteLayout)
{
    auto panel = Panel(400, 300);
    auto hidden = Child(*panel, 100, 20);
    hidden->visible = false;
    hidden->SetOffset(30, 40);
    auto shown = Child(*panel, 100, 20);
    EXPECT_EQ((Int2{0, 0}), shown->pixelPosition);
    EXPECT_EQ((Int2{0, 0}), hidden->pixelPosition);

    panel->layoutMode = GuiContainer2D::Absolute;
    panel->Layout();
    EXPECT_EQ((Int2{30, 40}), hidden->pixelPosition);
}

TEST(GuiLayoutTest, InlineChildrenShareARowWhileTheyFit)
{
    auto panel = Panel(250, 300);
    auto a = Child(*panel, 100, 20);
    auto b = Child(*panel, 100, 30);
    auto c = Child(*panel, 100, 20);
    b->inlineFlow = true;
    c->inlineFlow = true;
    panel->Layout();
    EXPECT_EQ((Int2{100, 0}), b->pixelPosition);
    // The third would end at 300 > 250: a new row below the tallest of the first.
    EXPECT_EQ((Int2{0, 30}), c->pixelPosition);
}

TEST(GuiLayoutTest, AbsolutePixelPositionAddsUpTheParents)
{
    auto root = Panel(800, 600);
    root->layoutMode = GuiContainer2D::Absolute;
    auto inner = std::make_unique<GuiContainer2D>(root.get(), "inner");
    inner->SetOffset(100, 50);
    inner->SetSize(200, 100);
    auto leaf = Child(*inner, 10, 10);
    leaf->SetOffset(3, 4);
    EXPECT_EQ((Int2{103, 54}), leaf->GetPixelPosition());
}

// As when the window and with it the root change size.
TEST(GuiLayoutTest, AResizedParentLaysOutTheContainersInIt)
{
    for (const std::uint32_t mode : {GuiContainer2D::Absolute, GuiContainer2D::Flow}) {
        auto outer = Panel(400, 300);
        outer->layoutMode = mode;
        GuiContainer2D inner(outer.get(), "inner");  // the whole parent
        inner.horizontalDirection = GuiContainer2D::CentredHorizontally;
        auto child = Child(inner, 100, 20);
        ASSERT_EQ(150, child->pixelPosition[0]);
        outer->SetSize(200, 100);
        EXPECT_EQ(50, child->pixelPosition[0]) << mode;
    }
}

TEST(GuiLayoutTest, DestroyingAnElementLaysTheParentOutAgain)
{
    auto panel = Panel(400, 300);
    auto a = Child(*panel, 100, 20);
    auto b = Child(*panel, 100, 20);
    ASSERT_EQ(20, b->pixelPosition[1]);
    a.reset();
    EXPECT_EQ(1u, panel->children.size());
    EXPECT_EQ(0, b->pixelPosition[1]);
}

TEST(GuiLayoutTest, ADestroyedContainerLeavesItsChildrenWithoutParent)
{
    auto panel = Panel(400, 300);
    auto child = Child(*panel, 100, 20);
    panel.reset();
    EXPECT_EQ(nullptr, child->parent);
    // Destroying the orphan touches no freed parent (AddressSanitizer watches).
    child.reset();
}

TEST(GuiLayoutTest, GeneratedNamesCountOnlyGeneratedOnes)
{
    auto panel = Panel(400, 300);
    GuiElement2D first(panel.get(), "");
    // A named element in between leaves the counter alone.
    GuiElement2D named(panel.get(), "named");
    GuiElement2D second(panel.get(), "");
    ASSERT_EQ(0u, first.name.rfind("guielement_", 0));
    const int number = std::stoi(first.name.substr(11));
    EXPECT_EQ("guielement_" + std::to_string(number + 1), second.name);
    EXPECT_EQ("named", named.name);
}

TEST(GuiLayoutTest, ElementWithoutDeviceRootIsAnError)
{
    ASSERT_EQ(nullptr, qz::engine::QZRoot.FindCurrentDeviceData());
    EXPECT_THROW(GuiElement2D element("orphan"), qz::core::Exception);
    EXPECT_THROW(GuiContainer2D container("orphan"), qz::core::Exception);
}

TEST(GuiLayoutTest, ElementWithoutParentJoinsTheCurrentDevicesRoot)
{
    Configuration configuration("./Settings.xml");
    qz::utils::EventManager events;
    qz::dx11::RenderingDevice device(configuration, events);
    device.screens[0].width = 640;
    device.screens[0].height = 480;
    auto& data = qz::engine::QZRoot.deviceData;
    data.resize(1);
    {
        GuiContainer2D& root = *data[0].guiResources.root;
        GuiElement2D element("");
        EXPECT_EQ(&root, element.parent);
        ASSERT_EQ(1u, root.children.size());
        EXPECT_EQ((Int2{640, 480}), root.GetPixelSize());
        // The root places by offset.
        element.SetOffset(12, 34);
        EXPECT_EQ((Int2{12, 34}), element.GetPixelPosition());
        // Without the overlay's effect (no device made it yet) drawing draws nothing.
        element.backgroundColor = {1, 0, 0, 1};
        root.Render(nullptr);
    }
    EXPECT_TRUE(data[0].guiResources.root->children.empty());
    data.clear();
}

// --- text pieces -----------------------------------------------------------------------

TEST(GuiTextTest, LineBreaksMakePiecesSixteenPixelsApart)
{
    const std::vector<TextBox2D::Line> lines = {{TextBox2D::Left, "ab\ncd", {1, 1, 1, 1}}};
    const auto pieces = qz::dev::LayOutTextPieces(lines, {10, 20}, 40);
    ASSERT_EQ(1u, pieces.size());
    ASSERT_EQ(2u, pieces[0].size());
    EXPECT_EQ(L"ab", pieces[0][0].text);
    EXPECT_EQ(L"cd", pieces[0][1].text);
    EXPECT_EQ(20, pieces[0][0].y);
    EXPECT_EQ(36, pieces[0][1].y);

    TextBox2D box(nullptr, "box");
    box.lines = lines;
    box.FitToContent();
    EXPECT_EQ((Int2{40, 16}), box.GetPixelSize());
}

TEST(GuiTextTest, AlignmentPlacesEachPieceByItsOwnWidth)
{
    const std::vector<TextBox2D::Line> lines = {
        {TextBox2D::Left, "abc", {}}, {TextBox2D::Right, "abc", {}}, {TextBox2D::Centred, "abc", {}},
        {TextBox2D::Centred, "abcd", {}}};
    const auto pieces = qz::dev::LayOutTextPieces(lines, {100, 0}, 45);
    EXPECT_EQ(100, pieces[0][0].x);
    EXPECT_EQ(100 + 45 - 24, pieces[1][0].x);
    EXPECT_EQ(100 + 10, pieces[2][0].x);  // (45 - 24) / 2 truncated
    EXPECT_EQ(100 + 6, pieces[3][0].x);   // (45 - 32) / 2 truncated
    EXPECT_EQ(48, pieces[3][0].y);
}

TEST(GuiTextTest, EmptyTextsAndTrailingBreaksStillMakePieces)
{
    const std::vector<TextBox2D::Line> lines = {{TextBox2D::Left, "", {}}, {TextBox2D::Left, "x\n", {}}};
    const auto pieces = qz::dev::LayOutTextPieces(lines, {0, 0}, 0);
    ASSERT_EQ(1u, pieces[0].size());
    ASSERT_EQ(2u, pieces[1].size());
    EXPECT_EQ(L"", pieces[1][1].text);
    EXPECT_EQ(32, pieces[1][1].y);
}

TEST(GuiTextTest, PiecesLongerThanTheBufferGoOnBelow)
{
    const std::string longText(2500, 'x');
    const std::vector<TextBox2D::Line> lines = {{TextBox2D::Left, longText + "\nend", {}}};
    const auto pieces = qz::dev::LayOutTextPieces(lines, {0, 0}, 0);
    ASSERT_EQ(4u, pieces[0].size());
    EXPECT_EQ(qz::dev::kMaxTextPieceLength, pieces[0][0].text.size());
    EXPECT_EQ(qz::dev::kMaxTextPieceLength, pieces[0][1].text.size());
    EXPECT_EQ(2500 - 2 * qz::dev::kMaxTextPieceLength, pieces[0][2].text.size());
    EXPECT_EQ(L"end", pieces[0][3].text);
    EXPECT_EQ(48, pieces[0][3].y);
}

TEST(GuiDrawingTest, RectanglesMapPixelsToClipSpace)
{
    const qz::dev::ClipRectangle whole = qz::dev::RectangleInClipSpace({0, 0}, {800, 600}, {800, 600});
    EXPECT_FLOAT_EQ(-1.0f, whole.position[0]);
    EXPECT_FLOAT_EQ(1.0f, whole.position[1]);
    EXPECT_FLOAT_EQ(2.0f, whole.size[0]);
    EXPECT_FLOAT_EQ(-2.0f, whole.size[1]);
    const qz::dev::ClipRectangle quarter = qz::dev::RectangleInClipSpace({400, 300}, {200, 150}, {800, 600});
    EXPECT_FLOAT_EQ(0.0f, quarter.position[0]);
    EXPECT_FLOAT_EQ(0.0f, quarter.position[1]);
    EXPECT_FLOAT_EQ(0.5f, quarter.size[0]);
    EXPECT_FLOAT_EQ(-0.5f, quarter.size[1]);
}

}  // namespace
