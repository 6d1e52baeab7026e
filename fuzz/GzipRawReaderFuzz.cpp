// Fuzz target of the gzip raw reader (see RawReaderFuzz.h). The bytes after the first two
// are the compressed file.

#include "fuzz/RawReaderFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qz::fuzz::SilenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return qz::fuzz::FuzzRawReader<RawParticleGZReader>(data, size, false);
}
