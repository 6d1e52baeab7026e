#include "src/ReplacingFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<unsigned> temporaryCounter {0};

}  // namespace

ReplacingFile::~ReplacingFile()
{
    Discard();
}

bool ReplacingFile::Open(const std::string& path)
{
    Discard();
    // Unique among the processes and writers of this machine; O_EXCL keeps a stale file of
    // that name from being taken over.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = path + ".partial-" + std::to_string(::getpid()) + "-" +
                                      std::to_string(temporaryCounter.fetch_add(1));
        const int descriptor = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        file_ = ::fdopen(descriptor, "wb");
        if (!file_) {
            const int error = errno;
            ::close(descriptor);
            ::unlink(candidate.c_str());
            errno = error;
            return false;
        }
        // Unbuffered: callers write whole records and payloads, and a full disk is then
        // reported by the write that met it rather than by a later one.
        std::setvbuf(file_, nullptr, _IONBF, 0);
        path_ = path;
        temporaryPath_ = candidate;
        return true;
    }
    errno = EEXIST;
    return false;
}

bool ReplacingFile::Write(const void* data, std::size_t size)
{
    if (!file_) {
        errno = EBADF;
        return false;
    }
    return std::fwrite(data, 1, size, file_) == size;
}

bool ReplacingFile::Commit()
{
    if (!file_) {
        errno = EBADF;
        return false;
    }
    bool written = std::fflush(file_) == 0 && !std::ferror(file_);
    int error = written ? 0 : errno;
    // Closing may report what the flush could not (delayed allocation, network files).
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    if (written && !closed) error = errno;
    if (written && closed && std::rename(temporaryPath_.c_str(), path_.c_str()) == 0) {
        temporaryPath_.clear();
        return true;
    }
    if (error == 0) error = errno;
    Discard();
    errno = error;
    return false;
}

void ReplacingFile::Discard()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporaryPath_.empty()) {
        ::unlink(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
}
