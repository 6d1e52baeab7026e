#include "tarnwick/engine/Configuration.h"
#include "tarnwick/engine/XmlNesting.h"

#include "tests/support/FullDisk.h"
#include "tests/support/LogCapture.h"
#include "tests/support/OutputCapture.h"
#include "tests/support/ErrorReports.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using qz::core::FloatVec3;
using qz::core::Int32Vec2;
using qz::test::CoutCapture;
using qz::test::ErrorText;
using qz::test::ReportOf;
using qz::test::ReadFile;
using qz::utils::SettingsGroup;

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

const char* const CustomFile = "<tarnwick-config>\n    <custom note=\"kept\">\n        <paths a=\"1\">text</paths>\n"
                               "        <!-- comment -->\n    </custom>\n</tarnwick-config>\n";

// Two application groups and the rendering device's group, entered as their owners do.
class ConfigurationTest : public ::testing::Test {
protected:
    ConfigurationTest()
    {
        volume.AddTypedItem("levels", &levels, "Levels <!ATB min=1 max=12>");
        volume.AddTypedItem("radius", &radius, "Radius");
        volume.AddTypedItem("file", &file);
        camera.AddTypedItem("eye", &eye);
        device.AddTypedItem("resolution", &resolution);
        device.AddTypedItem("windowed", &windowed);
        volume.SetRestoreCallback([this](SettingsGroup&) { ++volumeRestored; });
        device.SetRestoreCallback([this](SettingsGroup&) { ++deviceRestored; });
        configuration.appSettings[volume.Name()] = &volume;
        configuration.appSettings[camera.Name()] = &camera;
        configuration.engineSettings[device.Name()] = &device;
        fs::remove("config.xml");
    }
    bool AtDefaults() const
    {
        return levels == 6 && radius == 0.5f && file == "none" && eye == FloatVec3(0, 0, -5) &&
               resolution == Int32Vec2(1280, 720) && windowed && volumeRestored == 0 && deviceRestored == 0;
    }

    int levels = 6;
    float radius = 0.5f;
    std::string file = "none";
    FloatVec3 eye {0, 0, -5};
    Int32Vec2 resolution {1280, 720};
    bool windowed = true;
    int volumeRestored = 0;
    int deviceRestored = 0;
    SettingsGroup volume {"volume", "Volume"};
    SettingsGroup camera {"camera", ""};
    SettingsGroup device {"renderingdevice", ""};
    Configuration configuration {"config.xml"};
};

TEST_F(ConfigurationTest, StoresEveryGroupInItsPartAsTheXmlLibraryPrints)
{
    Configuration("unused.xml").StoreCopy("empty.xml");
    EXPECT_EQ("<tarnwick-config>\n    <app-settings />\n    <engine-settings />\n    <custom />\n</tarnwick-config>\n",
              ReadFile("empty.xml"));
    configuration.appSettings.erase("camera");
    configuration.StoreCopy("stored.xml");
    EXPECT_EQ("<tarnwick-config>\n    <app-settings>\n        <volume>\n            <file typeid=\"100\" value=\"none\" />\n"
              "            <levels typeid=\"2\" value=\"6\" />\n            <radius typeid=\"20\" value=\"0.500000\" />\n"
              "        </volume>\n    </app-settings>\n    <engine-settings>\n        <renderingdevice>\n"
              "            <resolution typeid=\"1584490197\" value=\"[1280, 720]\" />\n"
              "            <windowed typeid=\"30\" value=\"true\" />\n        </renderingdevice>\n    </engine-settings>\n"
              "    <custom />\n</tarnwick-config>\n",
              ReadFile("stored.xml"));
    EXPECT_EQ("config.xml", configuration.FileName());

    WriteFile("config.xml", CustomFile);
    configuration.Load();
    configuration.StoreCopy("ours.xml");
    TiXmlDocument document;
    ASSERT_TRUE(document.LoadFile("ours.xml") && document.SaveFile("library.xml"));
    EXPECT_EQ(ReadFile("library.xml"), ReadFile("ours.xml"));
    EXPECT_NE(std::string::npos, ReadFile("ours.xml").find("    <custom note=\"kept\">\n        <paths a=\"1\">text</paths>\n"
                                                           "        <!-- comment -->\n    </custom>\n</tarnwick-config>\n"));
}

