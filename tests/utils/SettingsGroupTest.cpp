#include "tarnwick/utils/Settings.h"

#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <sstream>
#include <vector>

namespace {

using qz::core::FloatVec3;
using qz::utils::SettingsGroup;

struct Split {
    std::string text;
    std::string options;
};

Split SplitOf(const std::string& description, const std::string& tag = "ATB")
{
    Split split {"old", "old"};
    SettingsGroup::SplitDescription(description, split.text, split.options, tag);
    return split;
}

TEST(SplitDescription, TextAndAtbOptions)
{
    Split split = SplitOf("Levels <!ATB min=1 max=12>");
    EXPECT_EQ("Levels ", split.text);
    EXPECT_EQ(" min=1 max=12", split.options);
    split = SplitOf("Levels <!ATB min=1 max=12>", "");
    EXPECT_EQ("Levels ", split.text);
    EXPECT_EQ("", split.options);
    split = SplitOf("Particle radius <!ATB min=0 max=5.0 step=0.01>");
    EXPECT_EQ("Particle radius ", split.text);
    EXPECT_EQ(" min=0 max=5.0 step=0.01", split.options);
}

TEST(SplitDescription, DescriptionsWithoutTextOrOptions)
{
    Split split = SplitOf("<!ATB group=effects>");
    EXPECT_EQ("", split.text);
    EXPECT_EQ("", split.options) << "no text before the options: the reading fails";
    split = SplitOf("Trace foam");
    EXPECT_EQ("Trace foam", split.text);
    EXPECT_EQ("", split.options);
    split = SplitOf("");
    EXPECT_EQ("", split.text);
    EXPECT_EQ("", split.options);
    split = SplitOf("Radius <!ATB>");
    EXPECT_EQ("Radius ", split.text);
    EXPECT_EQ("", split.options) << "empty options do not fill the conversion";
    split = SplitOf("Wow! <!ATB min=1>");
    EXPECT_EQ("Wow", split.text);
    EXPECT_EQ(" <!ATB min=1", split.options) << "the tag run is the single !";
    split = SplitOf("Open <!ATB min=1", "ATB");
    EXPECT_EQ(" min=1", split.options) << "no closing > is needed";
    split = SplitOf("Text <!ATB min=1>", "GUI");
    EXPECT_EQ("", split.options);
}

TEST(SplitDescription, LengthLimits)
{
    const std::string longest(1023, 't');
    EXPECT_EQ(longest, SplitOf(longest).text);
    EXPECT_EQ("", SplitOf(longest + "t").text);
    EXPECT_EQ("", SplitOf(longest + "t <!ATB min=1>").text);
    EXPECT_EQ(" min=1", SplitOf(longest + "t<!ATB min=1>").options);
    const std::string options(5000, 'o');
    EXPECT_EQ(std::string(4095, 'o'), SplitOf("T <!ATB" + options + ">").options);
}

struct VolumeSettings {
    int levels = 6;
    float radius = 0.5f;
    bool foam = false;
    std::string file = "none";
    FloatVec3 light {0, 1, 0};
};

class SettingsGroupTest : public ::testing::Test {
protected:
    SettingsGroupTest()
    {
        volume.AddTypedItem("levels", &values.levels, "Levels <!ATB min=1 max=12>");
        volume.AddTypedItem("radius", &values.radius, "Particle radius <!ATB min=0 max=5.0 step=0.01>");
        volume.AddTypedItem("foam", &values.foam, "Trace foam <!ATB group=effects>");
        volume.AddTypedItem("file", &values.file, "");
        volume.AddTypedItem("light", &values.light, "Light", 0x80000000u);
        volume.SetRestoreCallback([this](SettingsGroup& group) { restored.push_back(&group); });
    }

    void Apply(std::vector<const char*> arguments)
    {
        volume.ApplyCommandLine(static_cast<int>(arguments.size()), arguments.data());
    }

