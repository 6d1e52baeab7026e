// The memory status from /proc and the cgroup files, under a made-up root.

#include "tests/support/FakeSystemFiles.h"

#include <unistd.h>

#include <vector>

namespace {

constexpr std::uint64_t GiB = std::uint64_t(1) << 30;
constexpr std::uint64_t MiB = std::uint64_t(1) << 20;

using qz::test::FakeSystemFiles;

TEST_F(FakeSystemFiles, FiguresFromMeminfoAndTheTightestCgroupLimit)
{
    const MEMORYSTATUSEX status = Status();
    EXPECT_EQ(16 * GiB, status.ullTotalPhys);
    EXPECT_EQ(8 * GiB, status.ullAvailPhys);
    EXPECT_EQ(50u, status.dwMemoryLoad);
    EXPECT_EQ(17 * GiB, status.ullTotalPageFile);
    EXPECT_EQ(8 * GiB + 512 * MiB, status.ullAvailPageFile);
    EXPECT_EQ(25600u * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE)), status.ullTotalVirtual - status.ullAvailVirtual);

    // Each step adds files; the tightest limit on the process's path wins.
    const std::pair<std::vector<std::pair<const char*, const char*>>, std::uint64_t> steps[] = {
        {{{"proc/self/cgroup", "0::/a\n"}, {"sys/fs/cgroup/a/memory.max", "max\n"}, {"sys/fs/cgroup/a/memory.current", "4294967296\n"}},
         8 * GiB},
        // inner: 4 GiB limit, 3 GiB used of which 1 GiB is reclaimable file cache.
        {{{"proc/self/cgroup", "0::/outer/inner\n"}, {"sys/fs/cgroup/outer/inner/memory.max", "4294967296\n"},
          {"sys/fs/cgroup/outer/inner/memory.current", "3221225472\n"},
          {"sys/fs/cgroup/outer/inner/memory.stat", "anon 1\nactive_file 7\ninactive_file 1073741824\n"}},
         2 * GiB},
        {{{"sys/fs/cgroup/outer/memory.max", "5368709120\n"}, {"sys/fs/cgroup/outer/memory.current", "4831838208\n"}}, 512 * MiB},
        {{{"sys/fs/cgroup/memory.max", "1000\n"}, {"sys/fs/cgroup/memory.current", "2000\n"}}, 0},
        // A container's path names the host's hierarchy; its own cgroup is at the root.
        {{{"proc/self/cgroup", "0::/host/slice/container\n"}, {"sys/fs/cgroup/memory.max", "1073741824\n"},
          {"sys/fs/cgroup/memory.current", "0\n"}},
         1 * GiB},
        {{{"proc/self/cgroup", "9:name=systemd:/\n4:cpu,memory:/job/7\n0::/\n"}, {"sys/fs/cgroup/memory.max", "max\n"},
          {"sys/fs/cgroup/memory/job/7/memory.limit_in_bytes", "2147483648\n"},
          {"sys/fs/cgroup/memory/job/7/memory.usage_in_bytes", "1610612736\n"},
          {"sys/fs/cgroup/memory/job/7/memory.stat", "inactive_file 5\ntotal_inactive_file 536870912\n"}},
         1 * GiB},
    };
    for (const auto& [files, available] : steps) {
        for (const auto& [path, text] : files) Write(path, text);
        EXPECT_EQ(available, Status().ullAvailPhys) << files.front().first;
    }
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
}

}  // namespace
