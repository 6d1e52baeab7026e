#pragma once
// Synthetic particles of a dam break some time after the gate opened: a collapsing water
// column with a sheet running along the floor, and spray in droplet clusters above the
// front. Deterministic per particle index, so any range can be made on any thread.

#include "src/ParticleTypes.h"

#include <cstdint>

namespace bench {

// The scene's bounding box: minimum x, y, z, then maximum.
constexpr float DamBreakBox[6] = {0.0f, 0.0f, 0.0f, 4.0f, 2.0f, 1.0f};

// Particles first ... first + count - 1 of the scene, written to out[0 ... count - 1].
void MakeDamBreak(std::uint64_t first, std::uint64_t count,
                  ParticleTypes::VolumeParticle<ParticleTypes::ParticleAttributes_None>* out);

}  // namespace bench
