#include "tarnwick/utils/Settings.h"

#include "platform/tweakbar/Bars.h"
#include "tests/support/OutputCapture.h"
#include "tests/support/ErrorReports.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <sstream>

namespace {

using namespace qz::core;
using qz::test::CoutCapture;
using qz::utils::SettingsGroup;

TEST(SplitDescription, TextAndOptions)
{
    struct Case {
        std::string description, tag, text, options;
    };
    const std::string longest(1023, 't');
    const Case cases[] = {
        {"Levels <!ATB min=1 max=12>", "ATB", "Levels ", " min=1 max=12"},
        {"Levels <!ATB min=1 max=12>", "", "Levels ", ""},
        {"Text <!ATB min=1>", "GUI", "Text ", ""},
        {"<!ATB group=effects>", "ATB", "", ""},  // no text before the options: the reading fails
        {"Trace foam", "ATB", "Trace foam", ""},
        {"", "ATB", "", ""},
        {"Radius <!ATB>", "ATB", "Radius ", ""},
        {"Wow! <!ATB min=1>", "ATB", "Wow", " <!ATB min=1"},  // the tag run is the single !
        {"Open <!ATB min=1", "ATB", "Open ", " min=1"},
        {longest, "ATB", longest, ""},
        {longest + "t", "ATB", "", ""},
        {longest + "t <!ATB min=1>", "ATB", "", " min=1"},
        {longest + "t<!ATB min=1>", "ATB", "", " min=1"},
        {"T <!ATB" + std::string(5000, 'o') + ">", "ATB", "T ", std::string(4095, 'o')},
    };
    for (const Case& c : cases) {
        std::string text = "old", options = "old";
        SettingsGroup::SplitDescription(c.description, text, options, c.tag);
        EXPECT_EQ(c.text, text) << c.description.substr(0, 40);
        EXPECT_EQ(c.options, options) << c.description.substr(0, 40);
    }
}

class SettingsGroupTest : public ::testing::Test {
protected:
    SettingsGroupTest()
    {
        volume.AddTypedItem("levels", &levels, "Levels <!ATB min=1 max=12>");
        volume.AddTypedItem("radius", &radius, "Particle radius <!ATB min=0 max=5.0 step=0.01>");
        volume.AddTypedItem("foam", &foam, "Trace foam <!ATB group=effects>");
        volume.AddTypedItem("file", &file, "");
        volume.AddTypedItem("light", &light, "Light", 0x80000000u);
        volume.SetRestoreCallback([this](SettingsGroup& group) { restored += &group == &volume; });
    }
    void Apply(std::vector<const char*> arguments) { volume.ApplyCommandLine(static_cast<int>(arguments.size()), arguments.data()); }

