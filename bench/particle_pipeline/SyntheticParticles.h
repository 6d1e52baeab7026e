#pragma once
// Synthetic particle data sets that look like simulation output, and files of them.
//
//   dambreak  the volume benchmark's collapsing water column: a dense column, a thin
//             sheet running along the floor and spray in droplet clumps above the front,
//             with velocities and colours by region
//   uniform   noise in the unit cube, for comparison
//
// Particle i depends only on the seed and i, so files come out the same whatever the
// thread count. Particles appear in no spatial order.

#include "src/ParticleTypes.h"

#include <cstdint>
#include <string>

namespace Synthetic {

enum class Kind { DamBreak, Uniform };
enum class Record { Pos, PosVel, PosCol };

struct Particle {
    float position[3];
    float velocity[3];
    std::uint8_t colour[3];
};

Particle MakeParticle(Kind kind, std::uint64_t seed, std::uint64_t index);

inline void Fill(const Particle& p, ParticleTypes::RawParticle_Pos& r)
{
    r = {p.position[0], p.position[1], p.position[2]};
}
inline void Fill(const Particle& p, ParticleTypes::RawParticle_PosVel& r)
{
    r = {p.position[0], p.position[1], p.position[2], p.velocity[0], p.velocity[1], p.velocity[2]};
}
inline void Fill(const Particle& p, ParticleTypes::RawParticle_PosCol& r)
{
    r = {p.position[0], p.position[1], p.position[2], p.colour[0], p.colour[1], p.colour[2], 255};
}

struct FileSpec {
    Kind kind = Kind::DamBreak;
    Record record = Record::PosVel;
    std::uint64_t count = 0;
    std::uint64_t seed = 1;
    int headerSize = 0;  // zero bytes before the records (raw and gzip files)
    std::string path;    // ".raw", ".raw.gz" or ".bgeo" (also ".bgeo.gz")
};

// Throws std::runtime_error when the file cannot be written or the ending is unknown.
void WriteFile(const FileSpec& spec);

}  // namespace Synthetic
