#include "tarnwick/utils/ReplacingFile.h"

#include "tarnwick/core/Logging.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qz::utils {

namespace {

constexpr const char* TemporaryMarker = ".partial-";

std::atomic<unsigned> temporaryCounter {0};

std::string FolderOf(const std::string& path)
{
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool AllDigits(const std::string& text)
{
    if (text.empty() || text.size() > 18) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// The process id of a temporary file's name, or 0 when the name is not one of ours.
pid_t WriterOf(const std::string& name)
{
    const std::string::size_type marker = name.rfind(TemporaryMarker);
    if (marker == std::string::npos || marker == 0) return 0;
    const std::string tail = name.substr(marker + std::strlen(TemporaryMarker));
    const std::string::size_type dash = tail.find('-');
    if (dash == std::string::npos || !AllDigits(tail.substr(0, dash)) || !AllDigits(tail.substr(dash + 1))) return 0;
    const long long pid = std::atoll(tail.substr(0, dash).c_str());
    return pid > 0 && pid <= INT_MAX ? static_cast<pid_t>(pid) : 0;
}

// The file a write to the path lands in: the target of a symbolic link.
std::string ResolvedTarget(const std::string& path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string target = resolved;
    std::free(resolved);
    return target;
}

}  // namespace

ReplacingFile::~ReplacingFile()
{
    Discard();
}

bool ReplacingFile::Fail(int error)
{
    error_ = error;
    return false;
}

bool ReplacingFile::Open(const std::string& path)
{
    Discard();
    const std::string target = ResolvedTarget(path);
    RemoveStaleTemporaryFiles(FolderOf(target));

    // An existing file keeps its permissions, and one that may not be written is not
    // replaced either.
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) return OpenSpecial(target, existing);
    const bool replaces = exists;
    if (replaces && ::access(target.c_str(), W_OK) != 0) return Fail(errno);

    // Unique among the processes and writers of this machine; O_EXCL keeps a stale file of
    // that name from being taken over.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = target + TemporaryMarker + std::to_string(::getpid()) + "-" +
                                      std::to_string(temporaryCounter.fetch_add(1));
        const int descriptor = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0) {
            if (errno == EEXIST) continue;
            return Fail(errno);
        }
        if (replaces) ::fchmod(descriptor, existing.st_mode & 07777);
        file_ = ::fdopen(descriptor, "wb");
        if (!file_) {
            const int error = errno;
            ::close(descriptor);
            ::unlink(candidate.c_str());
            return Fail(error);
        }
        // Unbuffered: callers write whole records and payloads, and a full disk is then
        // reported by the write that met it rather than by a later one.
        std::setvbuf(file_, nullptr, _IONBF, 0);
        path_ = target;
        temporaryPath_ = candidate;
        return true;
    }
    return Fail(EEXIST);
}

bool ReplacingFile::OpenSpecial(const std::string& target, const struct stat& existing)
{
    if (S_ISDIR(existing.st_mode)) return Fail(EISDIR);
    // A device or FIFO is written as it is: renaming over it would put a file in its place.
    // A FIFO without a reader fails instead of blocking.
    const int descriptor = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) return Fail(errno);
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    file_ = ::fdopen(descriptor, "wb");
    if (!file_) {
        const int error = errno;
        ::close(descriptor);
        return Fail(error);
    }
    std::setvbuf(file_, nullptr, _IONBF, 0);
    path_ = target;
    return true;
}

bool ReplacingFile::Write(const void* data, std::size_t size)
{
    if (!file_) return Fail(EBADF);
    if (std::fwrite(data, 1, size, file_) == size) return true;
    writeFailed_ = true;
    return Fail(errno);
}

bool ReplacingFile::Commit()
{
    if (!file_) return Fail(EBADF);
    // Bytes are missing in the middle: the file must not take the name.
    if (writeFailed_) {
        Discard();
        return false;
    }
    const bool written = std::fflush(file_) == 0 && !std::ferror(file_);
    int error = written ? 0 : errno;
    // Closing may report what the flush could not (delayed allocation, network files).
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (written && !closed) error = errno;
    if (written && closed && (temporaryPath_.empty() || std::rename(temporaryPath_.c_str(), path_.c_str()) == 0)) {
        temporaryPath_.clear();
        return true;
    }
    if (error == 0) error = errno;
    Discard();
    return Fail(error);
}

void ReplacingFile::Discard()
{
    writeFailed_ = false;
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporaryPath_.empty()) {
        ::unlink(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
}

int WriteWholeFile(const std::string& path, const void* data, std::size_t size)
{
    ReplacingFile file;
    if (file.Open(path) && file.Write(data, size) && file.Commit()) return 0;
    return file.Error() != 0 ? file.Error() : EIO;
}

void LogWriteFailure(const std::string& fileName, int error)
{
    auto message = core::Logger::BeginMessage(core::LogLevelErrorReport);
    message.SetType(core::LogTypeError);
    message << "Could not write \"" << fileName << "\": " << std::strerror(error);
}

int RemoveStaleTemporaryFiles(const std::string& folder)
{
    const std::string path = folder.empty() ? "." : folder;
    DIR* listing = ::opendir(path.c_str());
    if (!listing) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(listing)) {
        const pid_t writer = WriterOf(entry->d_name);
        // Signal 0 only asks whether the process exists; EPERM means it does.
        if (writer == 0 || writer == ::getpid() || ::kill(writer, 0) == 0 || errno != ESRCH) continue;
        if (::unlinkat(::dirfd(listing), entry->d_name, 0) == 0) ++removed;
    }
    ::closedir(listing);
    return removed;
}

}  // namespace qz::utils
