// Any bytes as a .ppv file: the reader either rejects them with an error report or
// delivers bricks that fit the header's layout. Anything else (a crash, an overrun, a leak,
// a brick of the wrong size) is a finding.

#include "src/ProcessedParticleVolume.h"
#include "tarnwick/core/Exception.h"
#include "tarnwick/core/Logging.h"
#include "tarnwick/core/SimpleVec4.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

using Reader = ProcessedParticleVolumeReader<qz::core::SimpleVec4<unsigned int>>;

// The input lives in a memory file that the reader opens by name, as it opens any file.
int InputFile()
{
    static const int descriptor = [] {
        const int fd = memfd_create("ppv-fuzz-input", 0);
        if (fd < 0) std::abort();
        return fd;
    }();
    return descriptor;
}

void Require(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Error reports are the normal outcome here; keep them off the console and the disk.
    qz::core::Logger::Release();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int fd = InputFile();
    Require(ftruncate(fd, 0) == 0);
    Require(pwrite(fd, data, size, 0) == static_cast<ssize_t>(size));

    Reader reader;
    reader.applicationOverlap = 4;
    try {
        reader.LoadFromFile("/proc/self/fd/" + std::to_string(fd));
    } catch (const qz::core::Exception&) {
        Require(reader.loadedBricks.empty());
        return 0;
    }
    const std::uint64_t words = PpvLayout::WordCount(reader.header.brickSize);
    for (const Reader::LoadedBrick& brick : reader.loadedBricks) {
        Require(brick.words.size() == words);
        Require(brick.attributeOffsets.empty() || brick.attributeOffsets.size() == words);
        Require(brick.level < reader.header.levels);
        for (const std::uint32_t p : brick.position) Require(p < (std::uint64_t {1} << brick.level));
    }
    return 0;
}
