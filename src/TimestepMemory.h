#pragma once
// What building one timestep from particles will need, estimated before the memory is
// asked for, so that a load that cannot fit is refused with a clear error instead of
// being ended by the kernel part-way.

#include <cstdint>
#include <string>

struct TimestepMemory {
    // Before reading: the converted particles, one record per particle, the leaf-brick
    // counters and the read buffers.
    std::uint64_t particles = 0;
    std::uint64_t records = 0;
    std::uint64_t leafCounters = 0;
    std::uint64_t buffers = 0;
    // Once the leaves are known: their records and, after splatting, the occupancy words
    // (with the mip levels and attribute data of attribute kinds) of every leaf brick.
    std::uint64_t leafRecords = 0;
    std::uint64_t volumeData = 0;

    std::uint64_t Total() const { return particles + records + leafCounters + buffers + leafRecords + volumeData; }

    // The occupancy and attribute data of `bricks` leaf bricks of edge `brickSize` holding
    // `records` records in all.
    static std::uint64_t VolumeData(std::uint64_t bricks, std::uint32_t brickSize, bool attributes,
                                    std::uint64_t records);

    // Empty when `available` bytes suffice, else the error text naming what is needed.
    std::string Refusal(std::uint64_t available) const;
};
