// The octree build: a counting sort of the inserted records into exactly the leaf bricks
// that received particles, with the inner bricks on their paths. The leaf counters give
// each leaf array its exact size; the scatter (LeafScatter.h) fills them in parallel.

#include "src/LeafScatter.h"
#include "src/ParticleVolume.h"
#include "src/ParticleVolumeSources.h"

#include "tarnwick/utils/Timer.h"

#include <algorithm>
#include <filesystem>
#include <utility>

namespace {

const char* const StatisticsFolder = "./Media";
const char* const StatisticsFile = "./Media/particleVolumeStatistics.csv";

}  // namespace

template <class Attr>
void ParticleVolume<Attr>::Create(int timestep)
{
    qz::core::Logger::BeginMessageWith("Creating particle volume for timestep ") << timestep;
    TimestepPointer data = RequireTimestep("Create", timestep);
    if (!leafCounters || counterCount != geometry.leafCount) {
        QZ_VOLUME_THROW("Create", "PrepareTemporaryData() call missing before Create()");
    }
    const std::uint64_t n = records.size();
    qz::core::Logger::BeginMessageWith(n) << " are waiting to be inserted";
    statistics.particleCount = static_cast<std::int64_t>(n);
    statistics.overlapParticleCount = 0;

    const std::string boxError = BoxMapping::CheckBox(boundingBox);
    if (boxError.empty()) {
        BoxMapping::FromBox(boundingBox).WorldToVolume(worldToVolume.m);
    } else if (n > 0) {
        QZ_VOLUME_THROW("Create", boxError);
    } else {
        // Nothing was inserted into a box that cannot be mapped (a given one); keep none.
        std::fill(std::begin(boundingBox), std::end(boundingBox), 0.0f);
    }

    const VolumeGeometry& g = geometry;
    const std::uint32_t mask = g.leavesPerAxis - 1;
    qz::core::Logger::BeginMessageWith("Creating sparse octree");
    qz::utils::Timer stopwatch;
    stopwatch.Start();
    LeafArrays<Record> leaves;
    leaves.denseIndex.assign(g.leafCount, LeafArrays<Record>::NoLeaf);
    std::vector<Brick*> filled;
    const std::size_t leavesBefore = data->leafBricks.size();
    // A failed build must not leave arrays that were never filled for splatting.
    auto rollBack = [&] {
        for (std::size_t d = 0; d < filled.size(); ++d) {
            filled[d]->particles.Reset();
            filled[d]->particleCount = 0;
            filled[d]->totalParticleCount -= leaves.sizes[d];
        }
        data->leafBricks.resize(leavesBefore);
    };
    std::uint64_t leafCount = 0;
    std::uint64_t leafRecords = 0;
    for (std::uint32_t k = 0; k < g.leafCount; ++k) {
        const std::uint64_t c = leafCounters[k].load(std::memory_order_relaxed);
        leafCount += c != 0;
        leafRecords += c;
    }
    TimestepMemory needed;
    needed.leafRecords = leafRecords * sizeof(Record);
    needed.volumeData = TimestepMemory::VolumeData(leafCount, g.brickSize, HasAttributes(), leafRecords);
    RequireMemory("Create", needed);

    try {
        std::vector<std::pair<Brick*, std::uint64_t>> found;
        std::uint64_t total = 0;
        for (std::uint32_t k = 0; k < g.leafCount; ++k) {
            const std::uint64_t c = leafCounters[k].load(std::memory_order_relaxed);
            if (c == 0) continue;
            const std::uint32_t position[3] = {k & mask, k >> g.leafLevel & mask, k >> 2 * g.leafLevel};
            std::int64_t reached[3];
            Brick* brick = Descend(data->root, position, g.leafLevel, true, reached);
            if (brick->particleCount != 0) QZ_VOLUME_THROW("Create", "Brick already contains particles");
            leaves.denseIndex[k] = static_cast<std::uint32_t>(found.size());
            found.emplace_back(brick, c);
            total += c;
        }
        // One block for every leaf of the build: one mapping instead of thousands of
        // allocations, in huge pages, freed when the last leaf has been splatted.
        auto block = std::make_shared<LargeMemory::Block>(total * sizeof(Record), memoryPool);
        auto* next = static_cast<Record*>(block->Data());
        for (const auto& [brick, c] : found) {
            // Splatting normally frees the records; a brick whose records were only
            // forgotten still holds them, and Share lets go of them.
            brick->particles.Share(next, block);
            leaves.arrays.push_back(next);
            leaves.sizes.push_back(c);
            filled.push_back(brick);
            brick->particleCount = c;
            brick->totalParticleCount += c;
            data->leafBricks.push_back(brick);
            next += c;
        }
        stopwatch.Stop();
        qz::core::Logger::BeginMessageWith(stopwatch);
        statistics.octreeTime = stopwatch.Total();

        qz::core::Logger::BeginMessageWith("Sorting particles by node index");
        stopwatch.Start();
        // Records and counters come from one insertion, unless that insertion failed.
        if (!ScatterIntoLeaves(leaves, records.data(), records.size(), threadRecords)) {
            QZ_VOLUME_THROW("Create", "The inserted records do not match the leaf counters");
        }
    } catch (...) {
        rollBack();
        throw;
    }
    leaves = {};
    stopwatch.Stop();
    qz::core::Logger::BeginMessageWith(stopwatch);
    statistics.sortTime = stopwatch.Total();

    RecordBuildStatistics();
    data->created = true;
    ClearTemporaryData();
}

template <class Attr>
void ParticleVolume<Attr>::RecordBuildStatistics()
{
    // The statistics must not cost a finished build: without the folder, or with a file
    // that cannot be written, the build goes on with a warning.
    try {
        if (!statisticsRecorder.IsRecording()) {
            std::error_code error;
            std::filesystem::create_directories(StatisticsFolder, error);
            if (!std::filesystem::is_directory(StatisticsFolder, error)) {
                auto warning = qz::core::Logger::BeginMessage(qz::core::LogLevelImportant);
                warning.SetType(qz::core::LogTypeWarning);
                warning << "Volume statistics are not recorded: the folder \"" << StatisticsFolder
                        << "\" cannot be created";
                return;
            }
            statisticsRecorder.Start(StatisticsFile);
        }
        statisticsRecorder.AddRecord();
    } catch (const qz::core::Exception&) {
        auto warning = qz::core::Logger::BeginMessage(qz::core::LogLevelImportant);
        warning.SetType(qz::core::LogTypeWarning);
        warning << "Volume statistics of this build are not recorded";
    }
}

#define QZ_INSTANTIATE(Attr)                                                                 \
    template void ParticleVolume<Attr>::Create(int);                                      \
    template void ParticleVolume<Attr>::RecordBuildStatistics();
QZ_FOR_EACH_ATTRIBUTE_KIND(QZ_INSTANTIATE)
#undef QZ_INSTANTIATE
