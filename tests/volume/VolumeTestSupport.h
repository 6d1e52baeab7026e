#pragma once
// Builds timesteps from particle lists and reads the records back out of the bricks.

#include "src/ParticleVolume.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <omp.h>
#include <string>
#include <tuple>
#include <vector>

namespace qz::test {

using None = ParticleTypes::ParticleAttributes_None;
using VMag = ParticleTypes::ParticleAttributes_VMag;
using ColorCount = ParticleTypes::ParticleAttributes_ColorCount;

// Restores the OpenMP thread count a test changed.
class ThreadCount {
public:
    explicit ThreadCount(int threads) : previous_(omp_get_max_threads()) { omp_set_num_threads(threads); }
    ~ThreadCount() { omp_set_num_threads(previous_); }

private:
    int previous_;
};

template <class Attr>
using Particles = std::vector<ParticleTypes::VolumeParticle<Attr>>;

template <class Attr>
void SetBox(ParticleVolume<Attr>& volume, std::initializer_list<float> box)
{
    std::copy(box.begin(), box.end(), volume.boundingBox);
}

// Temporary data holding the particles as one chunk.
template <class Attr>
void LoadChunk(ParticleVolume<Attr>& volume, const Particles<Attr>& particles)
{
    volume.PrepareTemporaryData();
    volume.chunks.resize(1);
    volume.chunks[0].assign(particles.begin(), particles.end());
    volume.records.resize(particles.size());
}

// Creates, fills and builds a new timestep; returns its index.
template <class Attr>
int BuildTimestep(ParticleVolume<Attr>& volume, const Particles<Attr>& particles)
{
    const int t = static_cast<int>(volume.CreateTimestep(true));
    LoadChunk(volume, particles);
    volume.InsertParticles(0, 0);
    volume.Create(t);
    return t;
}

inline ParticleTypes::VolumeParticle<VMag> MakeParticle(float x, float y, float z, float id = 0)
{
    ParticleTypes::VolumeParticle<VMag> p;
    p.x = x;
    p.y = y;
    p.z = z;
    p.attributes.magnitude = id;
    return p;
}

// (brick index, packed position, magnitude) of every record of every leaf, checking
// that each record lies in the brick that holds it.
inline std::vector<std::tuple<std::uint32_t, std::uint32_t, float>> CollectRecords(
    ParticleVolume<VMag>& volume, int timestep)
{
    std::vector<std::tuple<std::uint32_t, std::uint32_t, float>> out;
    const VolumeGeometry& g = volume.GetGeometry();
    auto data = volume.GetTimestep(timestep);
    for (Brick* brick : data->leafBricks) {
        const auto* records = brick->particles.Get<VMag>();
        const std::uint32_t k = g.LeafIndex(brick->position[0], brick->position[1], brick->position[2]);
        for (std::uint64_t i = 0; i < brick->particleCount; ++i) {
            if (records[i].brickIndex != k) ADD_FAILURE() << "record of brick " << records[i].brickIndex << " in " << k;
            out.emplace_back(records[i].brickIndex, records[i].position, records[i].attributes.magnitude);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace qz::test
