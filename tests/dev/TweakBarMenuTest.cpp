// The tweak-bar main menu: its layout in both modes, toggling bars, and its errors.

#include "tarnwick/dev/TweakBarMenu.h"

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"
#include "platform/tweakbar/Bars.h"
#include "platform/win/WindowMessages.h"
#include "tarnwick/utils/Settings.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using platform::tweakbar::BarPlacement;
using platform::tweakbar::FindBar;
using qz::dev::TweakBarMenu;
using qz::test::ErrorText;

// A menu of the given items in a 1280x720 window; the items' bars go with the fixture,
// as they would when the tweak bars end.
class MenuTest : public ::testing::Test {
protected:
    void Build(const std::vector<std::string>& names, std::uint32_t mode = 1)
    {
        menu = std::make_unique<TweakBarMenu>();
        menu->layoutMode = mode;
        menu->windowWidth = 1280;
        menu->windowHeight = 720;
        for (const std::string& name : names) {
            menu->AddItem(name, "Label of " + name);
            added.push_back(name);
        }
        menu->UpdateLayout();
    }
    ~MenuTest() override
    {
        menu.reset();
        for (const std::string& name : added) TwDeleteBar(FindBar(name));
    }

    static const BarPlacement& Placement(const std::string& bar) { return FindBar(bar)->placement; }
    static void Click(const std::string& item)
    {
        const platform::tweakbar::Button* button = FindBar("MainMenu")->FindButton("toggle_" + item);
        ASSERT_NE(nullptr, button);
        button->callback(button->clientData);
    }
    static void ExpectPlaced(const std::string& bar, int x, int y, int width, int height)
    {
        const BarPlacement& placed = Placement(bar);
        EXPECT_EQ(x, placed.x) << bar;
        EXPECT_EQ(y, placed.y) << bar;
        EXPECT_EQ(width, placed.width) << bar;
        EXPECT_EQ(height, placed.height) << bar;
    }
    // The bars shown, of the given ones.
    static std::string Shown(const std::vector<std::string>& bars)
    {
        std::string shown;
        for (const std::string& bar : bars) shown += Placement(bar).visible ? bar + " " : "";
        return shown;
    }

    std::unique_ptr<TweakBarMenu> menu;
    std::vector<std::string> added;
};

TEST_F(MenuTest, StackedMenuGrowsWithEveryItemAddedFromFiftyPixels)
{
    Build({});
    const int heights[] = {50, 60, 80, 100, 120};
    int index = 0;
    for (const char* name : {"a", "b", "c", "d", "e"}) {
        menu->AddItem(name, name);
        added.push_back(name);
        ExpectPlaced("MainMenu", 10, 10, 250, heights[index++]);
    }
}

TEST_F(MenuTest, ItemsAreHiddenBarsWithAToggleButton)
{
    Build({"camera", "volume"});
    EXPECT_EQ(200, Placement("MainMenu").alpha);
    EXPECT_TRUE(Placement("MainMenu").visible);
    const BarPlacement& camera = Placement("camera");
    EXPECT_FALSE(camera.visible);
    EXPECT_EQ(200, camera.alpha);
    EXPECT_EQ("Label of camera", camera.label);
    EXPECT_EQ("Label of camera", FindBar("MainMenu")->FindButton("toggle_camera")->Param("label"));
    EXPECT_EQ(FindBar("camera"), menu->GetItem("camera").bar);
    EXPECT_EQ(menu.get(), menu->GetItem("camera").menu);
}

TEST_F(MenuTest, TogglingShowsOneBarBelowTheMenu)
{
    Build({"camera", "renderer", "volume"});
    ExpectPlaced("MainMenu", 10, 10, 250, 80);
    const std::vector<std::string> items = {"camera", "renderer", "volume"};
    Click("renderer");
    EXPECT_EQ("renderer ", Shown(items));
    EXPECT_EQ("renderer", menu->GetShownItem());
    ExpectPlaced("renderer", 10, 100, 250, 610);
    Click("volume");
    EXPECT_EQ("volume ", Shown(items)) << "another button switches";
    ExpectPlaced("volume", 10, 100, 250, 610);
    Click("volume");
    EXPECT_EQ("", Shown(items)) << "the same button hides";
    EXPECT_EQ("", menu->GetShownItem());
}

