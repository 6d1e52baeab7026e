// Writes small .ppv files of every kind into the given folder as the fuzzer's seeds.

#include "tests/support/PpvSamples.h"
#include "tarnwick/core/Exception.h"
#include "tarnwick/core/Logging.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    qz::core::Logger::Release();
    using namespace qz::test;
    const std::string folder = argv[1];
    try {
        WritePpvFile(folder + "/empty.ppv", 64, {});
        WritePpvFile(folder + "/none8.ppv", 8,
                     {MakeBrick(8, 5, 1, 2, 3, PpvKind::None, 1), MakeBrick(8, 2, 3, 0, 1, PpvKind::None, 2, 1.0)});
        WritePpvFile(folder + "/vmag8.ppv", 8,
                     {MakeBrick(8, 5, 0, 0, 0, PpvKind::VMag, 3, 0.5), MakeBrick(8, 5, 31, 31, 31, PpvKind::VMag, 4, 0.5)});
        WritePpvFile(folder + "/color16.ppv", 16, {MakeBrick(16, 4, 9, 9, 9, PpvKind::ColorCount, 5, 0.1)});
        WritePpvFile(folder + "/empty16.ppv", 16, {MakeBrick(16, 1, 1, 0, 1, PpvKind::VMag, 6, 0.0)}, 3, 4);
    } catch (const qz::core::Exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