    int levels = 6;
    float radius = 0.5f;
    bool foam = false;
    std::string file = "none";
    FloatVec3 light {0, 1, 0};
    SettingsGroup volume {"volume", "Volume"};
    int restored = 0;
};

// Saving is compared byte for byte in the configuration's tests.
TEST_F(SettingsGroupTest, LoadsTheFirstXmlElementNamedAfterTheGroup)
{
    TiXmlDocument document;
    document.Parse("<a><other><levels value=\"1\"/></other><volume><levels value=\"8\"/><light value=\"[1, 2, 3]\"/></volume>"
                   "<volume><levels value=\"9\"/></volume><Volume><levels value=\"2\"/></Volume></a>");
    volume.LoadFromXML(document.RootElement());
    EXPECT_EQ(8, levels) << "the first element of the group's name";
    EXPECT_EQ(FloatVec3(1, 2, 3), light) << "items off the GUI load too";
    EXPECT_EQ(1, restored);
    TiXmlDocument other;
    other.Parse("<a><Volume><levels value=\"2\"/></Volume></a>");
    volume.LoadFromXML(other.RootElement());
    EXPECT_EQ(8, levels);
    EXPECT_EQ(1, restored) << "no element, no callback";
}

TEST_F(SettingsGroupTest, CommandLine)
{
    Apply({"--volume:levels=8", "--levels=9", "--foam", "--radius=0.25", "--volume:file=a.raw"});
    EXPECT_TRUE(levels == 9 && foam && radius == 0.25f && file == "a.raw") << "arguments apply in order";
    EXPECT_EQ(1, restored) << "one callback after the last argument";
    Apply({"-levels=3", "levels=3", "--rendering:levels=3", "--volume:nothing=1", "--Levels=3", "--levels", "--volume:=3",
           "---levels=3", "--levels=99999999999"});
    EXPECT_EQ(9, levels);
    EXPECT_EQ(2, restored) << "a value counts as a change even when it changes nothing";
    Apply({"--radius=abc"});
    EXPECT_EQ(0.25f, radius);
    const std::pair<const char*, bool> bools[] = {{"--foam=true", true}, {"--volume:foam=false", false}, {"--foam", true},
                                                  {"--foam=1", false}, {"--foam=", false}};
    for (const auto& [argument, value] : bools) {
        Apply({argument});
        EXPECT_EQ(value, foam) << argument;
    }
    EXPECT_EQ(8, restored);
    Apply({});
    EXPECT_EQ(8, restored);
}

TEST_F(SettingsGroupTest, HelpListsItemsInKeyOrder)
{
    std::ostringstream all, labelled;
    volume.PrintHelp(all, false);
    EXPECT_EQ("* Group 'volume' (Volume)\n\n--file=<string>\n--foam=<boolean>\n\tTrace foam \n--levels=<int32>\n\tLevels \n"
              "--light=<serializable>\n\tLight\n--radius=<float>\n\tParticle radius \n",
              all.str());
    volume.PrintHelp(labelled, true);
    std::string withoutFile = all.str();
    withoutFile.erase(withoutFile.find("--file=<string>\n"), 16);
    EXPECT_EQ(withoutFile, labelled.str()) << "items without a description are left out";
    SettingsGroup engine("unnamed", "");
    std::string config = "./Settings.xml";
    engine.AddTypedItem("config", &config);
    std::ostringstream unlabelled;
    engine.PrintHelp(unlabelled, true);
    EXPECT_EQ("", unlabelled.str());
    engine.PrintHelp(unlabelled, false);
    EXPECT_EQ("* Group 'unnamed'\n\n--config=<string>\n", unlabelled.str());
}

// Vectors that only the tweak-bar exposure knows by name.
template <int N>
class Vector final : public SimpleVec<float, N> {
public:
    explicit Vector(const char* name, std::uint32_t id = 0) : name_(name), id_(id ? id : TypeNameHash(name)) {}
    std::uint32_t GetTypeID() const override { return id_; }
    const char* GetTypeName() const override { return name_; }

private:
    const char* name_;
    std::uint32_t id_;
};

// A bar that goes away with the test.
struct Bar {
    explicit Bar(const char* name) : bar(TwNewBar(name)) {}
    ~Bar() { TwDeleteBar(bar); }
    TwBar* bar;
};

TEST(SettingsTweakBar, EveryTypeGetsItsVariables)
{
    std::int8_t i8 = 0;
    std::int16_t i16 = 0;
    int i32 = 0;
    std::uint8_t u8 = 0;
    std::uint16_t u16 = 0;
    unsigned int u32 = 0;
    float f = 0;
    double d = 0;
    bool b = false;
    FloatVec3 direction, colour;
    Int32Vec2 size;
    Vector<2> pair("FloatVec2");
    Vector<4> quaternion("FloatVec4"), colour4("FloatVec4"), direction4("FloatVec4");
    SettingsGroup group("volume", "Volume");
    group.AddTypedItem("i8", &i8, "I8");
    group.AddTypedItem("i16", &i16, "I16");
    group.AddTypedItem("i32", &i32, "Levels <!ATB min=1 max=12>");
    group.AddTypedItem("u8", &u8, "U8");
    group.AddTypedItem("u16", &u16, "U16");
    group.AddTypedItem("u32", &u32, "U32");
    group.AddTypedItem("f", &f, "Radius <!ATB step=0.5>");
    group.AddTypedItem("d", &d, "D");
    group.AddTypedItem("b", &b, "Trace foam <!ATB group=effects>");
    group.AddTypedItem("direction", &direction, "Light");
    group.AddTypedItem("colour", &colour, "Colour", 1);
    group.AddTypedItem("size", &size, "Size <!ATB min=0>");
    group.AddTypedItem("pair", &pair, "Pair");
    group.AddTypedItem("quaternion", &quaternion, "Rotation", 4);
    group.AddTypedItem("colour4", &colour4, "Colour4", 0);
    group.AddTypedItem("direction4", &direction4, "Direction4", 8);
    group.AddTypedItem("hidden", &i32, "Hidden", 0x80000000u);
    group.AddTypedItem("untitled", &i32, "");
    group.AddTypedItem("options", &i32, "<!ATB min=1>");
    const Bar bar("volume_bar");
    group.AddToAntTweakBar(bar.bar, true);

    const std::pair<void*, std::string> expected[] = {
        {&i8, "i8 6 label='I8' group = volume "}, {&i16, "i16 8 label='I16' group = volume "},
        {&i32, "i32 10 label='Levels ' group = volume  min=1 max=12"}, {&u8, "u8 7 label='U8' group = volume "},
        {&u16, "u16 9 label='U16' group = volume "}, {&u32, "u32 11 label='U32' group = volume "},
        {&f, "f 12 label='Radius ' group = volume  step=0.5 step=0.01 "}, {&d, "d 13 label='D' group = volume  step=0.01 "},
        {&b, "b 1 label='Trace foam ' group = volume  group=effects"},
        {&direction.x, "direction 21 label='Light' group = volume  axisz=-z "},
        {&colour.x, "colour 15 label='Colour' group = volume "}, {&size.x, "size_x 10 min=0 label='Size  X' group=volume "},
        {&size.y, "size_y 10 min=0 label='Size  Y' group=volume "}, {&pair.x, "pair_x 12 label='Pair X' group=volume "},
        {&pair.y, "pair_y 12 label='Pair Y' group=volume "}, {&quaternion.x, "quaternion 19 label='Rotation' group = volume "},
        {&colour4.x, "colour4 16 label='Colour4' group = volume "},
        {&direction4.x, "direction4 21 label='Direction4' group = volume  axisz=-z "}};
    ASSERT_EQ(std::size(expected), bar.bar->variables.size()) << "none for hidden, untitled or options-only items";
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const platform::tweakbar::Variable& v = bar.bar->variables[i];
        EXPECT_EQ(expected[i].second, v.name + " " + std::to_string(static_cast<int>(v.type)) + v.definition);
        EXPECT_EQ(expected[i].first, v.pointer) << v.name;
    }
    EXPECT_EQ("0.01", bar.bar->FindVariable("f")->Param("step")) << "the float step comes last and wins";
    EXPECT_EQ("effects", bar.bar->FindVariable("b")->Param("group")) << "options after the group win";
    EXPECT_EQ("Volume", bar.bar->parameters.at("volume").at("label"));
    *static_cast<float*>(bar.bar->FindVariable("f")->pointer) = 2.0f;
    EXPECT_EQ(2.0f, f);

