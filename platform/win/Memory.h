#pragma once
// Global memory status as the Linux kernel sees it. Available physical memory is
// MemAvailable of /proc/meminfo, lowered to the headroom of every cgroup memory limit
// above the process (v1 and v2; reclaimable file cache counts as free). The virtual
// address space is RLIMIT_AS, else the user half of a 47-bit space, less what the
// process has mapped.

#include "platform/win/Types.h"

#include <string>

using DWORDLONG = std::uint64_t;

struct MEMORYSTATUSEX {
    DWORD dwLength;
    DWORD dwMemoryLoad;
    DWORDLONG ullTotalPhys;
    DWORDLONG ullAvailPhys;
    DWORDLONG ullTotalPageFile;
    DWORDLONG ullAvailPageFile;
    DWORDLONG ullTotalVirtual;
    DWORDLONG ullAvailVirtual;
    DWORDLONG ullAvailExtendedVirtual;
};
using LPMEMORYSTATUSEX = MEMORYSTATUSEX*;

// FALSE when dwLength is not the structure's size or the kernel's figures cannot be read.
BOOL GlobalMemoryStatusEx(LPMEMORYSTATUSEX status);

namespace platform::win {

// Reads /proc and /sys below this folder instead of "/" until reset with "", so that
// tests can lay out their own figures.
void SetSystemFileRoot(std::string root);

}  // namespace platform::win