TEST_F(MenuTest, SideBySideModeUsesTheWindowHeight)
{
    Build({"camera", "volume"}, 0);
    ExpectPlaced("MainMenu", 10, 10, 250, 700);
    Click("camera");
    ExpectPlaced("camera", 270, 10, 250, 700);
    EXPECT_TRUE(Placement("camera").visible);
    menu->layoutMode = 2;
    menu->UpdateLayout();
    EXPECT_FALSE(Placement("camera").visible) << "other modes only hide";
}

TEST_F(MenuTest, NamesAreUniqueAndMustExist)
{
    Build({"camera"});
    TwBar* bar = menu->GetItem("camera").bar;
    const std::string duplicate = ErrorText([&] { menu->AddItem("camera", "Other"); });
    EXPECT_NE(std::string::npos, duplicate.find("\nMethod: qz::dev::TweakBarMenu::AddItem\nFile: \"dev\\TweakBarMenu\": "));
    EXPECT_NE(std::string::npos, duplicate.find("\nItem camera already exists")) << duplicate;
    EXPECT_EQ("Label of camera", menu->GetItem("camera").label);
    EXPECT_EQ(bar, menu->GetItem("camera").bar);
    EXPECT_EQ(1u, FindBar("MainMenu")->buttons.size());
    EXPECT_NE(std::string::npos,
              ErrorText([&] { menu->GetItem("nothing"); }).find("\nItem nothing does not exist"));
    EXPECT_NE(std::string::npos, ErrorText([] { TweakBarMenu second; }).find("Could not create bar MainMenu"))
        << "one main menu at a time";

    // A bar of that name made elsewhere cannot become an item.
    TwBar* foreign = TwNewBar("foreign");
    EXPECT_NE(std::string::npos, ErrorText([&] { menu->AddItem("foreign", "F"); }).find("Could not create bar foreign"));
    TwDeleteBar(foreign);
}

TEST_F(MenuTest, TheMenuBarGoesWithTheMenuAndTheItemBarsStay)
{
    Build({"camera"});
    menu.reset();
    EXPECT_EQ(nullptr, FindBar("MainMenu"));
    EXPECT_NE(nullptr, FindBar("camera"));
}

// Clicks where the bars are drawn: the menu at (10, 10) has its title in y 10-27 and the
// button of item k (0 ...) in the row y 28 + 18k to 45 + 18k; the shown bar at (10, 100)
// has a settings group's heading in the row y 118-135 and its first item below it.
TEST_F(MenuTest, ClicksOnTheDrawnMenuShowBarsAndChangeSettings)
{
    d3d11sw::ComPtr<ID3D11Device> device;
    ASSERT_EQ(S_OK, D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                                      device.ReleaseAndGetAddressOf(), nullptr, nullptr));
    ASSERT_EQ(1, TwInit(TW_DIRECT3D11, device.Get()));
    Build({"camera", "renderer", "volume"});
    bool foam = false;
    qz::utils::SettingsGroup volume("volume", "Volume");
    volume.AddTypedItem("foam", &foam, "Trace foam");
    volume.AddToAntTweakBar(menu->GetItem("volume").bar, true);

    const auto click = [](int x, int y) {
        const int down = TwEventWin(nullptr, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        return down + TwEventWin(nullptr, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    };
    const std::vector<std::string> items = {"camera", "renderer", "volume"};
    EXPECT_EQ(2, click(100, 28 + 2 * 18));
    EXPECT_EQ("volume ", Shown(items));
    EXPECT_EQ(2, click(100, 136));
    EXPECT_TRUE(foam) << "the group's boolean under the heading";
    EXPECT_EQ(2, click(100, 27 + 3 * 18));
    EXPECT_EQ("", Shown(items)) << "the last pixel of the button hides the bar again";
    EXPECT_EQ(0, click(100, 136)) << "nothing there any more";
    EXPECT_TRUE(foam);
    menu.reset();
    TwTerminate();
    added.clear();
}

}  // namespace
