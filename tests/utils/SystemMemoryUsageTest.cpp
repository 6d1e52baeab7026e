#include "tarnwick/utils/MemUtils.h"

#include "platform/win/Memory.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;
using qz::utils::SystemMemoryUsage;

constexpr std::uint64_t GiB = std::uint64_t(1) << 30;
constexpr std::uint64_t MiB = std::uint64_t(1) << 20;

// A made-up /proc and /sys under a folder of the test's own, read instead of the real
// ones while the fixture lives.
class FakeSystemFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::absolute("fake-system");
        fs::remove_all(root_);
        Write("proc/meminfo", "MemTotal:       16777216 kB\nMemFree:         1000 kB\n"
                              "MemAvailable:    8388608 kB\nSwapTotal:       1048576 kB\n"
                              "SwapFree:         524288 kB\n");
        Write("proc/self/statm", "25600 300 200 10 0 100 0\n");
        Write("proc/self/cgroup", "0::/\n");
        platform::win::SetSystemFileRoot(root_.string());
    }

    void TearDown() override { platform::win::SetSystemFileRoot(""); }

    void Write(const std::string& path, const std::string& text)
    {
        const fs::path file = root_ / path;
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }

    static MEMORYSTATUSEX Status()
    {
        MEMORYSTATUSEX status {};
        status.dwLength = sizeof(status);
        EXPECT_EQ(TRUE, GlobalMemoryStatusEx(&status));
        return status;
    }

    fs::path root_;
};

TEST_F(FakeSystemFiles, PhysicalFiguresComeFromMeminfo)
{
    const MEMORYSTATUSEX status = Status();
    EXPECT_EQ(16 * GiB, status.ullTotalPhys);
    EXPECT_EQ(8 * GiB, status.ullAvailPhys);
    EXPECT_EQ(50u, status.dwMemoryLoad);
    EXPECT_EQ(17 * GiB, status.ullTotalPageFile);
    EXPECT_EQ(8 * GiB + 512 * MiB, status.ullAvailPageFile);
    // 25600 pages are mapped.
    EXPECT_EQ(25600u * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)),
              status.ullTotalVirtual - status.ullAvailVirtual);
}

TEST_F(FakeSystemFiles, TheTightestCgroupV2LimitOnThePathWins)
{
    Write("proc/self/cgroup", "0::/outer/inner\n");
    // inner: 4 GiB limit, 3 GiB used of which 1 GiB is reclaimable file cache: 2 GiB left.
    Write("sys/fs/cgroup/outer/inner/memory.max", "4294967296\n");
    Write("sys/fs/cgroup/outer/inner/memory.current", "3221225472\n");
    Write("sys/fs/cgroup/outer/inner/memory.stat", "anon 1\nactive_file 7\ninactive_file 1073741824\n");
    EXPECT_EQ(2 * GiB, Status().ullAvailPhys);

    // outer: 5 GiB limit, 4.5 GiB used.
    Write("sys/fs/cgroup/outer/memory.max", "5368709120\n");
    Write("sys/fs/cgroup/outer/memory.current", "4831838208\n");
    EXPECT_EQ(512 * MiB, Status().ullAvailPhys);

    // Over its limit: nothing left.
    Write("sys/fs/cgroup/memory.max", "1000\n");
    Write("sys/fs/cgroup/memory.current", "2000\n");
    EXPECT_EQ(0u, Status().ullAvailPhys);
}

TEST_F(FakeSystemFiles, UnlimitedCgroupsLeaveMeminfo)
{
    Write("proc/self/cgroup", "0::/a\n");
    Write("sys/fs/cgroup/a/memory.max", "max\n");
    Write("sys/fs/cgroup/a/memory.current", "4294967296\n");
    EXPECT_EQ(8 * GiB, Status().ullAvailPhys);
}

TEST_F(FakeSystemFiles, CgroupV1MemoryControllerCounts)
{
    Write("proc/self/cgroup", "9:name=systemd:/\n4:cpu,memory:/job/7\n0::/\n");
    Write("sys/fs/cgroup/memory/job/7/memory.limit_in_bytes", "2147483648\n");
    Write("sys/fs/cgroup/memory/job/7/memory.usage_in_bytes", "1610612736\n");
    Write("sys/fs/cgroup/memory/job/7/memory.stat", "inactive_file 5\ntotal_inactive_file 536870912\n");
    EXPECT_EQ(1 * GiB, Status().ullAvailPhys);
}

TEST_F(FakeSystemFiles, ContainerSeesOnlyItsOwnSubtree)
{
    // The path names the host's hierarchy; the mount shows the container's cgroup at its root.
    Write("proc/self/cgroup", "0::/host/slice/container\n");
    Write("sys/fs/cgroup/memory.max", "1073741824\n");
    Write("sys/fs/cgroup/memory.current", "0\n");
    EXPECT_EQ(1 * GiB, Status().ullAvailPhys);
}

TEST_F(FakeSystemFiles, AvailableMemoryIsTheSmallerOfPhysicalAndVirtual)
{
    EXPECT_EQ(8 * GiB, SystemMemoryUsage::GetAvailableMemory());

    // Map all but 4000 KiB of the address space.
    const std::uint64_t page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    const std::uint64_t totalVirtual = Status().ullTotalVirtual;
    const std::uint64_t left = 4000 * 1024;
    Write("proc/self/statm", std::to_string((totalVirtual - left) / page) + " 1 1 1 0 1 0\n");
    EXPECT_EQ(left, SystemMemoryUsage::GetAvailableMemory());
}

TEST_F(FakeSystemFiles, UnreadableFiguresFailTheCall)
{
    MEMORYSTATUSEX status {};
    status.dwLength = 60;
    EXPECT_EQ(FALSE, GlobalMemoryStatusEx(&status)) << "wrong structure length";
    EXPECT_EQ(FALSE, GlobalMemoryStatusEx(nullptr));

    Write("proc/meminfo", "MemTotal:       16777216 kB\n");
    status.dwLength = sizeof(status);
    EXPECT_EQ(FALSE, GlobalMemoryStatusEx(&status)) << "no MemAvailable";

    fs::remove(root_ / "proc/meminfo");
    qz::test::CoutCapture console;
    try {
        SystemMemoryUsage::GetAvailableMemory();
        FAIL() << "no exception";
    } catch (const qz::core::Exception& error) {
        const std::string text = error.what();
        EXPECT_EQ(0u, text.find("\nMethod: qz::utils::SystemMemoryUsage::GetAvailableMemory\nFile: \"utils\\MemUtils\": "));
        EXPECT_NE(std::string::npos, text.find("\nGlobalMemoryStatusEx failed"));
    }
}

TEST(SystemMemoryUsage, RealSystemGivesAPlausibleFigure)
{
    MEMORYSTATUSEX status {};
    status.dwLength = sizeof(status);
    ASSERT_EQ(TRUE, GlobalMemoryStatusEx(&status));
    EXPECT_GT(status.ullAvailPhys, 0u);
    EXPECT_LE(status.ullAvailPhys, status.ullTotalPhys);
    EXPECT_GT(status.ullAvailVirtual, 0u);
    EXPECT_LE(status.ullAvailVirtual, status.ullTotalVirtual);
    const std::uint64_t available = SystemMemoryUsage::GetAvailableMemory();
    EXPECT_GT(available, 0u);
    EXPECT_LE(available, status.ullTotalPhys);
}

}  // namespace
