#include "platform/win/RegularFile.h"

#include "platform/win/Files.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::win {

int OpenRegularFileDescriptor(const std::string& path, std::string& failure)
{
    const std::string native = ToNativePath(path);
    // Looked at before the open, which may itself act on a device; checked again on the
    // descriptor, in case the name was replaced in between.
    struct stat info {};
    if (::stat(native.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        failure = NotARegularFileText;
        return -1;
    }
    const int descriptor = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        failure = std::strerror(errno);
        return -1;
    }
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        failure = NotARegularFileText;
        ::close(descriptor);
        return -1;
    }
    // Reads of regular files never block anyway; the flag only kept the open from waiting.
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return descriptor;
}

std::FILE* OpenRegularFile(const std::string& path, std::string& failure)
{
    const int descriptor = OpenRegularFileDescriptor(path, failure);
    if (descriptor < 0) return nullptr;
    std::FILE* file = ::fdopen(descriptor, "rb");
    if (!file) {
        failure = std::strerror(errno);
        ::close(descriptor);
    }
    return file;
}

}  // namespace platform::win
