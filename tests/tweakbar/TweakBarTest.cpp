#include "platform/tweakbar/Bars.h"

#include <gtest/gtest.h>

namespace {

using platform::tweakbar::FindParameter;
using platform::tweakbar::Parameter;
using platform::tweakbar::ParseDefinition;

TEST(TweakBarDefinition, ParametersWithBlanksAndQuotes)
{
    const std::vector<Parameter> parameters =
        ParseDefinition(" label='Particle radius ' group = volume  min=0 max=5.0 step=0.01 label=`x` help=\"a b\"");
    const std::vector<Parameter> expected = {{"label", "Particle radius "}, {"group", "volume"}, {"min", "0"},
                                             {"max", "5.0"}, {"step", "0.01"}, {"label", "x"}, {"help", "a b"}};
    EXPECT_EQ(expected, parameters);
    EXPECT_EQ("x", FindParameter(parameters, "label")) << "the last one wins";
    EXPECT_EQ("", FindParameter(parameters, "axisz"));
}

TEST(TweakBarDefinition, OddDefinitions)
{
    EXPECT_TRUE(ParseDefinition("").empty());
    EXPECT_TRUE(ParseDefinition("   ").empty());
    EXPECT_EQ((std::vector<Parameter> {{"readonly", ""}, {"min", "1"}}), ParseDefinition("readonly min=1"));
    EXPECT_EQ((std::vector<Parameter> {{"label", "open end"}}), ParseDefinition("label='open end"));
    EXPECT_EQ((std::vector<Parameter> {{"axisz", "-z"}}), ParseDefinition(" =x axisz=-z "));
    EXPECT_EQ((std::vector<Parameter> {{"label", ""}, {"step", "1"}}), ParseDefinition("label='' step=1"));
}

TEST(TweakBar, BarsHaveUniqueNames)
{
    TwBar* bar = TwNewBar("unique");
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(nullptr, TwNewBar("unique"));
    EXPECT_EQ(bar, platform::tweakbar::FindBar("unique"));
    EXPECT_EQ(1, TwDeleteBar(bar));
    EXPECT_EQ(nullptr, platform::tweakbar::FindBar("unique"));
    EXPECT_EQ(0, TwDeleteBar(bar));
    EXPECT_EQ(0, TwDeleteBar(nullptr));
    EXPECT_EQ(nullptr, TwNewBar(nullptr));
}

TEST(TweakBar, VariablesBindTheOwnersStorage)
{
    TwBar* bar = TwNewBar("variables");
    int levels = 6;
    float radius = 0.5f;
    EXPECT_EQ(1, TwAddVarRW(bar, "levels", TW_TYPE_INT32, &levels, " label='Levels ' min=1"));
    EXPECT_EQ(1, TwAddVarRW(bar, "radius", TW_TYPE_FLOAT, &radius, nullptr));
    EXPECT_EQ(0, TwAddVarRW(bar, "levels", TW_TYPE_FLOAT, &radius, "")) << "names are unique on a bar";
    EXPECT_EQ(0, TwAddVarRW(bar, "empty", TW_TYPE_INT32, nullptr, ""));
    EXPECT_EQ(0, TwAddVarRW(bar, nullptr, TW_TYPE_INT32, &levels, ""));
    ASSERT_EQ(2u, bar->variables.size());
    const platform::tweakbar::Variable* variable = bar->FindVariable("levels");
    ASSERT_NE(nullptr, variable);
    EXPECT_EQ(&levels, variable->pointer);
    EXPECT_EQ(TW_TYPE_INT32, variable->type);
    EXPECT_EQ("Levels ", variable->Param("label"));
    EXPECT_EQ("", bar->FindVariable("radius")->definition);

    TwBar* other = TwNewBar("variables2");
    EXPECT_EQ(1, TwAddVarRW(other, "levels", TW_TYPE_INT32, &levels, "")) << "another bar may use the name";
    TwDeleteBar(other);
    TwDeleteBar(bar);
    EXPECT_EQ(0, TwAddVarRW(bar, "late", TW_TYPE_INT32, &levels, "")) << "a deleted bar takes nothing";
}

TEST(TweakBar, ParametersOfVariablesAndGroups)
{
    TwBar* bar = TwNewBar("parameters");
    bool foam = false;
    TwAddVarRW(bar, "foam", TW_TYPE_BOOLCPP, &foam, " group = volume group=effects");
    EXPECT_EQ(1, TwSetParam(bar, "effects", "label", TW_PARAM_CSTRING, 1, "Effects"));
    EXPECT_EQ(1, TwSetParam(bar, "foam", "label", TW_PARAM_CSTRING, 1, "Foam"));
    EXPECT_EQ(0, TwSetParam(bar, "volume", "label", TW_PARAM_CSTRING, 1, "Volume")) << "overridden group";
    EXPECT_EQ(0, TwSetParam(bar, "missing", "label", TW_PARAM_CSTRING, 1, "Missing"));
    EXPECT_EQ(0, TwSetParam(bar, "foam", "label", static_cast<TwParamValueType>(0), 1, "x"));
    EXPECT_EQ(0, TwSetParam(bar, "foam", "label", TW_PARAM_CSTRING, 2, "x"));
    EXPECT_EQ("Effects", bar->parameters.at("effects").at("label"));
    EXPECT_EQ("Foam", bar->parameters.at("foam").at("label"));
    EXPECT_EQ(2u, bar->parameters.size());
    TwDeleteBar(bar);
}

TEST(TweakBar, DefinesPlaceBarsLaterParametersWinning)
{
    TwBar* bar = TwNewBar("placed");
    EXPECT_EQ("placed", bar->placement.label);
    EXPECT_TRUE(bar->placement.visible);
    EXPECT_EQ(1, TwDefine("placed alpha=200"));
    EXPECT_EQ(1, TwDefine(" placed visible=false label='Camera settings' position='10 100' size='250 610' "
                          "visible=true position = '-5 7'"));
    const platform::tweakbar::BarPlacement& placed = bar->placement;
    EXPECT_EQ(200, placed.alpha);
    EXPECT_TRUE(placed.visible);
    EXPECT_EQ("Camera settings", placed.label);
    EXPECT_EQ(-5, placed.x);
    EXPECT_EQ(7, placed.y);
    EXPECT_EQ(250, placed.width);
    EXPECT_EQ(610, placed.height);

    TwBar* spaced = TwNewBar("two words");
    EXPECT_EQ(1, TwDefine("`two words` visible=false"));
    EXPECT_FALSE(spaced->placement.visible);
    EXPECT_EQ(0, TwDefine("missing alpha=1"));
    EXPECT_EQ(0, TwDefine(nullptr));
    TwDeleteBar(spaced);

    // A bad parameter is refused and leaves the bar as it was.
    for (const char* refused : {"placed alpha=256", "placed alpha=x", "placed size='250'", "placed size='-1 5'",
                                "placed position='1 2 3'", "placed position='a b'", "placed visible=maybe",
                                "placed color='1 2 3'"}) {
        EXPECT_EQ(0, TwDefine(refused)) << refused;
    }
    EXPECT_EQ(200, placed.alpha);
    EXPECT_EQ(250, placed.width);
    EXPECT_EQ(-5, placed.x);
    EXPECT_TRUE(placed.visible);
    TwDeleteBar(bar);
}

TEST(TweakBar, ButtonsCallBackWithTheirClientData)
{
    TwBar* bar = TwNewBar("buttons");
    int clicks = 0;
    const TwButtonCallback click = [](void* data) { ++*static_cast<int*>(data); };
    EXPECT_EQ(1, TwAddButton(bar, "toggle_camera", click, &clicks, "label='Camera'"));
    EXPECT_EQ(0, TwAddButton(bar, "toggle_camera", click, &clicks, "")) << "names are unique on a bar";
    EXPECT_EQ(0, TwAddVarRW(bar, "toggle_camera", TW_TYPE_INT32, &clicks, "")) << "shared with variables";
    EXPECT_EQ(0, TwAddButton(bar, nullptr, click, &clicks, ""));
    const platform::tweakbar::Button* button = bar->FindButton("toggle_camera");
    ASSERT_NE(nullptr, button);
    EXPECT_EQ("Camera", button->Param("label"));
    button->callback(button->clientData);
    EXPECT_EQ(1, clicks);
    TwDeleteBar(bar);
    EXPECT_EQ(0, TwAddButton(bar, "late", click, &clicks, ""));
}

}  // namespace
