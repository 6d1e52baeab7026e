#include "tarnwick/engine/Configuration.h"

#include "tests/support/OutputCapture.h"
#include "tests/support/TextMatch.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <fstream>

namespace {

using qz::core::FloatVec3;
using qz::core::Int32Vec2;
using qz::test::CoutCapture;
using qz::test::EndsWith;
using qz::test::ErrorText;
using qz::test::ReadFile;
using qz::utils::SettingsGroup;

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

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
        std::remove("config.xml");
    }

    void ExpectDefaults()
    {
        EXPECT_EQ(6, levels);
        EXPECT_EQ(0.5f, radius);
        EXPECT_EQ("none", file);
        EXPECT_EQ(FloatVec3(0, 0, -5), eye);
        EXPECT_EQ(Int32Vec2(1280, 720), resolution);
        EXPECT_TRUE(windowed);
        EXPECT_EQ(0, volumeRestored);
        EXPECT_EQ(0, deviceRestored);
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

const char* const CustomFile = "<tarnwick-config>\n"
                               "    <custom note=\"kept\">\n"
                               "        <paths a=\"1\">text</paths>\n"
                               "        <!-- comment -->\n"
                               "    </custom>\n"
                               "</tarnwick-config>\n";

TEST(ConfigurationFile, EmptyConfigurationStoresThreeEmptyParts)
{
    Configuration configuration("unused.xml");
    configuration.StoreCopy("empty.xml");
    EXPECT_EQ("<tarnwick-config>\n"
              "    <app-settings />\n"
              "    <engine-settings />\n"
              "    <custom />\n"
              "</tarnwick-config>\n",
              ReadFile("empty.xml"));
    EXPECT_EQ("unused.xml", configuration.FileName());
}

TEST_F(ConfigurationTest, StoresEveryGroupInItsPart)
{
    configuration.appSettings.erase("camera");
    configuration.StoreCopy("stored.xml");
    EXPECT_EQ("<tarnwick-config>\n"
              "    <app-settings>\n"
              "        <volume>\n"
              "            <file typeid=\"100\" value=\"none\" />\n"
              "            <levels typeid=\"2\" value=\"6\" />\n"
              "            <radius typeid=\"20\" value=\"0.500000\" />\n"
              "        </volume>\n"
              "    </app-settings>\n"
              "    <engine-settings>\n"
              "        <renderingdevice>\n"
              "            <resolution typeid=\"1584490197\" value=\"[1280, 720]\" />\n"
              "            <windowed typeid=\"30\" value=\"true\" />\n"
              "        </renderingdevice>\n"
              "    </engine-settings>\n"
              "    <custom />\n"
              "</tarnwick-config>\n",
              ReadFile("stored.xml"));
}

TEST_F(ConfigurationTest, StoredFileIsWhatTheXmlLibraryPrints)
{
    WriteFile("config.xml", CustomFile);
    configuration.Load();
    configuration.StoreCopy("ours.xml");
    TiXmlDocument document;
    ASSERT_TRUE(document.LoadFile("ours.xml"));
    ASSERT_TRUE(document.SaveFile("library.xml"));
    EXPECT_EQ(ReadFile("library.xml"), ReadFile("ours.xml"));
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
    configuration.StoreCopy("config.xml");

    levels = 1;
    radius = 0;
    file = "";
    eye = FloatVec3();
    resolution = Int32Vec2();
    windowed = true;
    CoutCapture console;
    configuration.Load();
    EXPECT_EQ("", console.Text());
    EXPECT_EQ(9, levels);
    EXPECT_EQ(1.125f, radius);
    EXPECT_EQ("data.raw", file);
    EXPECT_EQ(FloatVec3(1, 2, 3), eye);
    EXPECT_EQ(Int32Vec2(640, 480), resolution);
    EXPECT_FALSE(windowed);
    EXPECT_EQ(1, volumeRestored);
    EXPECT_EQ(1, deviceRestored);
    const TiXmlElement* paths = configuration.Custom().FirstChildElement("paths");
    ASSERT_NE(nullptr, paths);
    EXPECT_STREQ("text", paths->GetText());
    EXPECT_STREQ("kept", configuration.Custom().Attribute("note"));
}

TEST_F(ConfigurationTest, CustomElementIsCarriedThroughUnchanged)
{
    WriteFile("config.xml", CustomFile);
    configuration.Load();
    configuration.StoreCopy("copy.xml");
    const std::string copy = ReadFile("copy.xml");
    EXPECT_NE(std::string::npos, copy.find("    <custom note=\"kept\">\n"
                                           "        <paths a=\"1\">text</paths>\n"
                                           "        <!-- comment -->\n"
                                           "    </custom>\n"
                                           "</tarnwick-config>\n"));

    // A file without one leaves the custom element in place.
    WriteFile("config.xml", "<tarnwick-config><app-settings/></tarnwick-config>");
    configuration.Load();
    configuration.StoreCopy("second.xml");
    EXPECT_EQ(copy, ReadFile("second.xml"));
}

TEST_F(ConfigurationTest, RootOfAnyNameAndOnlyThePartsPresent)
{
    WriteFile("config.xml", "<other><engine-settings><renderingdevice>"
                            "<windowed typeid=\"30\" value=\"false\"/></renderingdevice>"
                            "<volume><levels value=\"2\"/></volume></engine-settings>"
                            "<engine-settings><renderingdevice><windowed value=\"true\"/></renderingdevice></engine-settings>"
                            "</other>");
    configuration.Load();
    EXPECT_FALSE(windowed) << "the first part of a name counts";
    EXPECT_EQ(1, deviceRestored);
    EXPECT_EQ(6, levels) << "application groups are not read from the engine part";
    EXPECT_EQ(0, volumeRestored);
}

TEST_F(ConfigurationTest, TypeMismatchIsAWarningAndLoadingGoesOn)
{
    WriteFile("config.xml", "<tarnwick-config><app-settings><volume>"
                            "<levels typeid=\"20\" value=\"3\"/><radius typeid=\"20\" value=\"2.5\"/>"
                            "</volume></app-settings></tarnwick-config>");
    CoutCapture console;
    configuration.Load();
    EXPECT_EQ("WARNING: VariantCollection::LoadFromXML: Type of variant levels does not match the type declared in "
              "XML; ignoring\n",
              console.Text());
    EXPECT_EQ(6, levels);
    EXPECT_EQ(2.5f, radius);
    EXPECT_EQ(1, volumeRestored);
}

TEST_F(ConfigurationTest, MissingFileIsAWarningOnly)
{
    Configuration missing("missing.xml");
    missing.appSettings[volume.Name()] = &volume;
    CoutCapture console;
    missing.Load();
    EXPECT_EQ("WARNING: Could not load configuration from \"missing.xml\"; error message: Failed to open file (line 0)\n",
              console.Text());
    ExpectDefaults();

    Configuration unnamed("");
    unnamed.appSettings[volume.Name()] = &volume;
    unnamed.Load();
    EXPECT_EQ("WARNING: Could not load configuration from \"missing.xml\"; error message: Failed to open file (line 0)\n",
              console.Text());
}

TEST_F(ConfigurationTest, CorruptFileLeavesTheDefaults)
{
    CoutCapture console;
    WriteFile("config.xml", "<tarnwick-config>\n<app-settings>\n<volume><levels typeid=\"2\" value=\"3\"/>\n"
                            "</volume></app-settings>\n</other-end>\n");
    configuration.Load();
    EXPECT_TRUE(EndsWith(console.Text(), " (line 5)\n")) << console.Text();
    EXPECT_EQ(0u, console.Text().find("WARNING: Could not load configuration from \"config.xml\"; error message: "));
    ExpectDefaults();

    for (const std::string& corrupt : {std::string(""), std::string("\0\0\0<a/>", 7), std::string("garbage"),
                                      std::string("<a><b></a>"), std::string("<a b=\"1></a>"), std::string("\xEF\xBB\xBF")}) {
        WriteFile("config.xml", corrupt);
        configuration.Load();
        ExpectDefaults();
    }
}

TEST_F(ConfigurationTest, TruncatedFileLeavesTheDefaults)
{
    levels = 11;
    radius = 3;
    file = "x";
    eye = FloatVec3(7, 7, 7);
    resolution = Int32Vec2(1, 1);
    windowed = false;
    WriteFile("custom.xml", CustomFile);
    Configuration writer("custom.xml");
    writer.Load();
    writer.appSettings = configuration.appSettings;
    writer.engineSettings = configuration.engineSettings;
    writer.StoreCopy("full.xml");
    const std::string full = ReadFile("full.xml");
    levels = 6;
    radius = 0.5f;
    file = "none";
    eye = FloatVec3(0, 0, -5);
    resolution = Int32Vec2(1280, 720);
    windowed = true;

    const std::string::size_type complete = full.rfind('>') + 1;
    const std::string::size_type rootTag = full.find('>') + 1;
    for (std::string::size_type cut = 0; cut < complete; ++cut) {
        WriteFile("config.xml", full.substr(0, cut));
        CoutCapture console;
        configuration.Load();
        ExpectDefaults();
        // Before the root tag is whole the library may see an empty document, which ends
        // the load quietly.
        if (cut >= rootTag) {
            EXPECT_EQ(0u, console.Text().find("WARNING: Could not load configuration")) << cut;
        }
        if (HasFailure()) {
            ADD_FAILURE() << "cut at " << cut;
            return;
        }
    }
}

TEST_F(ConfigurationTest, ReloadAppSettingsReadsOnlyTheApplicationGroups)
{
    WriteFile("other.xml", "<tarnwick-config><app-settings><volume><levels value=\"4\"/></volume></app-settings>"
                           "<engine-settings><renderingdevice><windowed value=\"false\"/></renderingdevice>"
                           "</engine-settings><custom><x/></custom></tarnwick-config>");
    configuration.ReloadAppSettings("other.xml");
    EXPECT_EQ(4, levels);
    EXPECT_EQ(1, volumeRestored);
    EXPECT_TRUE(windowed);
    EXPECT_EQ(nullptr, configuration.Custom().FirstChild());
    EXPECT_EQ("config.xml", configuration.FileName());
}

TEST_F(ConfigurationTest, ReloadAppSettingsOfAnUnreadableFileThrows)
{
    CoutCapture console;
    const std::string error = ErrorText([&] { configuration.ReloadAppSettings("nothing.xml"); });
    EXPECT_NE(std::string::npos, error.find("\nMethod: Configuration::ReloadAppSettings\nFile: \"engine\\Configuration\": "));
    EXPECT_TRUE(EndsWith(error, "\nCould not load configuration from \"nothing.xml\"")) << error;
    WriteFile("broken.xml", "<tarnwick-config><app-settings>");
    EXPECT_TRUE(EndsWith(ErrorText([&] { configuration.ReloadAppSettings("broken.xml"); }),
                         "\nCould not load configuration from \"broken.xml\""));
    ExpectDefaults();
}

TEST_F(ConfigurationTest, StoreCopyFailuresThrow)
{
    CoutCapture console;
    const std::string error = ErrorText([&] { configuration.StoreCopy("no-such-folder/config.xml"); });
    EXPECT_NE(std::string::npos, error.find("\nMethod: Configuration::StoreCopy\nFile: \"engine\\Configuration\": "));
    EXPECT_TRUE(EndsWith(error, "\nCould not save configuration to \"no-such-folder/config.xml\"")) << error;
    // The device accepts the file and fails when the data reaches it.
    EXPECT_TRUE(EndsWith(ErrorText([&] { configuration.StoreCopy("/dev/full"); }),
                         "\nCould not save configuration to \"/dev/full\""));
}

TEST_F(ConfigurationTest, BackslashPathsWork)
{
    levels = 8;
    configuration.StoreCopy(".\\lastsettings.xml");
    EXPECT_NE(std::string::npos, ReadFile("./lastsettings.xml").find("<levels typeid=\"2\" value=\"8\" />"));
    levels = 6;
    configuration.ReloadAppSettings(".\\lastsettings.xml");
    EXPECT_EQ(8, levels);
}

TEST_F(ConfigurationTest, DamagedFilesNeverStopTheLoad)
{
    configuration.StoreCopy("valid.xml");
    const std::string valid = ReadFile("valid.xml");
    CoutCapture console;
    std::mt19937 random(99);
    for (int round = 0; round < 500; ++round) {
        std::string damaged = valid;
        for (int i = 0; i < 1 + static_cast<int>(random() % 3); ++i) {
            damaged[random() % damaged.size()] = "<>/=\"' \0x\xC3"[random() % 11];
        }
        WriteFile("config.xml", damaged);
        EXPECT_NO_THROW(configuration.Load()) << round;
    }
}

TEST_F(ConfigurationTest, FoldersAndDevicesAreNoConfigurationFiles)
{
    std::filesystem::create_directories("folder.xml");
    for (const std::string name : {"folder.xml", "/dev/zero", "/dev/null"}) {
        Configuration other(name);
        other.appSettings[volume.Name()] = &volume;
        CoutCapture console;
        other.Load();
        EXPECT_EQ("WARNING: Could not load configuration from \"" + name +
                      "\"; error message: Failed to open file (line 0)\n",
                  console.Text());
        EXPECT_THROW(other.ReloadAppSettings(name), qz::core::Exception);
        ExpectDefaults();
    }
}

}  // namespace
