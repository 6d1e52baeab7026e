// Fuzz target of the BGEO reader on uncompressed files (see BgeoFuzz.h).

#include "fuzz/BgeoFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qz::fuzz::SilenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    qz::fuzz::ReadBgeo(qz::fuzz::InputFile(data, size, ".bgeo"));
    return 0;
}
