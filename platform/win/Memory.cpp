#include "platform/win/Memory.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string_view>

namespace {

std::mutex rootMutex;
std::string systemRoot;

constexpr std::uint64_t UserAddressSpace = std::uint64_t(1) << 47;

std::string SystemPath(const std::string& path)
{
    std::lock_guard lock(rootMutex);
    return systemRoot + path;
}

std::optional<std::string> ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// A whole decimal number and nothing else.
std::optional<std::uint64_t> ParseNumber(std::string_view text)
{
    text = Trim(text);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

// The number after "key" at the start of a line, as in /proc/meminfo ("key:  12 kB")
// and memory.stat ("key 12"); the rest of the line is for the caller to interpret.
std::optional<std::uint64_t> KeyedNumber(std::string_view text, std::string_view key)
{
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        if (line.substr(0, key.size()) == key && line.size() > key.size() &&
            (line[key.size()] == ' ' || line[key.size()] == ':' || line[key.size()] == '\t')) {
            std::string_view rest = Trim(line.substr(key.size() + 1));
            rest = rest.substr(0, rest.find(' '));
            return ParseNumber(rest);
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> MemInfoBytes(std::string_view meminfo, std::string_view key)
{
    const auto kibibytes = KeyedNumber(meminfo, key);
    if (!kibibytes) return std::nullopt;
    return *kibibytes * 1024;
}

struct CgroupLayout {
    const char* mount;
    const char* limitFile;
    const char* usageFile;
    const char* inactiveFileKey;
};

constexpr CgroupLayout CgroupV2 {"/sys/fs/cgroup", "memory.max", "memory.current", "inactive_file"};
constexpr CgroupLayout CgroupV1 {"/sys/fs/cgroup/memory", "memory.limit_in_bytes",
                                 "memory.usage_in_bytes", "total_inactive_file"};

// The smallest room left under the limits of the process's cgroup and its ancestors.
// Levels without a readable limit ("max" included) do not count. A cgroup path that the
// mount does not show (a container sees only its own subtree) ends up at the mount root.
std::optional<std::uint64_t> CgroupHeadroom(const CgroupLayout& layout, std::string path)
{
    std::optional<std::uint64_t> headroom;
    for (;;) {
        const std::string folder = SystemPath(std::string(layout.mount) + (path == "/" ? "" : path));
        const auto limitText = ReadText(folder + "/" + layout.limitFile);
        const auto limit = limitText ? ParseNumber(*limitText) : std::nullopt;
        if (limit) {
            const auto usageText = ReadText(folder + "/" + layout.usageFile);
            std::uint64_t usage = usageText ? ParseNumber(*usageText).value_or(0) : 0;
            const auto stat = ReadText(folder + "/memory.stat");
            const std::uint64_t reclaimable = stat ? KeyedNumber(*stat, layout.inactiveFileKey).value_or(0) : 0;
            usage -= std::min(usage, reclaimable);
            const std::uint64_t room = *limit > usage ? *limit - usage : 0;
            headroom = std::min(headroom.value_or(room), room);
        }
        if (path.empty() || path == "/") break;
        const auto slash = path.find_last_of('/');
        path = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
    }
    return headroom;
}

// Lines of /proc/self/cgroup are "hierarchy:controllers:path"; v2 has hierarchy 0 and
// no controllers, v1 names "memory" among its controllers.
std::optional<std::uint64_t> CgroupsHeadroom()
{
    const auto text = ReadText(SystemPath("/proc/self/cgroup"));
    if (!text) return std::nullopt;
    std::optional<std::uint64_t> headroom;
    std::istringstream lines(*text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto first = line.find(':');
        const auto second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string hierarchy = line.substr(0, first);
        const std::string controllers = "," + line.substr(first + 1, second - first - 1) + ",";
        const std::string path = line.substr(second + 1);
        std::optional<std::uint64_t> room;
        if (hierarchy == "0" && controllers == ",,") {
            room = CgroupHeadroom(CgroupV2, path);
        } else if (controllers.find(",memory,") != std::string::npos) {
            room = CgroupHeadroom(CgroupV1, path);
        }
        if (room) headroom = std::min(headroom.value_or(*room), *room);
    }
    return headroom;
}

std::uint64_t AddressSpaceLimit()
{
    rlimit limit {};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        return std::min<std::uint64_t>(limit.rlim_cur, UserAddressSpace);
    }
    return UserAddressSpace;
}

// Bytes mapped by the process: the first field of /proc/self/statm, in pages.
std::optional<std::uint64_t> MappedBytes()
{
    const auto statm = ReadText(SystemPath("/proc/self/statm"));
    if (!statm) return std::nullopt;
    const auto pages = ParseNumber(std::string_view(*statm).substr(0, statm->find(' ')));
    if (!pages) return std::nullopt;
    return *pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

}  // namespace

BOOL GlobalMemoryStatusEx(LPMEMORYSTATUSEX status)
{
    if (!status || status->dwLength != sizeof(MEMORYSTATUSEX)) return FALSE;
    const auto meminfo = ReadText(SystemPath("/proc/meminfo"));
    if (!meminfo) return FALSE;
    const auto total = MemInfoBytes(*meminfo, "MemTotal");
    const auto available = MemInfoBytes(*meminfo, "MemAvailable");
    const auto mapped = MappedBytes();
    if (!total || !available || !mapped || *total == 0) return FALSE;

    std::uint64_t availablePhysical = std::min(*available, *total);
    if (const auto headroom = CgroupsHeadroom()) availablePhysical = std::min(availablePhysical, *headroom);
    const std::uint64_t swapTotal = MemInfoBytes(*meminfo, "SwapTotal").value_or(0);
    const std::uint64_t swapFree = std::min(MemInfoBytes(*meminfo, "SwapFree").value_or(0), swapTotal);
    const std::uint64_t addressSpace = AddressSpaceLimit();

    status->dwMemoryLoad = static_cast<DWORD>((*total - availablePhysical) * 100 / *total);
    status->ullTotalPhys = *total;
    status->ullAvailPhys = availablePhysical;
    status->ullTotalPageFile = *total + swapTotal;
    status->ullAvailPageFile = availablePhysical + swapFree;
    status->ullTotalVirtual = addressSpace;
    status->ullAvailVirtual = addressSpace > *mapped ? addressSpace - *mapped : 0;
    status->ullAvailExtendedVirtual = 0;
    return TRUE;
}

namespace platform::win {

void SetSystemFileRoot(std::string root)
{
    std::lock_guard lock(rootMutex);
    systemRoot = std::move(root);
}

}  // namespace platform::win
