#pragma once
// A node of the sparse brick octree of one timestep inside the cube [-1,1]^3. Level 0 is
// the whole cube; a brick of level L is one cell of the 2^L grid. The leaves receive
// particles; every brick is the unit of splatting, of processed files and of GPU paging.
// Fields of the GPU side are plain data here; their owner there gives them meaning.

#include "src/BrickDescriptor.h"
#include "src/BrickParticleArray.h"
#include "tarnwick/core/SimpleVec4.h"
#include "tarnwick/utils/AABox.h"
#include "tarnwick/utils/MemUtils.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

struct Brick {
    using OccupancyWord = qz::core::SimpleVec4<unsigned int>;

    Brick() = default;
    Brick(const Brick&) = delete;
    Brick& operator=(const Brick&) = delete;

    // Child of a brick at (x, y, z) that lies at (2x + i, 2y + j, 2z + k).
    static constexpr unsigned ChildNumber(unsigned i, unsigned j, unsigned k)
    {
        return i + 2 * j + 4 * k;
    }
    // Creates the child of that number with its level, position, timestep and box;
    // replaces (and destroys) a child already there.
    Brick& CreateChild(unsigned childNumber);
    // Holds a slot of the GPU brick pool.
    bool IsResident() const
    {
        return static_cast<std::int32_t>(gpuSlot.index) >= 0 && gpuSlot.reserved;
    }

    // Owning: destroying a brick destroys its subtree.
    std::unique_ptr<Brick> children[8];
    // Occupancy words per mip level, level 0 the full resolution.
    std::vector<std::vector<OccupancyWord>> levels;
    std::vector<std::uint8_t> foamVolume;
    std::vector<std::uint32_t> attributeOffsets;
    std::vector<std::uint16_t> attributeValues;
    std::uint64_t attributeAddress = ~std::uint64_t {0};
    std::int64_t attributeStamp = -1;
    // Place in the GPU side's list of resident bricks.
    void* lruPosition = nullptr;
    bool inLruList = false;
    std::int64_t lastUsedFrame = -1;
    // Index of the owning timestep; -1 until the timestep's root is given one.
    std::int32_t timestep = -1;
    // Records waiting to be splatted, `particleCount` of them.
    BrickParticleArray particles;
    std::uint64_t particleCount = 0;
    // Every count the brick has received; never lowered.
    std::uint64_t totalParticleCount = 0;
    bool splatted = false;
    bool postProcessed = false;
    // The last splat of the brick failed: its records were never turned into occupancy
    // data, so no file may be saved as if it had been. Cleared by a splat that succeeds.
    bool splatFailed = false;
    // A splat job for the brick waits or runs; set and cleared by the splatter across threads.
    std::atomic<bool> queued {false};
    qz::utils::FixedSlotMemoryManager::Slot gpuSlot;
    std::uint32_t slotOffset[3] = {0, 0, 0};
    std::uint32_t descIndex = 0xFFFFFFFFu;
    shader::Brick desc;
    std::uint32_t level = 0;
    std::uint32_t position[3] = {0, 0, 0};
    qz::utils::AABox box;
};

// The box of the brick of that level and grid position: edge 2 / 2^level per axis.
void SetBrickBox(qz::utils::AABox& box, std::uint32_t level, const std::uint32_t position[3]);
