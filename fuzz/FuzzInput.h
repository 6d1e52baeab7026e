#pragma once
// What every fuzz target needs: the input as a file that the code under test opens by
// name, a check that aborts (a finding) when an invariant breaks, and a silent logger.

#include "tarnwick/core/Logging.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace qz::fuzz {

inline void Require(bool condition)
{
    if (!condition) std::abort();
}

// Error reports are the normal outcome of fuzzing; they go neither to the console nor to
// the disk. Called from LLVMFuzzerInitialize.
inline void SilenceLogging()
{
    qz::core::Logger::Release();
}

// The bytes as the content of a memory file, reached by a name that ends in `ending` (a
// link to the file's /proc entry), since some readers pick their format by the ending.
inline std::string InputFile(const std::uint8_t* data, std::size_t size, const std::string& ending = "")
{
    static const int descriptor = [] {
        const int fd = memfd_create("fuzz-input", 0);
        Require(fd >= 0);
        return fd;
    }();
    static const std::string name = [&] {
        const std::string target = "/proc/" + std::to_string(::getpid()) + "/fd/" + std::to_string(descriptor);
        if (ending.empty()) return target;
        static const std::string link = "/tmp/fuzz-input-" + std::to_string(::getpid()) + ending;
        ::unlink(link.c_str());
        Require(::symlink(target.c_str(), link.c_str()) == 0);
        std::atexit([] { ::unlink(link.c_str()); });
        return link;
    }();
    Require(ftruncate(descriptor, 0) == 0);
    Require(size == 0 || pwrite(descriptor, data, size, 0) == static_cast<ssize_t>(size));
    return name;
}

}  // namespace qz::fuzz
