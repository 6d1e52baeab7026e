#pragma once
// The attribute-independent face of a particle volume: the timesteps of one data set,
// each a sparse brick octree inside the cube [-1,1]^3.
//
// Threads: the loading task creates and builds timesteps while the main thread selects
// and walks them. The timestep list and the current index are therefore reached through
// the accessors below, which hold a lock; a timestep handed out stays alive as long as
// its pointer is held, whatever happens to the list.

#include "src/Brick.h"
#include "src/ParticleVolumeStatistics.h"
#include "src/TimestepAnalysis.h"
#include "src/VolumeGeometry.h"
#include "platform/xmath/DirectXMath.h"
#include "tarnwick/dev/StatisticsRecorder.h"
#include "tarnwick/utils/Timer.h"
#include "tarnwick/utils/ViewFrustum.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct ProcessedParticleVolumeFileHeader;
template <class Word>
struct ProcessedBrick;

class ParticleVolumeInterface {
public:
    struct TimestepAttributes {
        Brick root;
        // The leaves that received particles, in creation order; not owning.
        std::vector<Brick*> leafBricks;
        // The octree build has finished.
        bool created = false;
    };
    using TimestepPointer = std::shared_ptr<TimestepAttributes>;

    ParticleVolumeInterface();
    virtual ~ParticleVolumeInterface();
    ParticleVolumeInterface(const ParticleVolumeInterface&) = delete;
    ParticleVolumeInterface& operator=(const ParticleVolumeInterface&) = delete;

    // Writes a timestep (every timestep for -1) to a processed particle volume file named
    // by a printf-style pattern such as base + "_%04d.ppv".
    virtual void SaveProcessedFile(const std::string& fileNamePattern, int timestep) = 0;
    // All bits set selects the current timestep.
    virtual TimestepAnalysis AnalyzeTimestep(std::uint32_t timestep) = 0;
    virtual bool HasAttributes() const = 0;
    virtual std::uint32_t CreateTimestep(bool select) = 0;
    // Fills a timestep (the current one for -1) with the bricks of a loaded processed file,
    // which are consumed.
    virtual void AddDataFromProcessedParticleFile(const ProcessedParticleVolumeFileHeader& header,
                                                  std::vector<ProcessedBrick<Brick::OccupancyWord>>& bricks,
                                                  int timestep) = 0;
    virtual void Create(int timestep) = 0;
    virtual bool HasTimesteps() const { return GetTimestepCount() != 0; }
    virtual void ClearAll() = 0;
    virtual void ClearParticleData(int timestep) = 0;
    virtual void ClearVolumeData(int timestep) = 0;

    // Brick size (a power of two from 8 to 1024), overlap (twice it below the brick size)
    // and level count (1 to VolumeGeometry::MaxLevelCount); other values are errors.
    void Prepare(std::uint32_t brickSize, std::uint32_t overlap, std::uint32_t levels);
    // Selects an existing timestep; other indices change nothing.
    void SetTimestep(int timestep);

    // All bits set until Prepare.
    std::uint32_t GetBrickSize() const { return brickSize; }
    std::uint32_t GetOverlap() const { return overlap; }
    std::uint32_t GetLevelCount() const { return levelCount; }
    bool IsPrepared() const { return levelCount != ~0u; }
    const VolumeGeometry& GetGeometry() const { return geometry; }

    // -1 when none is selected.
    int GetCurrentTimestep() const;
    std::size_t GetTimestepCount() const;
    // Null when the index names no timestep.
    TimestepPointer GetTimestep(int index) const;

    // Breadth-first walk of a timestep's tree, root first, children in child-number
    // order; bricks whose box the frustum (when given) rejects are skipped with their
    // subtrees. The function may change bricks but not add or remove children.
    static void ForEachBrick(TimestepAttributes* timestep, std::function<void(Brick&)> function,
                             const ViewFrustum* frustum);

    // Insertion swaps the y and z voxel coordinates.
    bool swapYZ = false;
    ParticleVolumeStatistics statistics;
    // One line per timestep build into "./Media/particleVolumeStatistics.csv".
    qz::dev::StatisticsRecorder statisticsRecorder;
    // World-space box of the particles: minimum x, y, z, then maximum x, y, z.
    float boundingBox[6] = {0, 0, 0, 0, 0, 0};
    // Row vectors; maps world positions into [-1,1]^3. Set by the octree build.
    DirectX::XMFLOAT4X4 worldToVolume;
    // Insertion time of the timestep being built.
    qz::utils::Timer timer;

protected:
    // Appends a timestep whose root carries its index and returns that index.
    std::uint32_t AppendTimestep(bool select);
    void RemoveAllTimesteps();

    std::uint32_t brickSize = ~0u;
    std::uint32_t overlap = ~0u;
    std::uint32_t levelCount = ~0u;
    VolumeGeometry geometry;

private:
    mutable std::mutex timestepsMutex;
    // Published in the statistics registry as "particlevolume" / "timestep", which the
    // main thread reads without the lock.
    std::vector<TimestepPointer> timesteps;
    std::int32_t currentTimestep = -1;
};
