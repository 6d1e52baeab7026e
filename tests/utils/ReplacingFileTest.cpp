// Files replaced whole: leftovers of killed writers, devices, and the file-size limit.

#include "tarnwick/utils/FileSizeSignal.h"
#include "tarnwick/utils/ReplacingFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using qz::utils::ReplacingFile;

std::set<std::string> Names(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

// The id of a process that has ended.
pid_t GoneProcess()
{
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

bool Save(const std::string& path, const std::string& text)
{
    ReplacingFile file;
    return file.Open(path) && file.Write(text.data(), text.size()) && file.Commit();
}

TEST(ReplacingFile, NextSaveRemovesLeftoversOfGoneWriters)
{
    fs::remove_all("saves");
    fs::create_directories("saves");
    const std::string gone = std::to_string(GoneProcess());
    const std::string self = std::to_string(::getpid());
    const std::set<std::string> kept = {
        "c.csv.partial-" + self + "-3",      // this process may still be writing it
        "d.ppv.partial-1-2",                  // a process that runs
        "notes.partial-x-1", "e.ppv.partial-" + gone, "f.ppv.partial-" + gone + "-",  // not our names
        "old.ppv",
    };
    for (const std::string& name : kept) std::ofstream("saves/" + name) << "x";
    std::ofstream("saves/a.ppv.partial-" + gone + "-0") << "cut";
    std::ofstream("saves/b.xml.partial-" + gone + "-17") << "cut";

    ASSERT_TRUE(Save("saves/new.ppv", "whole"));
    std::set<std::string> expected = kept;
    expected.insert("new.ppv");
    EXPECT_EQ(expected, Names("saves"));
}

TEST(ReplacingFile, DevicesAreWrittenWhereTheyAre)
{
    EXPECT_TRUE(Save("/dev/null", "nothing"));
    struct stat info {};
    ASSERT_EQ(0, ::stat("/dev/null", &info));
    EXPECT_TRUE(S_ISCHR(info.st_mode));
    ReplacingFile full;
    ASSERT_TRUE(full.Open("/dev/full"));
    EXPECT_FALSE(full.Write("x", 1));
    EXPECT_EQ(ENOSPC, full.Error());
    EXPECT_FALSE(full.Commit());
}

// A write past the file-size limit: by default the signal ends the program; ignored, the
// write fails as on a full disk.
TEST(FileSizeSignal, IgnoredSignalTurnsTheLimitIntoAFailedWrite)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto writePastTheLimit = [](bool ignore) {
        if (ignore) qz::utils::IgnoreFileSizeSignal();
        rlimit limit {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 1000;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ReplacingFile file;
        const std::string bytes(4096, 'b');
        const bool failed = file.Open("limited.bin") && !file.Write(bytes.data(), bytes.size()) && file.Error() == EFBIG;
        ::_exit(failed ? 0 : 1);
    };
    EXPECT_EXIT(writePastTheLimit(false), ::testing::KilledBySignal(SIGXFSZ), "");
    EXPECT_EXIT(writePastTheLimit(true), ::testing::ExitedWithCode(0), "");
}

}  // namespace