    VolumeSettings values;
    SettingsGroup volume {"volume", "Volume"};
    std::vector<SettingsGroup*> restored;
};

TEST_F(SettingsGroupTest, SavesOneElementNamedAfterTheGroup)
{
    TiXmlElement parent("app-settings");
    volume.SaveToXML(&parent);
    TiXmlPrinter printer;
    printer.SetStreamPrinting();
    parent.Accept(&printer);
    EXPECT_EQ("<app-settings><volume>"
              "<file typeid=\"100\" value=\"none\" />"
              "<foam typeid=\"30\" value=\"false\" />"
              "<levels typeid=\"2\" value=\"6\" />"
              "<light typeid=\"875567318\" value=\"[0.000000, 1.000000, 0.000000]\" />"
              "<radius typeid=\"20\" value=\"0.500000\" />"
              "</volume></app-settings>",
              std::string(printer.CStr()));
}

TEST_F(SettingsGroupTest, LoadsTheFirstElementOfItsNameAndCallsBack)
{
    TiXmlDocument document;
    document.Parse("<app-settings><other><levels value=\"1\"/></other>"
                   "<volume><levels value=\"8\"/><light value=\"[1, 2, 3]\"/></volume>"
                   "<volume><levels value=\"9\"/></volume></app-settings>");
    volume.LoadFromXML(document.RootElement());
    EXPECT_EQ(8, values.levels);
    EXPECT_EQ(FloatVec3(1, 2, 3), values.light) << "items off the GUI are still loaded";
    ASSERT_EQ(1u, restored.size());
    EXPECT_EQ(&volume, restored[0]);

    TiXmlDocument other;
    other.Parse("<app-settings><Volume><levels value=\"2\"/></Volume></app-settings>");
    volume.LoadFromXML(other.RootElement());
    EXPECT_EQ(8, values.levels);
    EXPECT_EQ(1u, restored.size()) << "no element, no callback";
}

TEST_F(SettingsGroupTest, CommandLineWithAndWithoutGroupName)
{
    Apply({"program", "--volume:levels=8", "--levels=9", "--foam", "--radius=0.25", "--volume:file=a.raw"});
    EXPECT_EQ(9, values.levels) << "arguments apply in order";
    EXPECT_TRUE(values.foam);
    EXPECT_EQ(0.25f, values.radius);
    EXPECT_EQ("a.raw", values.file);
    EXPECT_EQ(1u, restored.size()) << "one callback after the last argument";
}

TEST_F(SettingsGroupTest, CommandLineArgumentsThatDoNotFit)
{
    Apply({"-levels=3", "levels=3", "--rendering:levels=3", "--volume:nothing=1", "--Levels=3", "--levels",
           "--volume:=3", "---levels=3"});
    EXPECT_EQ(6, values.levels);
    EXPECT_TRUE(restored.empty());

    Apply({"--radius=abc"});
    EXPECT_EQ(0.5f, values.radius);
    EXPECT_EQ(1u, restored.size()) << "a value counts as a change even when it changes nothing";

    Apply({"--levels=99999999999"});
    EXPECT_EQ(6, values.levels);
}

TEST_F(SettingsGroupTest, BoolsAreClearedOnlyByAValue)
{
    Apply({"--foam"});
    EXPECT_TRUE(values.foam);
    Apply({"--foam=true"});
    EXPECT_TRUE(values.foam);
    Apply({"--volume:foam=false"});
    EXPECT_FALSE(values.foam);
    Apply({"--foam=", "--foam"});
    EXPECT_TRUE(values.foam);
    Apply({"--foam=1"});
    EXPECT_FALSE(values.foam);
    EXPECT_EQ(5u, restored.size());
}

TEST_F(SettingsGroupTest, TheProgramNameIsAnArgumentLikeAnyOther)
{
    Apply({"--levels=4"});
    EXPECT_EQ(4, values.levels);
}

TEST_F(SettingsGroupTest, HelpListsItemsInKeyOrder)
{
    std::ostringstream all;
    volume.PrintHelp(all, false);
    EXPECT_EQ("* Group 'volume' (Volume)\n\n"
              "--file=<string>\n"
              "--foam=<boolean>\n\tTrace foam \n"
              "--levels=<int32>\n\tLevels \n"
              "--light=<serializable>\n\tLight\n"
              "--radius=<float>\n\tParticle radius \n",
              all.str());

    std::ostringstream labelled;
    volume.PrintHelp(labelled, true);
    EXPECT_EQ(std::string::npos, labelled.str().find("--file"));
    EXPECT_NE(std::string::npos, labelled.str().find("--foam"));

    SettingsGroup engine("unnamed", "");
    std::string config = "./Settings.xml";
    engine.AddTypedItem("config", &config);
    std::ostringstream unlabelled;
    engine.PrintHelp(unlabelled, true);
    EXPECT_EQ("", unlabelled.str());
    engine.PrintHelp(unlabelled, false);
    EXPECT_EQ("* Group 'unnamed'\n\n--config=<string>\n", unlabelled.str());
}

}  // namespace
