#pragma once
// Seeds of the raw reader targets: files of every record type with and without a header,
// behind the two bytes that choose the record type, the chunk length and the header size.

#include "fuzz/FuzzSeeds.h"
#include "tests/support/RawFiles.h"

namespace qz::fuzz {

inline int WriteRawSeeds(int argc, char** argv, bool gzip)
{
    return RunSeedWriter(argc, argv, [gzip](const std::string& folder) {
        using namespace ParticleTypes;
        using qz::test::AsBytes;
        using qz::test::PatternRecords;
        const std::string files[5] = {
            AsBytes(PatternRecords<RawParticle_Pos>(7)), AsBytes(PatternRecords<RawParticle_PosVel>(5)),
            AsBytes(PatternRecords<RawParticle_PosCol>(3)), AsBytes(PatternRecords<RawParticle_PosRad>(9)),
            AsBytes(PatternRecords<RawParticle_PosNormal>(2))};
        for (int type = 0; type < 5; ++type) {
            for (const int header : {0, 12}) {
                std::string file = qz::test::HeaderBytes(header) + files[type];
                if (gzip) file = qz::test::GzipBytes(file);
                const std::string choice = {static_cast<char>(type + 5 * (type + 1)), static_cast<char>(header)};
                qz::fuzz::WriteSeed(folder, "type" + std::to_string(type) + "-header" + std::to_string(header),
                                    choice + file);
            }
        }
    });
}

}  // namespace qz::fuzz
