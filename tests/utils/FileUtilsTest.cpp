#include "tarnwick/utils/FileUtils.h"

#include "platform/win/Dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace qz::utils;

TEST(FileUtils, Extension)
{
    EXPECT_EQ("raw", GetFileExtension("data\\frame.0001.raw"));
    EXPECT_EQ("", GetFileExtension("data.old\\frame"));
    EXPECT_EQ("", GetFileExtension("frame."));
    EXPECT_EQ("", GetFileExtension("a/b.c\\d"));
    EXPECT_EQ("", GetFileExtension("a\\b.c/d"));
    EXPECT_EQ("gz", GetFileExtension("x.raw.gz"));
    EXPECT_EQ("ppv", GetFileExtension("C:/data/x.ppv"));
    EXPECT_EQ("", GetFileExtension(""));
}

TEST(FileUtils, DirectoryAndFileName)
{
    EXPECT_EQ("C:/data\\", GetDirectory("C:/data\\x.raw"));
    EXPECT_EQ("", GetDirectory("x.raw"));
    EXPECT_EQ("a\\b/", GetDirectory("a\\b/c"));
    EXPECT_EQ("x.raw", GetFileName("C:/data\\x.raw"));
    EXPECT_EQ("x.raw", GetFileName("x.raw"));
    EXPECT_EQ("", GetFileName("C:/data/"));
}

TEST(FileUtils, RemoveExtension)
{
    EXPECT_EQ("dir\\x.raw", RemoveExtension("dir\\x.raw.gz"));
    EXPECT_EQ("dir.d\\x", RemoveExtension("dir.d\\x"));
    EXPECT_EQ("dir.d/x", RemoveExtension("dir.d/x"));
    EXPECT_EQ("x", RemoveExtension("x"));
    EXPECT_EQ("frame", RemoveExtension("frame."));
}

TEST(FileUtils, ToLowerChangesOnlyLetters)
{
    EXPECT_EQ("raw.gz", ToLower("RAW.Gz"));
    const std::string others = "09_-.\\/ \xE4\xC4\xFF";
    EXPECT_EQ(others, ToLower(others));
}

class ListFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::current_path() / "listing";
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "folder.raw");
        fs::create_directories(folder_ / ".hidden-folder.raw");  // a folder with a further attribute bit
        for (const char* name : {"a.raw", "b.RAW", "c.raw.gz", "d.txt", ".hidden.raw"}) {
            std::ofstream(folder_ / name) << "x";
        }
        fs::permissions(folder_ / "a.raw", fs::perms::owner_read, fs::perm_options::replace);
    }
    void TearDown() override
    {
        fs::permissions(folder_ / "a.raw", fs::perms::owner_all, fs::perm_options::replace);
        fs::remove_all(folder_);
    }

    static std::vector<std::string> Sorted(std::vector<std::string> names)
    {
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder_;
};

TEST_F(ListFilesTest, ListsMatchingFilesButNoFolders)
{
    // Read-only and hidden files still count; no folder does, hidden or not.
    EXPECT_EQ((std::vector<std::string>{".hidden.raw", "a.raw", "b.RAW"}),
              Sorted(ListFiles(folder_.string(), "*", "raw")));
    EXPECT_EQ((std::vector<std::string>{"c.raw.gz"}), Sorted(ListFiles(folder_.string(), "*", "gz")));
    EXPECT_EQ((std::vector<std::string>{"a.raw"}), Sorted(ListFiles(folder_.string(), "a", "raw")));
    EXPECT_TRUE(ListFiles(folder_.string(), "*", "ppv").empty());
    EXPECT_TRUE(ListFiles((folder_ / "missing").string(), "*", "raw").empty());
}

TEST_F(ListFilesTest, EmptyFolderMeansTheCurrentOne)
{
    std::ofstream("current-folder-file.lst") << "x";
    EXPECT_EQ((std::vector<std::string>{"current-folder-file.lst"}), ListFiles("", "*", "lst"));
    fs::remove("current-folder-file.lst");
}

TEST(ShowSaveFileDialog, CancelsWithoutAProviderAndReturnsTheChosenPathWithOne)
{
    std::string path = "/data/volumes";
    EXPECT_FALSE(ShowSaveFileDialog("Save volume", std::string("PPV (*.ppv)\0*.ppv\0\0", 20), path));
    EXPECT_EQ("", path);

    std::string seenFolder, seenTitle;
    DWORD seenFlags = 0;
    platform::win::SetSaveFileDialogProvider([&](OPENFILENAMEA& dialog) {
        seenFolder = dialog.lpstrInitialDir;
        seenTitle = dialog.lpstrTitle;
        seenFlags = dialog.Flags;
        EXPECT_EQ(1u, dialog.nFilterIndex);
        EXPECT_EQ('\0', dialog.lpstrFile[0]);
        std::snprintf(dialog.lpstrFile, dialog.nMaxFile, "/data/volumes/out.ppv");
        return TRUE;
    });
    path = "/data/volumes";
    EXPECT_TRUE(ShowSaveFileDialog("Save volume", "", path));
    EXPECT_EQ("/data/volumes/out.ppv", path);
    EXPECT_EQ("/data/volumes", seenFolder);
    EXPECT_EQ("Save volume", seenTitle);
    EXPECT_EQ(0x8000Eu, seenFlags);

    path = std::string(260, 'x');  // does not fit with its terminator
    EXPECT_FALSE(ShowSaveFileDialog("t", "", path));
    EXPECT_EQ("", path);
    platform::win::SetSaveFileDialogProvider({});
}

}  // namespace
