#include "src/TimestepMemory.h"

#include "src/OccupancyWord.h"

#include <algorithm>
#include <sstream>

std::uint64_t TimestepMemory::VolumeData(std::uint64_t bricks, std::uint32_t brickSize, bool attributes,
                                         std::uint64_t records)
{
    const OccupancyGrid grid(brickSize);
    std::uint64_t words = grid.WordCount();
    if (attributes) {
        for (std::uint32_t k = 1; k < OccupancyGrid::MipLevelCount(brickSize); ++k) words += grid.WordCount(k);
    }
    std::uint64_t bytes = bricks * words * sizeof(OccupancyWord);
    if (attributes) {
        // One offset per level-0 word; one 16-bit value per occupied voxel, of which there
        // are no more than records (nor voxels), plus the padding value.
        const std::uint64_t voxels = static_cast<std::uint64_t>(brickSize) * brickSize * brickSize;
        bytes += bricks * grid.WordCount() * sizeof(std::uint32_t);
        bytes += 2 * (std::min(records, bricks * voxels) + bricks);
    }
    return bytes;
}

std::string TimestepMemory::Refusal(std::uint64_t available) const
{
    if (Total() <= available) return {};
    constexpr double MiB = 1024.0 * 1024.0;
    std::ostringstream text;
    text.setf(std::ios::fixed);
    text.precision(0);
    text << "Not enough memory: the timestep needs about " << static_cast<double>(Total()) / MiB << " MiB (";
    const char* separator = "";
    const auto part = [&](const char* name, std::uint64_t bytes) {
        if (bytes == 0) return;
        text << separator << name << " " << static_cast<double>(bytes) / MiB << " MiB";
        separator = ", ";
    };
    part("particles", particles);
    part("records", records);
    part("leaf counters", leafCounters);
    part("read buffers", buffers);
    part("leaf records", leafRecords);
    part("occupancy and attribute data", volumeData);
    text << "), but only " << static_cast<double>(available) / MiB << " MiB are available";
    return text.str();
}