    const Bar ungrouped("rendering_bar"), unlabelled("camera_bar");
    SettingsGroup rendering("rendering", "Rendering"), camera("camera", "");
    rendering.AddTypedItem("shown", &i32, "Shown");
    camera.AddTypedItem("shown", &i32, "Shown");
    rendering.AddToAntTweakBar(ungrouped.bar, false);
    camera.AddToAntTweakBar(unlabelled.bar, true);
    ASSERT_EQ(1u, ungrouped.bar->variables.size());
    EXPECT_EQ(" label='Shown' ", ungrouped.bar->variables[0].definition);
    EXPECT_TRUE(ungrouped.bar->parameters.empty()) << "no group label without use group";
    EXPECT_TRUE(unlabelled.bar->variables.empty() && unlabelled.bar->parameters.empty());
}

TEST(SettingsTweakBar, ItemsWithoutATweakBarForm)
{
    CoutCapture console;
    int first = 0;
    std::int64_t wide = 0;
    std::uint64_t wideUnsigned = 0;
    std::string text;
    const std::pair<std::function<void(SettingsGroup&)>, const char*> unsupported[] = {
        {[&](SettingsGroup& g) { g.AddTypedItem("z", &wide, "Wide"); }, "Type int64 not supported by ATB"},
        {[&](SettingsGroup& g) { g.AddTypedItem("z", &wideUnsigned, "Wide"); }, "Type uint64 not supported by ATB"},
        {[&](SettingsGroup& g) { g.AddTypedItem("z", &text, "Text"); }, "String integration not implemented"},
    };
    for (const auto& [add, message] : unsupported) {
        SettingsGroup group("volume", "Volume");
        group.AddTypedItem("a", &first, "First");
        add(group);
        group.AddTypedItem("b", &first, "After");
        const Bar bar("unsupported_bar");
        EXPECT_EQ(std::string("qz::utils::SettingsGroup::AddToAntTweakBar|utils\\Settings|") + message,
                  qz::test::ReportOf([&] { group.AddToAntTweakBar(bar.bar, true); }));
        ASSERT_EQ(1u, bar.bar->variables.size()) << "variables before the item stay";
    }

    Vector<2> unknown("Unknown", 42);
    FloatVec3 odd;
    Vector<4> twelve("FloatVec4");
    SettingsGroup group("volume", "Volume");
    group.AddTypedItem("unknown", &unknown, "Unknown");
    group.AddTypedItem("odd", &odd, "Odd", 2);
    group.AddTypedItem("twelve", &twelve, "Twelve", 12);
    group.AddTypedItem("undefined", &first, "Undefined").value = VariantEncapsulation(&first, DataTypeUndefined);
    group.AddTypedItem("after", &first, "After");
    const Bar bar("class_bar");
    group.AddToAntTweakBar(bar.bar, true);
    ASSERT_EQ(1u, bar.bar->variables.size());
    EXPECT_EQ("after", bar.bar->variables[0].name);
    EXPECT_NE(std::string::npos, console.Text().find("\n*** ERROR ***\nInvalid class id for ATB: 42\n"));
    for (const char* item : {"odd", "twelve", "undefined"}) {
        EXPECT_NE(std::string::npos, console.Text().find(std::string("no tweak-bar form for item ") + item)) << item;
    }
}

}  // namespace
