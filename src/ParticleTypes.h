#pragma once
// Particle records as raw files store them (packed, little-endian, no padding), the
// per-particle attribute payloads that a volume and its splatter are built for, and the
// particle that the loading pipeline hands to insertion.

#include <array>
#include <cstdint>
#include <tuple>

namespace ParticleTypes {

struct RawParticle_Pos {
    float x, y, z;
};

struct RawParticle_PosVel {
    float x, y, z;
    float vx, vy, vz;
};

struct RawParticle_PosCol {
    float x, y, z;
    std::uint8_t red, green, blue;
    std::uint8_t unused;  // whatever the writer left there; never read
};

struct RawParticle_PosRad {
    float x, y, z;
    float radius;  // never read
};

struct RawParticle_PosNormal {
    float x, y, z;
    float nx, ny, nz;  // never read
};

// Files are read straight into arrays of these, so the layout is the file format.
static_assert(sizeof(RawParticle_Pos) == 12);
static_assert(sizeof(RawParticle_PosVel) == 24);
static_assert(sizeof(RawParticle_PosCol) == 16);
static_assert(sizeof(RawParticle_PosRad) == 16);
static_assert(sizeof(RawParticle_PosNormal) == 24);

struct ParticleAttributes_None {};

struct ParticleAttributes_VMag {
    float magnitude;
};

// Converted records carry their colour and count 0; the splatter sums colours and
// counts particles per voxel in the same layout.
struct ParticleAttributes_ColorCount {
    std::uint16_t red, green, blue;
    std::uint32_t count;
};

template <class Attr>
struct VolumeParticle {
    float x, y, z;  // as read: file coordinates, unscaled
    [[no_unique_address]] Attr attributes;
};

static_assert(sizeof(VolumeParticle<ParticleAttributes_None>) == 12);

// The "particletype" setting: index -> label, record type and the attribute kind of the
// volume that the records go into.
template <class RecordType, class AttributesType>
struct ParticleTypeEntry {
    using Record = RecordType;
    using Attributes = AttributesType;
};

using ParticleTypeTable = std::tuple<ParticleTypeEntry<RawParticle_Pos, ParticleAttributes_None>,
                                     ParticleTypeEntry<RawParticle_PosVel, ParticleAttributes_VMag>,
                                     ParticleTypeEntry<RawParticle_PosCol, ParticleAttributes_ColorCount>,
                                     ParticleTypeEntry<RawParticle_PosRad, ParticleAttributes_None>,
                                     ParticleTypeEntry<RawParticle_PosNormal, ParticleAttributes_None>>;

template <int Index>
using ParticleTypeAt = std::tuple_element_t<Index, ParticleTypeTable>;

constexpr int ParticleTypeCount = static_cast<int>(std::tuple_size_v<ParticleTypeTable>);

constexpr std::array<const char*, ParticleTypeCount> ParticleTypeLabels = {
    "Position",
    "Position / Velocity",
    "Position / Color",
    "Position / Radius (discard radius)",
    "Position / Normal (discard normal)",
};

}  // namespace ParticleTypes
