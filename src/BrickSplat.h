#pragma once
// Voxelises the particle records of one brick into its level-0 occupancy words and, for
// bricks with attributes, one 16-bit value per occupied voxel:
//
//   attributeOffsets[w]  index of the first value of word w (words with set bits)
//   attributeValues      the values of the set bits, words in index order and bits in
//                        increasing order inside a word, padded to an even count
//
// Every particle sets exactly the bit of its own voxel. A brick that already has levels
// keeps them and gains the new bits; its attribute data is rebuilt from this splat alone.
// The higher levels are made zeroed; the GPU side computes them.

#include "src/AttributeEncoding.h"
#include "src/OccupancyWord.h"
#include "src/ParticleTypes.h"
#include "src/Brick.h"
#include "src/VelocityMaximum.h"
#include "src/VolumeGeometry.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/core/Logging.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <vector>

// Per-worker memory of a splat, reused from brick to brick: one element per occupied
// voxel of the brick being splatted (not per voxel of the brick), so it stays small
// whatever the brick size.
template <class Value>
struct VoxelScratch {
    std::vector<Value> voxels;

    // `count` zeroed elements.
    Value* Prepare(std::size_t count)
    {
        if (voxels.size() < count) voxels.resize(count);
        std::fill(voxels.begin(), voxels.begin() + static_cast<std::ptrdiff_t>(count), Value {});
        return voxels.data();
    }
};

struct NoSplatScratch {};

template <class Attr>
struct SplatScratchOf {
    using Type = NoSplatScratch;
};
template <>
struct SplatScratchOf<ParticleTypes::ParticleAttributes_VMag> {
    using Type = VoxelScratch<float>;  // largest velocity magnitude per voxel
};
template <>
struct SplatScratchOf<ParticleTypes::ParticleAttributes_ColorCount> {
    using Type = VoxelScratch<ColorAccumulator>;
};

template <class Attr>
using SplatScratch = typename SplatScratchOf<Attr>::Type;

template <class Attr>
inline constexpr bool SplatsAttributes = !std::is_same_v<Attr, ParticleTypes::ParticleAttributes_None>;

namespace BrickSplatDetail {

// The brick's level list after this splat, made aside: a splat that fails leaves the
// brick as it was. A brick without levels gets zeroed ones; one with levels keeps its
// words, and the new bits are added to a copy of level 0.
template <class Attr>
std::vector<std::vector<OccupancyWord>> NewLevels(const Brick& brick, const OccupancyGrid& grid)
{
    std::vector<std::vector<OccupancyWord>> levels;
    if (brick.levels.empty()) {
        const std::uint32_t count = SplatsAttributes<Attr> ? OccupancyGrid::MipLevelCount(grid.brickSize) : 1;
        levels.resize(count);
        for (std::uint32_t k = 0; k < count; ++k) levels[k].assign(grid.WordCount(k), OccupancyWord {});
    } else if (brick.levels[0].size() != grid.WordCount()) {
        QZ_THROW("ParticleSplatter::SplatBrick", "The brick holds ", brick.levels[0].size(),
                 " occupancy words; a brick of size ", grid.brickSize, " has ", grid.WordCount());
    } else {
        levels.push_back(brick.levels[0]);
    }
    return levels;
}

// Sets the bit of every record's voxel; returns how many records lie outside the brick.
template <class Attr>
std::uint64_t SetOccupancy(const BrickParticle<Attr>* records, std::uint64_t count, const OccupancyGrid& grid,
                           OccupancyWord* words)
{
    const std::uint32_t outsideMask = ~(grid.brickSize - 1);  // sizes are powers of two
    std::uint64_t outside = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        const BrickParticle<Attr>& record = records[i];
        const std::uint32_t x = record.X(), y = record.Y(), z = record.Z();
        if (((x | y | z) & outsideMask) != 0) {
            ++outside;
            continue;
        }
        OccupancyPacking::SetBit(words[grid.WordIndex(x, y, z)], OccupancyPacking::BitIndex(x, y, z));
    }
    return outside;
}

