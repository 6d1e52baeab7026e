// A full disk never costs the configuration it replaces, and a document nested too deeply
// for the XML library's recursive parser is refused before it is parsed.

#include "tarnwick/engine/Configuration.h"
#include "tarnwick/engine/XmlNesting.h"

#include "tests/support/FullDisk.h"
#include "tests/support/LogCapture.h"
#include "tests/support/OutputCapture.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using qz::test::ErrorText;
using qz::test::ReadFile;
using qz::utils::SettingsGroup;

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

class ConfigurationSafety : public ::testing::Test {
protected:
    ConfigurationSafety()
    {
        volume.AddTypedItem("levels", &levels, "Levels");
        volume.AddTypedItem("file", &file, "File");
        configuration.appSettings[volume.Name()] = &volume;
    }

    int levels = 6;
    std::string file = "none";
    SettingsGroup volume {"volume", "Volume"};
    Configuration configuration {"config.xml"};
};

TEST_F(ConfigurationSafety, FullDiskKeepsTheStoredFile)
{
    const std::string result = qz::test::RunOnFullDisk("full", [&](qz::test::FullDisk& disk) {
        qz::test::LogCapture log;
        levels = 3;
        configuration.StoreCopy("full/Settings.xml");
        const std::string stored = ReadFile("full/Settings.xml");
        disk.Fill();
        levels = 9;
        file = std::string(20000, 'f');
        const std::string error = ErrorText([&] { configuration.StoreCopy("full/Settings.xml"); });
        return std::string(ReadFile("full/Settings.xml") == stored ? "kept" : "lost") + "|" +
               qz::test::FilesBeside("full/Settings.xml") + "|" + error + "|" + log.Text();
    });
    EXPECT_EQ(0u, result.find("kept||")) << result;
    EXPECT_NE(std::string::npos, result.find("\nCould not save configuration to \"full/Settings.xml\"|")) << result;
    EXPECT_TRUE(result.find("Could not write \"full/Settings.xml\": No space left on device") != std::string::npos ||
                result.find("Could not write \"full/Settings.xml\": File too large") != std::string::npos)
        << result;
}

TEST_F(ConfigurationSafety, StoringReplacesTheFileItLinksTo)
{
    std::filesystem::remove_all("linked");
    std::filesystem::create_directories("linked/real");
    WriteFile("linked/real/Settings.xml", "old");
    std::filesystem::permissions("linked/real/Settings.xml", std::filesystem::perms(0600));
    std::filesystem::create_symlink("real/Settings.xml", "linked/Settings.xml");
    levels = 4;
    configuration.StoreCopy("linked/Settings.xml");
    EXPECT_TRUE(std::filesystem::is_symlink("linked/Settings.xml"));
    EXPECT_NE(std::string::npos, ReadFile("linked/real/Settings.xml").find("value=\"4\""));
    EXPECT_EQ(std::filesystem::perms(0600),
              std::filesystem::status("linked/real/Settings.xml").permissions() & std::filesystem::perms::mask);
}

// Each hides its nesting from a reader that does not read as the library does: end tags
// in attribute values, comments and CDATA, and end tags that UTF-8 lead bytes swallow.
TEST_F(ConfigurationSafety, DeepDocumentsAreRefusedBeforeParsing)
{
    const struct {
        const char* name;
        const char* head;
        const char* level;
    } disguises[] = {
        {"plain", "", "<a>"},
        {"end tags in values", "", "<a x=\"</a>\" y='</a>'>"},
        {"end tags in comments", "", "<a><!--</a>-->"},
        {"end tags in CDATA", "", "<a><![CDATA[</a>]]>"},
        {"swallowed end tags", "<?xml version=\"1.0\"?>", "<a>\xF0</a>"},
        {"swallowed after a mark", "\xEF\xBB\xBF", "<a>\xE0</a>"},
    };
    for (const auto& disguise : disguises) {
        std::string document = std::string(disguise.head) + "<tarnwick-config>\n<app-settings>";
        for (int i = 0; i < 100000; ++i) document += disguise.level;
        WriteFile("deep.xml", document);
        Configuration deep("deep.xml");
        deep.appSettings[volume.Name()] = &volume;
        qz::test::CoutCapture console;
        deep.Load();
        EXPECT_EQ("WARNING: Could not load configuration from \"deep.xml\"; error message: Elements nested deeper "
                  "than 256 levels (line 2)\n",
                  console.Text())
            << disguise.name;
        EXPECT_NE("", ErrorText([&] { deep.ReloadAppSettings("deep.xml"); })) << disguise.name;
    }
}

TEST_F(ConfigurationSafety, NestingUpToTheLimitLoads)
{
    for (const std::size_t depth : {qz::engine::MaxXmlNesting, qz::engine::MaxXmlNesting + 1}) {
        // The root, app-settings, volume, levels and the rest in custom.
        std::string custom;
        for (std::size_t i = 0; i + 2 < depth; ++i) custom += "<c>";
        for (std::size_t i = 0; i + 2 < depth; ++i) custom += "</c>";
        WriteFile("config.xml", "<tarnwick-config><app-settings><volume><levels value=\"7\"/></volume></app-settings>"
                                "<custom>" + custom + "</custom></tarnwick-config>");
        levels = 6;
        qz::test::CoutCapture console;
        configuration.Load();
        EXPECT_EQ(depth <= qz::engine::MaxXmlNesting ? 7 : 6, levels) << depth;
    }
}

TEST(XmlNesting, MeasuresAsTheLibraryParses)
{
    const struct {
        const char* text;
        std::size_t depth;
    } cases[] = {
        {"", 0},
        {"<a/>", 1},
        {"<a><b/><c><d x='>'/></c></a>", 3},
        {"<a><!-- <b><c><d> --></a>", 1},
        {"<a>text<b>more</b></a><z><y/></z>", 2},
        {"<?xml version=\"1.0\"?><a><b>\xC3\xA9</b></a>", 2},
        // The library stops at the unknown node's end and at an unmatched end tag.
        {"<a><b></a><c><d><e/></d></c></b></a>", 2},
    };
    for (const auto& c : cases) {
        const std::string text = std::string(c.text) + std::string(3, '\0');
        EXPECT_EQ(c.depth, qz::engine::MeasureXmlNesting(text.c_str()).depth) << c.text;
    }
}

}  // namespace