TEST_F(ConfigurationTest, RoundTripRestoresEveryGroupAndTheCustomPart)
{
    WriteFile("config.xml", CustomFile);
    configuration.Load();
    levels = 9;
    radius = 1.125f;
    file = "data.raw";
    eye = FloatVec3(1, 2, 3);
    resolution = Int32Vec2(640, 480);
    windowed = false;
    configuration.StoreCopy(".\\config.xml");  // backslash paths work
    levels = 1;
    radius = 0;
    file = "";
    eye = FloatVec3();
    resolution = Int32Vec2();
    windowed = true;
    CoutCapture console;
    configuration.ReloadAppSettings(".\\config.xml");
    EXPECT_TRUE(levels == 9 && radius == 1.125f && file == "data.raw" && eye == FloatVec3(1, 2, 3));
    EXPECT_TRUE(resolution == Int32Vec2() && windowed) << "only the application's groups";
    configuration.Load();
    EXPECT_EQ("", console.Text());
    EXPECT_TRUE(resolution == Int32Vec2(640, 480) && !windowed);
    EXPECT_EQ(2, volumeRestored);
    EXPECT_EQ(1, deviceRestored);
    WriteFile("config.xml", "<tarnwick-config><app-settings/></tarnwick-config>");
    configuration.Load();  // a file without a custom part keeps the one held
    ASSERT_NE(nullptr, configuration.Custom().FirstChildElement("paths"));
    EXPECT_STREQ("text", configuration.Custom().FirstChildElement("paths")->GetText());
    EXPECT_STREQ("kept", configuration.Custom().Attribute("note"));
}

TEST_F(ConfigurationTest, PartsWarningsAndReloads)
{
    WriteFile("config.xml", "<other><engine-settings><renderingdevice><windowed typeid=\"30\" value=\"false\"/></renderingdevice>"
                            "<volume><levels value=\"2\"/></volume></engine-settings>"
                            "<engine-settings><renderingdevice><windowed value=\"true\"/></renderingdevice></engine-settings>"
                            "<app-settings><volume><levels typeid=\"20\" value=\"3\"/><radius typeid=\"20\" value=\"2.5\"/>"
                            "</volume></app-settings></other>");
    CoutCapture console;
    configuration.Load();
    EXPECT_FALSE(windowed) << "a root of any name; the first part of a name counts";
    EXPECT_EQ(1, deviceRestored);
    EXPECT_EQ(6, levels) << "application groups are not read from the engine part, and the type must match";
    EXPECT_EQ(2.5f, radius);
    EXPECT_EQ(1, volumeRestored);
    EXPECT_EQ("WARNING: VariantCollection::LoadFromXML: Type of variant levels does not match the type declared in XML; "
              "ignoring\n",
              console.Text());

    WriteFile("other.xml", "<tarnwick-config><app-settings><volume><levels value=\"4\"/></volume></app-settings>"
                           "<engine-settings><renderingdevice><windowed value=\"true\"/></renderingdevice>"
                           "</engine-settings><custom><x/></custom></tarnwick-config>");
    configuration.ReloadAppSettings("other.xml");
    EXPECT_EQ(4, levels);
    EXPECT_EQ(2, volumeRestored);
    EXPECT_FALSE(windowed) << "only the application's groups";
    EXPECT_EQ(nullptr, configuration.Custom().FirstChild());
    EXPECT_EQ("config.xml", configuration.FileName());
}

TEST_F(ConfigurationTest, FilesThatCannotBeReadLeaveTheValues)
{
    fs::create_directories("folder.xml");
    std::string deep = "<tarnwick-config>\n<app-settings>";
    for (int i = 0; i < 300; ++i) deep += "<a>";
    WriteFile("deep.xml", deep);
    const std::pair<std::string, std::string> unreadable[] = {
        {"missing.xml", "Failed to open file (line 0)"},
        {"folder.xml", "Failed to open file (line 0)"}, {"/dev/zero", "Failed to open file (line 0)"},
        {"deep.xml", "Elements nested deeper than 256 levels (line 2)"}};
    for (const auto& [name, reason] : unreadable) {
        Configuration other(name);
        other.appSettings[volume.Name()] = &volume;
        CoutCapture console;
        other.Load();
        EXPECT_EQ("WARNING: Could not load configuration from \"" + name + "\"; error message: " + reason + "\n",
                  console.Text());
        EXPECT_EQ("Configuration::ReloadAppSettings|engine\\Configuration|Could not load configuration from \"" + name + "\"",
                  ReportOf([&] { other.ReloadAppSettings(name); }));
        EXPECT_TRUE(AtDefaults()) << name;
    }

    const std::pair<const char*, std::string> damaged[] = {
        {"wrong end tag", "<tarnwick-config>\n<app-settings>\n<volume><levels typeid=\"2\" value=\"3\"/>\n"
                          "</volume></app-settings>\n</other-end>\n"},
        {"cut in a value", "<tarnwick-config><app-settings><volume><levels typeid=\"2\" value=\"3"},
        {"unclosed elements", "<tarnwick-config><app-settings><volume><levels typeid=\"2\" value=\"3\"/>"},
        {"nulls first", std::string("\0\0\0<a/>", 7)}, {"empty", ""}, {"byte order mark only", "\xEF\xBB\xBF"}};
    {
        CoutCapture console;
        Configuration("").Load();
        EXPECT_EQ("", console.Text()) << "no file named, nothing to load";
    }
    for (const auto& [name, text] : damaged) {
        WriteFile("config.xml", text);
        CoutCapture console;
        configuration.Load();
        EXPECT_TRUE(AtDefaults()) << name;
    }
    CoutCapture console;
    WriteFile("config.xml", damaged[0].second);
    configuration.Load();
    EXPECT_EQ("WARNING: Could not load configuration from \"config.xml\"; error message: Error reading end tag. (line 5)\n",
              console.Text());
}