// The attribute data of a brick whose level 0 is `words`: offsets of the words with set
// bits (the others keep what `offsets` held), and one value per set bit, words in index
// order and bits in increasing order, padded to an even count. Each record adds to the
// value slot of its voxel, the slot being the voxel's rank among the set bits.
template <class Attr, class Value, class Accumulate, class Encode>
void BuildAttributes(const BrickParticle<Attr>* records, std::uint64_t count, const OccupancyGrid& grid,
                     const std::vector<OccupancyWord>& words, VoxelScratch<Value>& scratch,
                     std::vector<std::uint32_t>& offsets, std::vector<std::uint16_t>& values,
                     Accumulate&& accumulate, Encode&& encode)
{
    using namespace OccupancyPacking;
    offsets.resize(words.size());
    std::uint32_t setBits = 0;
    for (std::size_t w = 0; w < words.size(); ++w) {
        if (IsEmpty(words[w])) continue;
        offsets[w] = setBits;
        setBits += static_cast<std::uint32_t>(CountBits(words[w]));
    }
    Value* slots = scratch.Prepare(setBits);
    const std::uint32_t outsideMask = ~(grid.brickSize - 1);
    for (std::uint64_t i = 0; i < count; ++i) {
        const BrickParticle<Attr>& record = records[i];
        const std::uint32_t x = record.X(), y = record.Y(), z = record.Z();
        if (((x | y | z) & outsideMask) != 0) continue;
        const std::size_t w = grid.WordIndex(x, y, z);
        accumulate(slots[offsets[w] + CountBitsBelow(words[w], BitIndex(x, y, z))], record);
    }
    values.resize(setBits + (setBits & 1));
    for (std::uint32_t v = 0; v < setBits; ++v) values[v] = encode(slots[v]);
    if (setBits & 1) values[setBits] = 0;
}

}  // namespace BrickSplatDetail

// Splats the brick's records with the given brick size; `velocityMaximum` maps velocity
// magnitudes (VMag only). Records outside the brick are skipped and reported. The brick
// is left without records; their array is returned, for the caller to free when it suits.
template <class Attr>
BrickParticleArray SplatBrickRecords(SplatScratch<Attr>& scratch, std::uint32_t brickSize, Brick& brick,
                       float velocityMaximum)
{
    using namespace BrickSplatDetail;
    if (!VolumeGeometry::IsValidBrickSize(brickSize)) {
        QZ_THROW("ParticleSplatter::SplatBrick", "Invalid brick size ", brickSize, ": a power of two from ",
                 VolumeGeometry::MinBrickSize, " to ", VolumeGeometry::MaxBrickSize, " is needed");
    }
    const OccupancyGrid grid(brickSize);
    const BrickParticle<Attr>* records = brick.particles.template Get<Attr>();
    const std::uint64_t count = brick.particleCount;
    if (count > 0 && records == nullptr) {
        QZ_THROW("ParticleSplatter::SplatBrick", "The brick holds ", count,
                 " particles, but no records of the splatter's attribute kind");
    }
    std::vector<std::vector<OccupancyWord>> levels = NewLevels<Attr>(brick, grid);
    const std::uint64_t outside = SetOccupancy(records, count, grid, levels[0].data());

    std::vector<std::uint32_t> offsets;
    std::vector<std::uint16_t> values;
    if constexpr (std::is_same_v<Attr, ParticleTypes::ParticleAttributes_VMag>) {
        offsets = brick.attributeOffsets;
        BuildAttributes(
            records, count, grid, levels[0], scratch, offsets, values,
            [](float& largest, const BrickParticle<Attr>& record) {
                if (record.attributes.magnitude > largest) largest = record.attributes.magnitude;
            },
            [velocityMaximum](float magnitude) { return EncodeVelocityMagnitude(magnitude, velocityMaximum); });
    } else if constexpr (std::is_same_v<Attr, ParticleTypes::ParticleAttributes_ColorCount>) {
        offsets = brick.attributeOffsets;
        BuildAttributes(
            records, count, grid, levels[0], scratch, offsets, values,
            [](ColorAccumulator& sum, const BrickParticle<Attr>& record) {
                sum.red += record.attributes.red;
                sum.green += record.attributes.green;
                sum.blue += record.attributes.blue;
                ++sum.count;
            },
            [](const ColorAccumulator& sum) { return EncodeAverageColor(sum); });
    }

    // Nothing below fails: the brick changes only now.
    if (brick.levels.empty()) {
        brick.levels.swap(levels);
    } else {
        brick.levels[0].swap(levels[0]);
    }
    if constexpr (SplatsAttributes<Attr>) {
        brick.attributeOffsets.swap(offsets);
        brick.attributeValues.swap(values);
    }
    BrickParticleArray splatted = std::move(brick.particles);
    brick.particleCount = 0;
    brick.splatted = true;
    brick.postProcessed = false;
    brick.splatFailed = false;

    if (outside > 0) {
        auto message = qz::core::Logger::BeginMessage(qz::core::LogLevelImportant);
        message.SetType(qz::core::LogTypeWarning);
        message << outside << " particle records of the brick at level " << brick.level << " "
                << qz::core::LogVector3(brick.position) << " lie outside its " << brickSize
                << " voxels and were not splatted";
    }
    return splatted;
}
