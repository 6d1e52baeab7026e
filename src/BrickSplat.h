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
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/core/Logging.h"

#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <vector>

// Per-worker memory of a splat, reused from brick to brick. Between splats every element
// is zero; a splat that fails half-way leaves `clean` false and the next one clears all.
template <class Value>
struct VoxelScratch {
    std::vector<Value> voxels;
    bool clean = false;

    Value* Prepare(std::size_t count)
    {
        if (voxels.size() != count) {
            voxels.assign(count, Value {});
        } else if (!clean) {
            std::fill(voxels.begin(), voxels.end(), Value {});
        }
        clean = false;
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

// Gives the brick its level list when it has none; checks the one it has.
template <class Attr>
std::vector<OccupancyWord>& PrepareLevels(Brick& brick, const OccupancyGrid& grid)
{
    if (brick.levels.empty()) {
        const std::uint32_t count = SplatsAttributes<Attr> ? OccupancyGrid::MipLevelCount(grid.brickSize) : 1;
        brick.levels.resize(count);
        for (std::uint32_t k = 0; k < count; ++k) brick.levels[k].assign(grid.WordCount(k), OccupancyWord {});
    } else if (brick.levels[0].size() != grid.WordCount()) {
        QZ_THROW("ParticleSplatter::SplatBrick", "The brick holds ", brick.levels[0].size(),
                 " occupancy words; a brick of size ", grid.brickSize, " has ", grid.WordCount());
    }
    return brick.levels[0];
}

template <class Attr, class Accumulate>
std::uint64_t SetOccupancy(const BrickParticle<Attr>* records, std::uint64_t count,
                           const OccupancyGrid& grid, OccupancyWord* words, Accumulate&& accumulate)
{
    const std::uint32_t size = grid.brickSize;
    const std::uint32_t outsideMask = ~(size - 1);  // sizes are powers of two
    std::uint64_t outside = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        const BrickParticle<Attr>& record = records[i];
        const std::uint32_t x = record.X(), y = record.Y(), z = record.Z();
        if (((x | y | z) & outsideMask) != 0) {
            ++outside;
            continue;
        }
        OccupancyPacking::SetBit(words[grid.WordIndex(x, y, z)], OccupancyPacking::BitIndex(x, y, z));
        accumulate(record, (static_cast<std::size_t>(z) * size + y) * size + x);
    }
    return outside;
}

// Rebuilds offsets and values from the scratch, returning every element it reads to 0.
template <class Value, class Encode>
void EncodeAttributes(Brick& brick, const OccupancyGrid& grid, Value* scratch, Encode&& encode)
{
    using namespace OccupancyPacking;
    const std::vector<OccupancyWord>& words = brick.levels[0];
    std::size_t setBits = 0;
    for (const OccupancyWord& word : words) setBits += static_cast<std::size_t>(CountBits(word));

    // Scratch offset of each bit's voxel from the block's first voxel.
    const std::size_t size = grid.brickSize;
    std::size_t bitOffset[128];
    for (std::uint32_t bit = 0; bit < 128; ++bit) {
        std::uint32_t v[3];
        grid.Voxel(0, bit, v);
        bitOffset[bit] = (v[2] * size + v[1]) * size + v[0];
    }

    brick.attributeOffsets.resize(words.size());
    brick.attributeValues.clear();
    brick.attributeValues.reserve(setBits + (setBits & 1));
    std::size_t w = 0;
    for (std::uint32_t bz = 0; bz < grid.words[2]; ++bz) {
        for (std::uint32_t by = 0; by < grid.words[1]; ++by) {
            for (std::uint32_t bx = 0; bx < grid.words[0]; ++bx, ++w) {
                if (IsEmpty(words[w])) continue;
                brick.attributeOffsets[w] = static_cast<std::uint32_t>(brick.attributeValues.size());
                Value* block = scratch + ((bz * Dimensions[2] * size + by * Dimensions[1]) * size + bx * Dimensions[0]);
                ForEachSetBit(words[w], [&](std::uint32_t bit) {
                    Value& element = block[bitOffset[bit]];
                    brick.attributeValues.push_back(encode(element));
                    element = Value {};
                });
            }
        }
    }
    if (brick.attributeValues.size() & 1) brick.attributeValues.push_back(0);
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
    if (!OccupancyGrid::IsValidBrickSize(brickSize)) {
        QZ_THROW("ParticleSplatter::SplatBrick", "Invalid brick size ", brickSize,
                 ": a power of two of at least 8 is needed");
    }
    const OccupancyGrid grid(brickSize);
    const BrickParticle<Attr>* records = brick.particles.template Get<Attr>();
    const std::uint64_t count = brick.particleCount;
    if (count > 0 && records == nullptr) {
        QZ_THROW("ParticleSplatter::SplatBrick", "The brick holds ", count,
                 " particles, but no records of the splatter's attribute kind");
    }
    OccupancyWord* words = PrepareLevels<Attr>(brick, grid).data();
    const std::size_t voxelCount = static_cast<std::size_t>(brickSize) * brickSize * brickSize;

    std::uint64_t outside = 0;
    if constexpr (std::is_same_v<Attr, ParticleTypes::ParticleAttributes_VMag>) {
        float* maxima = scratch.Prepare(voxelCount);
        outside = SetOccupancy(records, count, grid, words, [maxima](const auto& record, std::size_t v) {
            if (record.attributes.magnitude > maxima[v]) maxima[v] = record.attributes.magnitude;
        });
        EncodeAttributes(brick, grid, maxima, [velocityMaximum](float magnitude) {
            return EncodeVelocityMagnitude(magnitude, velocityMaximum);
        });
        scratch.clean = true;
    } else if constexpr (std::is_same_v<Attr, ParticleTypes::ParticleAttributes_ColorCount>) {
        ColorAccumulator* sums = scratch.Prepare(voxelCount);
        outside = SetOccupancy(records, count, grid, words, [sums](const auto& record, std::size_t v) {
            ColorAccumulator& sum = sums[v];
            sum.red += record.attributes.red;
            sum.green += record.attributes.green;
            sum.blue += record.attributes.blue;
            ++sum.count;
        });
        EncodeAttributes(brick, grid, sums, [](const ColorAccumulator& sum) { return EncodeAverageColor(sum); });
        scratch.clean = true;
    } else {
        outside = SetOccupancy(records, count, grid, words, [](const auto&, std::size_t) {});
    }

    BrickParticleArray splatted = std::move(brick.particles);
    brick.particleCount = 0;
    brick.splatted = true;
    brick.postProcessed = false;

    if (outside > 0) {
        auto message = qz::core::Logger::BeginMessage(qz::core::LogLevelImportant);
        message.SetType(qz::core::LogTypeWarning);
        message << outside << " particle records of the brick at level " << brick.level << " ["
                << brick.position[0] << ", " << brick.position[1] << ", " << brick.position[2]
                << "] lie outside its " << brickSize << " voxels and were not splatted";
    }
    return splatted;
}
