// Fuzz target of the BGEO reader on gzip-compressed files (see BgeoFuzz.h). An even first
// byte: the rest is BGEO data that the target compresses, so that mutations reach the
// format behind the inflating reader; odd: the rest is the compressed file itself.

#include "fuzz/BgeoFuzz.h"
#include "tests/support/BinaryFiles.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qz::fuzz::SilenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    std::string file(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] % 2 == 0) file = qz::test::GzipBytes(file, 1);
    qz::fuzz::ReadBgeo(qz::fuzz::InputFile(reinterpret_cast<const std::uint8_t*>(file.data()), file.size(), ".bgeo"));
    return 0;
}
