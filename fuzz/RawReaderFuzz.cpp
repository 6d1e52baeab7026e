// Fuzz target of the uncompressed raw reader (see RawReaderFuzz.h).

#include "fuzz/RawReaderFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qz::fuzz::SilenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return qz::fuzz::FuzzRawReader<RawParticleReader>(data, size, true);
}
