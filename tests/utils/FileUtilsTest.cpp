#include "tarnwick/utils/FileUtils.h"

#include "platform/win/Dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace qz::utils;

TEST(FileUtils, PathParts)
{
    struct Case {
        const char* path;
        const char* extension;
        const char* directory;
        const char* name;
        const char* withoutExtension;
    };
    const Case cases[] = {
        {"data\\frame.0001.raw", "raw", "data\\", "frame.0001.raw", "data\\frame.0001"},
        {"data.old\\frame", "", "data.old\\", "frame", "data.old\\frame"},
        {"frame.", "", "", "frame.", "frame"},
        {"a/b.c\\d", "", "a/b.c\\", "d", "a/b.c\\d"},
        {"a\\b.c/d", "", "a\\b.c/", "d", "a\\b.c/d"},
        {"C:/data\\x.raw.gz", "gz", "C:/data\\", "x.raw.gz", "C:/data\\x.raw"},
        {"C:/data/", "", "C:/data/", "", "C:/data/"},
        {"", "", "", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.extension, GetFileExtension(c.path)) << c.path;
        EXPECT_EQ(c.directory, GetDirectory(c.path)) << c.path;
        EXPECT_EQ(c.name, GetFileName(c.path)) << c.path;
        EXPECT_EQ(c.withoutExtension, RemoveExtension(c.path)) << c.path;
    }
    EXPECT_EQ("raw.gz", ToLower("RAW.Gz"));
    const std::string others = "09_-.\\/ \xE4\xC4\xFF";
    EXPECT_EQ(others, ToLower(others));
}

TEST(FileUtils, ListFilesTakesFilesOfTheExtensionAndNoFolders)
{
    const fs::path folder = fs::current_path() / "listing";
    fs::remove_all(folder);
    fs::create_directories(folder / "folder.raw");
    fs::create_directories(folder / ".hidden-folder.raw");  // a folder with a further attribute bit
    for (const char* name : {"a.raw", "b.RAW", "c.raw.gz", "d.txt", ".hidden.raw"}) std::ofstream(folder / name) << "x";
    fs::permissions(folder / "a.raw", fs::perms::owner_read, fs::perm_options::replace);
    const auto sorted = [](std::vector<std::string> names) {
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ((std::vector<std::string> {".hidden.raw", "a.raw", "b.RAW"}), sorted(ListFiles(folder.string(), "*", "raw")));
    EXPECT_EQ((std::vector<std::string> {"c.raw.gz"}), ListFiles(folder.string(), "*", "gz"));
    EXPECT_EQ((std::vector<std::string> {"a.raw"}), ListFiles(folder.string(), "a", "raw"));
    EXPECT_TRUE(ListFiles(folder.string(), "*", "ppv").empty());
    EXPECT_TRUE(ListFiles((folder / "missing").string(), "*", "raw").empty());
    std::ofstream("current-folder-file.lst") << "x";
    EXPECT_EQ((std::vector<std::string> {"current-folder-file.lst"}), ListFiles("", "*", "lst"));
    fs::permissions(folder / "a.raw", fs::perms::owner_all, fs::perm_options::replace);
    fs::remove_all(folder);
}

TEST(ShowSaveFileDialog, CancelsWithoutAProviderAndReturnsTheChosenPathWithOne)
{
    std::string path = "/data/volumes";
    EXPECT_FALSE(ShowSaveFileDialog("Save volume", std::string("PPV (*.ppv)\0*.ppv\0\0", 20), path));
    EXPECT_EQ("", path);

    std::string seen;
    platform::win::SetSaveFileDialogProvider([&](OPENFILENAMEA& dialog) {
        seen = std::string(dialog.lpstrInitialDir) + "|" + dialog.lpstrTitle + "|" + std::to_string(dialog.Flags) + "|" +
               std::to_string(dialog.nFilterIndex) + "|" + dialog.lpstrFile;
        std::snprintf(dialog.lpstrFile, dialog.nMaxFile, "/data/volumes/out.ppv");
        return TRUE;
    });
    path = "/data/volumes";
    EXPECT_TRUE(ShowSaveFileDialog("Save volume", "", path));
    EXPECT_EQ("/data/volumes/out.ppv", path);
    EXPECT_EQ("/data/volumes|Save volume|" + std::to_string(0x8000E) + "|1|", seen);
    path = std::string(260, 'x');  // does not fit with its terminator
    EXPECT_FALSE(ShowSaveFileDialog("t", "", path));
    EXPECT_EQ("", path);
    platform::win::SetSaveFileDialogProvider({});
}

}  // namespace
