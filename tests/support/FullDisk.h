#pragma once
// A full disk on demand. RunOnFullDisk runs a scenario in a child process that sees a
// small tmpfs at the folder: a mount namespace of its own keeps the mount from everyone
// else and ends with the child. Where no tmpfs can be mounted (no privileges, or a
// ThreadSanitizer build, which cannot fork a process that has threads), the scenario runs
// in this process with a file-size limit instead: the kernel then fails the writes beyond
// it with EFBIG, as a full disk fails them with ENOSPC.
//
// The scenario writes what it wants kept first, calls Fill, tries its save and returns a
// text for the test to check.

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qz::test {

class FullDisk {
public:
    virtual ~FullDisk() = default;
    // From now on a write that needs more room in the folder fails.
    virtual void Fill() = 0;
    // "tmpfs" or "file-size limit".
    virtual std::string Kind() const = 0;
};

namespace full_disk_detail {

inline bool WriteText(const std::string& path, const std::string& text)
{
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (file < 0) return false;
    const bool written = ::write(file, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return ::close(file) == 0 && written;
}

// A mount namespace of this process's own, as root or as the owner of a user namespace.
inline bool EnterPrivateMounts()
{
    if (::unshare(CLONE_NEWNS) != 0) {
        const uid_t uid = ::getuid();
        const gid_t gid = ::getgid();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
        WriteText("/proc/self/setgroups", "deny");
        if (!WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
            return false;
        }
    }
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

class Tmpfs : public FullDisk {
public:
    explicit Tmpfs(std::string folder) : folder_(std::move(folder)) {}
    void Fill() override
    {
        const int file = ::open((folder_ + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        static const char block[1 << 12] = {};
        while (file >= 0 && ::write(file, block, sizeof(block)) > 0) {
        }
        if (file >= 0) ::close(file);
    }
    std::string Kind() const override { return "tmpfs"; }

private:
    std::string folder_;
};

class FileSizeLimit : public FullDisk {
public:
    FileSizeLimit()
    {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    }
    ~FileSizeLimit() override
    {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    void Fill() override { Limit(0); }
    // Writes that would make a file longer than this fail.
    void Limit(rlim_t bytes)
    {
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    std::string Kind() const override { return "file-size limit"; }

private:
    rlimit previous_ {};
    void (*previousHandler_)(int) = nullptr;
};

constexpr int Unavailable = 3;

// The scenario's text from a child with a tmpfs at the folder; false when there is none.
inline bool RunOnTmpfs(const std::string& folder, const std::function<std::string(FullDisk&)>& scenario,
                       std::string& text)
{
#if defined(__SANITIZE_THREAD__)
    (void)folder;
    (void)scenario;
    (void)text;
    return false;
#else
    int channel[2];
    if (::pipe(channel) != 0) return false;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        if (!EnterPrivateMounts() || ::mount("full-disk-test", folder.c_str(), "tmpfs", 0, "size=256k") != 0) {
            ::_exit(Unavailable);
        }
        Tmpfs disk(folder);
        std::string result;
        try {
            result = scenario(disk);
        } catch (const std::exception& error) {
            result = std::string("scenario threw: ") + error.what();
        }
        const bool sent = ::write(channel[1], result.data(), result.size()) == static_cast<ssize_t>(result.size());
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    if (child < 0) {
        ::close(channel[0]);
        return false;
    }
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(channel[0], buffer, sizeof(buffer))) > 0) text.append(buffer, static_cast<std::size_t>(got));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return !(WIFEXITED(status) && WEXITSTATUS(status) == Unavailable);
#endif
}

}  // namespace full_disk_detail

// The names of the other files in the file's folder (the filler left out), with a blank
// after each: what a failed save left behind.
inline std::string FilesBeside(const std::string& path)
{
    std::string names;
    const std::filesystem::path file(path);
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name != file.filename().string() && name != "filler") names += name + " ";
    }
    return names;
}

// The log line of a save that met the full disk (or the file-size limit in its place).
inline bool LogsFullDisk(const std::string& text, const std::string& file)
{
    return text.find("Could not write \"" + file + "\": No space left on device") != std::string::npos ||
           text.find("Could not write \"" + file + "\": File too large") != std::string::npos;
}

// The folder is made empty first (outside the tmpfs it stays afterwards).
inline std::string RunOnFullDisk(const std::string& folder, const std::function<std::string(FullDisk&)>& scenario)
{
    const std::string absolute = std::filesystem::absolute(folder).string();
    std::filesystem::remove_all(absolute);
    std::filesystem::create_directories(absolute);
    std::string text;
    if (full_disk_detail::RunOnTmpfs(absolute, scenario, text)) return text;
    full_disk_detail::FileSizeLimit limit;
    return scenario(limit);
}

}  // namespace qz::test
