#pragma once
// A particle volume of one attribute kind: timestep creation, parallel insertion of the
// particles into the leaf grid (with overlap copies), and the octree build that sorts the
// records into their leaf bricks.
//
// Building a timestep from particles:
//   CreateTimestep -> PrepareTemporaryData -> size `chunks` and `records`, fill the chunks
//   -> InsertParticles (once, or once per chunk) -> Create; or, from a particle file,
//   CreateTimestep -> AddDataFromRawParticleFile, which does all of that (RawFileLoading.h).
// Chunks hold chunkLength particles each (the last one of an insertion range fewer);
// `records` holds one record per particle at its global index.

#include "src/BrickParticle.h"
#include "src/LargeArray.h"
#include "src/ParticleLoader.h"
#include "src/ParticleVolumeInterface.h"
#include "src/ParticleTypes.h"
#include "src/TimestepMemory.h"
#include "tarnwick/utils/MemUtils.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

template <class Attr>
class ParticleVolume : public ParticleVolumeInterface {
public:
    using Record = BrickParticle<Attr>;
    using Particle = ParticleTypes::VolumeParticle<Attr>;
    using ParticleChunk = LargeVector<Particle>;
    using RecordList = LargeVector<Record>;
    static constexpr std::uint64_t ChunkSize = 50'000'000;
    // Particles per chunk of raw-file loading and insertion; smaller in tests.
    std::uint64_t chunkLength = ChunkSize;
    // Bytes the process can still use; a build that needs more is refused before it
    // allocates. Replaceable in tests.
    std::function<std::uint64_t()> availableMemory = [] { return qz::utils::SystemMemoryUsage::GetAvailableMemory(); };

    ParticleVolume();
    ~ParticleVolume() override;

    void SaveProcessedFile(const std::string& fileNamePattern, int timestep) override;
    TimestepAnalysis AnalyzeTimestep(std::uint32_t timestep) override;
    bool HasAttributes() const override;
    std::uint32_t CreateTimestep(bool select) override;
    void AddDataFromProcessedParticleFile(const ProcessedParticleVolumeFileHeader& header,
                                          std::vector<ProcessedBrick<Brick::OccupancyWord>>& bricks,
                                          int timestep) override;
    void Create(int timestep) override;
    void ClearAll() override;
    void ClearParticleData(int timestep) override;
    void ClearVolumeData(int timestep) override;

    void PrepareTemporaryData();
    // Inserts the chunks first ... end - 1; first == end inserts every chunk.
    void InsertParticles(std::uint64_t first, std::uint64_t end);
    void ClearTemporaryData();

    // Moves the records of an open reader into `timestep` (-1: the current one) and builds
    // its octree. `givenBox` (minimum x, y, z, maximum x, y, z) places the data in timestep
    // 0; a box whose minimum equals its maximum asks for the box of the data. `count`
    // limits the records read from the reader's position; 0 or less reads them all.
    template <class T>
    void AddDataFromRawParticleFile(ParticleLoader<T>* reader, const float (&givenBox)[6], int timestep,
                                    std::int64_t count);

    // The brick at that grid position of that level, created with its path when `create`
    // is set; null when it is missing and `create` is not set.
    Brick* GetBrick(int timestep, const std::uint32_t position[3], int level, bool create);

    static void ResetBrickParticleCount(Brick& brick);
    static void FreeBrickVolumeData(Brick& brick);
    static void AnalyzeBrick(TimestepAnalysis& result, const Brick& brick);

    // Empty arrays whose memory comes from the volume's pool.
    ParticleChunk NewChunk() const { return ParticleChunk(LargeArrayAllocator<Particle>(memoryPool)); }
    RecordList NewRecordList() const { return RecordList(LargeArrayAllocator<Record>(memoryPool)); }

    // Keeps the large blocks of one timestep build for the next: chunks, records and the
    // records of the leaves.
    const std::shared_ptr<LargeMemory::Pool> memoryPool = std::make_shared<LargeMemory::Pool>();
    // Temporary insertion data, from PrepareTemporaryData to the end of Create.
    // Overlap copies, one list per OpenMP thread.
    std::vector<RecordList> threadRecords;
    std::vector<ParticleChunk> chunks;
    RecordList records;
    // Records (own and copies) per leaf brick.
    std::unique_ptr<std::atomic<std::uint64_t>[]> leafCounters;

private:
    // "ParticleVolume<struct ParticleTypes::ParticleAttributes_...>::" + operation.
    static std::string MethodName(const char* operation);
    // The timestep of that index; fails as `operation` when there is none.
    TimestepPointer RequireTimestep(const char* operation, int index) const;
    // The descent from the root towards that brick; `reached` is the position where it
    // ended, which differs from the requested one when that lies outside the grid.
    static Brick* Descend(Brick& root, const std::uint32_t position[3], std::uint32_t level,
                          bool create, std::int64_t reached[3]);
    void InsertRange(std::uint64_t first, std::uint64_t count);
    // Fails as `operation` when the memory available (with the pool's kept blocks) is
    // less than `needed`.
    void RequireMemory(const char* operation, const TimestepMemory& needed) const;
    void RecordBuildStatistics();

    // Number of leafCounters, fixed when they were made.
    std::uint64_t counterCount = 0;
};

#include "src/RawFileLoading.h"
