#include "src/ParticleVolume.h"
#include "src/ParticleVolumeSources.h"

#include "src/OccupancyWord.h"
#include "src/ParticleTypeNames.h"

#include <algorithm>
#include <omp.h>
#include <type_traits>

template <class Attr>
std::string ParticleVolume<Attr>::MethodName(const char* operation)
{
    return ParticleTypes::TemplateMethodName<Attr>("ParticleVolume", operation);
}

template <class Attr>
ParticleVolume<Attr>::ParticleVolume() = default;

template <class Attr>
ParticleVolume<Attr>::~ParticleVolume()
{
    if (statisticsRecorder.IsRecording()) {
        try {
            statisticsRecorder.End();
        } catch (const qz::core::Exception&) {
            // Reported where it failed; a destructor goes on.
        }
    }
}

template <class Attr>
bool ParticleVolume<Attr>::HasAttributes() const
{
    return !std::is_same_v<Attr, ParticleTypes::ParticleAttributes_None>;
}

template <class Attr>
std::uint32_t ParticleVolume<Attr>::CreateTimestep(bool select)
{
    qz::core::Logger::BeginMessageWith("Creating timestep");
    if (!IsPrepared()) {
        QZ_VOLUME_THROW("CreateTimestep", "Prepare() call missing before CreateTimestep()");
    }
    if (!records.empty()) {
        QZ_VOLUME_THROW("CreateTimestep", "There's temporary data existing, assure no timestep is already being created!");
    }
    const std::uint32_t index = AppendTimestep(select);
    timer.Stop();
    return index;
}

template <class Attr>
void ParticleVolume<Attr>::PrepareTemporaryData()
{
    // The overlap copies are mapped and given back on their own rather than kept: kept,
    // they would stay beside the leaves' records and the occupancy data while the bricks
    // are splatted, above the peak of the build.
    threadRecords.clear();
    threadRecords.resize(static_cast<std::size_t>(omp_get_max_threads()));
    leafCounters.reset();
    counterCount = 0;
    if (IsPrepared()) {
        leafCounters = std::make_unique<std::atomic<std::uint64_t>[]>(geometry.leafCount);
        counterCount = geometry.leafCount;
    }
    chunks.clear();
    records = NewRecordList();
}

template <class Attr>
void ParticleVolume<Attr>::ClearTemporaryData()
{
    qz::core::Logger::BeginMessageWith("Clearing temporary data");
    leafCounters.reset();
    counterCount = 0;
    std::vector<RecordList>().swap(threadRecords);
    std::vector<ParticleChunk>().swap(chunks);
    RecordList().swap(records);
}

template <class Attr>
void ParticleVolume<Attr>::RequireMemory(const char* operation, const TimestepMemory& needed) const
{
    const std::string refusal = needed.Refusal(availableMemory() + memoryPool->IdleBytes());
    if (!refusal.empty()) QZ_VOLUME_THROW(operation, refusal);
}

template <class Attr>
void ParticleVolume<Attr>::ClearAll()
{
    ClearTemporaryData();
    RemoveAllTimesteps();
}

template <class Attr>
void ParticleVolume<Attr>::ResetBrickParticleCount(Brick& brick)
{
    brick.particleCount = 0;
}

template <class Attr>
void ParticleVolume<Attr>::FreeBrickVolumeData(Brick& brick)
{
    brick.levels.clear();
    brick.attributeValues.clear();
    brick.foamVolume.clear();
    brick.postProcessed = false;
}

template <class Attr>
void ParticleVolume<Attr>::AnalyzeBrick(TimestepAnalysis& result, const Brick& brick)
{
    if (brick.levels.empty()) return;
    const bool resident = brick.IsResident();
    for (const auto& word : brick.levels[0]) {
        const auto bits = static_cast<std::uint64_t>(OccupancyPacking::CountBits(word));
        result.occupiedVoxels += bits;
        if (resident) {
            result.residentOccupiedVoxels += bits;
            result.residentWordCount += 1;
        }
    }
    result.brickCount += 1;
    const auto bytes = static_cast<float>(brick.levels[0].size() * sizeof(Brick::OccupancyWord));
    result.memory += static_cast<std::uint64_t>(bytes * 1.15f);
}

