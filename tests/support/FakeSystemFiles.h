#pragma once
// A made-up /proc and /sys under a folder of the test's own, read by the platform layer
// instead of the real ones while the fixture lives.

#include "platform/win/Memory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace qz::test {

class FakeSystemFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::remove_all(root_);
        Write("proc/meminfo", "MemTotal:       16777216 kB\nMemFree:         1000 kB\n"
                              "MemAvailable:    8388608 kB\nSwapTotal:       1048576 kB\nSwapFree:         524288 kB\n");
        Write("proc/self/statm", "25600 300 200 10 0 100 0\n");
        Write("proc/self/cgroup", "0::/\n");
        platform::win::SetSystemFileRoot(root_.string());
    }
    void TearDown() override { platform::win::SetSystemFileRoot(""); }

    void Write(const std::string& path, const std::string& text)
    {
        std::filesystem::create_directories((root_ / path).parent_path());
        std::ofstream(root_ / path, std::ios::binary) << text;
    }
    static MEMORYSTATUSEX Status()
    {
        MEMORYSTATUSEX status {};
        status.dwLength = sizeof(status);
        EXPECT_EQ(TRUE, GlobalMemoryStatusEx(&status));
        return status;
    }

    const std::filesystem::path root_ = std::filesystem::absolute("fake-system");
};

}  // namespace qz::test