TEST_F(ConfigurationTest, StoringFailsLoudlyAndKeepsTheOldFileAndItsLinks)
{
    CoutCapture console;
    for (const std::string name : {"no-such-folder/config.xml", "/dev/full"}) {
        EXPECT_EQ("Configuration::StoreCopy|engine\\Configuration|Could not save configuration to \"" + name + "\"",
                  ReportOf([&] { configuration.StoreCopy(name); }));
    }

    const std::string result = qz::test::RunOnFullDisk("full", [&](qz::test::FullDisk& disk) {
        qz::test::LogCapture log;
        levels = 3;
        configuration.StoreCopy("full/Settings.xml");
        const std::string stored = ReadFile("full/Settings.xml");
        disk.Fill();
        file = std::string(20000, 'f');
        const std::string failure = ErrorText([&] { configuration.StoreCopy("full/Settings.xml"); });
        return std::string(ReadFile("full/Settings.xml") == stored ? "kept" : "lost") + "|" +
               qz::test::FilesBeside("full/Settings.xml") + "|" + failure + "|" + log.Text();
    });
    EXPECT_EQ(0u, result.find("kept||")) << result;
    EXPECT_NE(std::string::npos, result.find("\nCould not save configuration to \"full/Settings.xml\"|")) << result;
    EXPECT_TRUE(qz::test::LogsFullDisk(result, "full/Settings.xml")) << result;

    fs::remove_all("linked");
    fs::create_directories("linked/real");
    WriteFile("linked/real/Settings.xml", "old");
    fs::permissions("linked/real/Settings.xml", fs::perms(0600));
    fs::create_symlink("real/Settings.xml", "linked/Settings.xml");
    levels = 4;
    configuration.StoreCopy("linked/Settings.xml");
    EXPECT_TRUE(fs::is_symlink("linked/Settings.xml"));
    EXPECT_NE(std::string::npos, ReadFile("linked/real/Settings.xml").find("value=\"4\""));
    EXPECT_EQ(fs::perms(0600), fs::status("linked/real/Settings.xml").permissions() & fs::perms::mask);
}

// Each hides its nesting from a reader that does not read as the library does: end tags
// in attribute values, comments and CDATA, and end tags that UTF-8 lead bytes swallow.
TEST(XmlNesting, MeasuresAsTheLibraryParses)
{
    const std::pair<std::string, std::size_t> cases[] = {
        {"", 0}, {"<a/>", 1}, {"<a><b/><c><d x='>'/></c></a>", 3}, {"<a><!-- <b><c><d> --></a>", 1},
        {"<a>text<b>more</b></a><z><y/></z>", 2}, {"<?xml version=\"1.0\"?><a><b>\xC3\xA9</b></a>", 2},
        {"<a><b></a><c><d><e/></d></c></b></a>", 2},  // the library stops at an unmatched end tag
        {"<a x=\"</a>\" y='</a>'><a x=\"</a>\">", 2}, {"<a><!--</a>--><a><!--</a>-->", 2},
        {"<a><![CDATA[</a>]]><a><![CDATA[</a>]]>", 2}, {"<?xml version=\"1.0\"?><a>\xF0</a><a>\xF0</a>", 2},
        {"\xEF\xBB\xBF<a>\xE0</a><a>\xE0</a>", 2}};
    for (const auto& [text, depth] : cases) {
        const std::string padded = text + std::string(3, '\0');
        EXPECT_EQ(depth, qz::engine::MeasureXmlNesting(padded.c_str()).depth) << text;
    }
    for (const std::size_t depth : {qz::engine::MaxXmlNesting, qz::engine::MaxXmlNesting + 1}) {
        std::string custom;
        for (std::size_t i = 0; i + 2 < depth; ++i) custom += "<c>";
        for (std::size_t i = 0; i + 2 < depth; ++i) custom += "</c>";
        WriteFile("nested.xml", "<tarnwick-config><app-settings><volume><levels value=\"7\"/></volume></app-settings><custom>" +
                                    custom + "</custom></tarnwick-config>");
        int levels = 6;
        SettingsGroup volume("volume", "");
        volume.AddTypedItem("levels", &levels);
        Configuration configuration("nested.xml");
        configuration.appSettings["volume"] = &volume;
        CoutCapture console;
        configuration.Load();
        EXPECT_EQ(depth <= qz::engine::MaxXmlNesting ? 7 : 6, levels) << depth;
    }
}

}  // namespace