template <class Attr>
ParticleVolumeInterface::TimestepPointer ParticleVolume<Attr>::RequireTimestep(const char* operation,
                                                                              int index) const
{
    if (index < 0) QZ_VOLUME_THROW(operation, "No timestep selected");
    TimestepPointer timestep = GetTimestep(index);
    if (!timestep) {
        QZ_VOLUME_THROW(operation, "Invalid timestep ", index, ": the volume has ", GetTimestepCount(),
                        " timesteps");
    }
    return timestep;
}

template <class Attr>
void ParticleVolume<Attr>::ClearParticleData(int timestep)
{
    TimestepPointer data = RequireTimestep("ClearParticleData", timestep);
    ClearTemporaryData();
    ForEachBrick(data.get(), &ParticleVolume::ResetBrickParticleCount, nullptr);
}

template <class Attr>
void ParticleVolume<Attr>::ClearVolumeData(int timestep)
{
    qz::core::Logger::BeginMessageWith("Clearing volume data");
    TimestepPointer data = RequireTimestep("ClearVolumeData", timestep);
    ForEachBrick(data.get(), &ParticleVolume::FreeBrickVolumeData, nullptr);
}

template <class Attr>
TimestepAnalysis ParticleVolume<Attr>::AnalyzeTimestep(std::uint32_t timestep)
{
    qz::core::Logger::BeginMessageWith("Starting analysis of timestep ") << timestep;
    const int index = timestep == ~0u ? GetCurrentTimestep() : static_cast<int>(timestep);
    if (timestep != ~0u && timestep > static_cast<std::uint32_t>(INT32_MAX)) {
        QZ_VOLUME_THROW("AnalyzeTimestep", "Invalid timestep ", timestep);
    }
    TimestepPointer data = RequireTimestep("AnalyzeTimestep", index);
    TimestepAnalysis result;
    ForEachBrick(data.get(), [&result](Brick& brick) { AnalyzeBrick(result, brick); }, nullptr);
    return result;
}

template <class Attr>
Brick* ParticleVolume<Attr>::Descend(Brick& root, const std::uint32_t position[3], std::uint32_t level,
                                     bool create, std::int64_t reached[3])
{
    Brick* node = &root;
    std::int64_t cell = std::int64_t {1} << level;
    for (int a = 0; a < 3; ++a) reached[a] = 0;
    while (node->level < level) {
        const std::int64_t half = cell / 2;
        unsigned child = 0;
        for (int a = 0; a < 3; ++a) {
            const unsigned bit = static_cast<std::int64_t>(position[a]) - reached[a] * cell >= half;
            reached[a] = 2 * reached[a] + bit;
            child |= bit << a;
        }
        if (!node->children[child]) {
            if (!create) return nullptr;
            node->CreateChild(child);
        }
        node = node->children[child].get();
        cell = half;
    }
    return node;
}

template <class Attr>
Brick* ParticleVolume<Attr>::GetBrick(int timestep, const std::uint32_t position[3], int level,
                                      bool create)
{
    TimestepPointer data = RequireTimestep("GetBrick", timestep);
    if (level < 0 || static_cast<std::uint32_t>(level) >= std::min(levelCount, VolumeGeometry::MaxLevelCount)) {
        QZ_VOLUME_THROW("GetBrick", "Invalid brick level ", level);
    }
    std::int64_t reached[3];
    Brick* node = Descend(data->root, position, static_cast<std::uint32_t>(level), create, reached);
    if (!node) return nullptr;
    for (int a = 0; a < 3; ++a) {
        if (reached[a] != static_cast<std::int64_t>(position[a])) {
            QZ_VOLUME_THROW("GetBrick", "Index error: ", qz::core::LogVector3(position));
        }
    }
    return node;
}

#define QZ_INSTANTIATE(Attr) template class ParticleVolume<Attr>;
QZ_FOR_EACH_ATTRIBUTE_KIND(QZ_INSTANTIATE)
#undef QZ_INSTANTIATE
