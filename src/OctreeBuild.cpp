// The octree build: a counting sort of the inserted records into exactly the leaf bricks
// that received particles, with the inner bricks on their paths.

#include "src/ParallelFailure.h"
#include "src/ParticleVolume.h"

#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/utils/Timer.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <omp.h>

namespace {

const char* const StatisticsFolder = "./Media";
const char* const StatisticsFile = "./Media/particleVolumeStatistics.csv";

// Copies the records into their leaves' arrays. Each counter holds the number of slots
// of its leaf not yet taken; a run of records of one leaf takes its slots at once from
// the top. Returns false when a record names a leaf that has no free slot left; such a
// counter goes below zero (read as signed) and stays there, so no thread writes past an
// array even when records and counters disagree.
template <class Record>
bool ScatterRange(const Record* records, std::uint64_t count, Record* const* leafArrays,
                  std::atomic<std::uint64_t>* remaining, std::uint64_t leafCount)
{
    std::uint64_t i = 0;
    while (i < count) {
        const std::uint32_t k = records[i].brickIndex;
        std::uint64_t run = 1;
        while (i + run < count && records[i + run].brickIndex == k) ++run;
        if (k >= leafCount) return false;
        const std::uint64_t before = remaining[k].fetch_sub(run, std::memory_order_relaxed);
        if (static_cast<std::int64_t>(before) < static_cast<std::int64_t>(run)) return false;
        std::memcpy(static_cast<void*>(leafArrays[k] + (before - run)), records + i, run * sizeof(Record));
        i += run;
    }
    return true;
}

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
        // Nothing was inserted, so no box was found (an empty file leaves the computed box
        // empty); keep none rather than an empty one.
        std::fill(std::begin(boundingBox), std::end(boundingBox), 0.0f);
    }

    const VolumeGeometry& g = geometry;
    const std::uint32_t mask = g.leavesPerAxis - 1;
    qz::core::Logger::BeginMessageWith("Creating sparse octree");
    qz::utils::Timer stopwatch;
    stopwatch.Start();
    std::vector<Record*> leafArrays(g.leafCount, nullptr);
    for (std::uint32_t k = 0; k < g.leafCount; ++k) {
        const std::uint64_t c = leafCounters[k].load(std::memory_order_relaxed);
        if (c == 0) continue;
        const std::uint32_t position[3] = {k & mask, k >> g.leafLevel & mask, k >> 2 * g.leafLevel};
        std::int64_t reached[3];
        Brick* brick = Descend(data->root, position, g.leafLevel, true, reached);
        if (brick->particleCount != 0) QZ_VOLUME_THROW("Create", "Brick already contains particles");
        // Splatting normally frees the records; a brick whose records were only forgotten
        // still holds them, and Allocate releases them.
        leafArrays[k] = brick->particles.template Allocate<Attr>(c);
        brick->particleCount = c;
        brick->totalParticleCount += c;
        data->leafBricks.push_back(brick);
    }
    stopwatch.Stop();
    qz::core::Logger::BeginMessageWith(stopwatch);
    statistics.octreeTime = stopwatch.Total();

    qz::core::Logger::BeginMessageWith("Sorting particles by node index");
    stopwatch.Start();
    ScatterRecords(leafArrays);
    std::vector<Record*>().swap(leafArrays);
    stopwatch.Stop();
    qz::core::Logger::BeginMessageWith(stopwatch);
    statistics.sortTime = stopwatch.Total();

    RecordBuildStatistics();
    data->created = true;
    ClearTemporaryData();
}

template <class Attr>
void ParticleVolume<Attr>::ScatterRecords(const std::vector<Record*>& leafArrays)
{
    std::atomic<std::uint64_t>* remaining = leafCounters.get();
    const std::uint64_t leafCount = counterCount;
    const std::uint64_t count = records.size();
    ParallelFailure failure;
    std::atomic<bool> mismatch {false};

#pragma omp parallel
    {
        const auto blocks = static_cast<std::uint64_t>(omp_get_num_threads());
#pragma omp for schedule(static)
        for (std::uint64_t block = 0; block < blocks; ++block) {
            failure.Guard([&] {
                const std::uint64_t begin = count * block / blocks;
                const std::uint64_t stop = count * (block + 1) / blocks;
                if (!ScatterRange(records.data() + begin, stop - begin, leafArrays.data(), remaining, leafCount)) {
                    mismatch.store(true, std::memory_order_relaxed);
                }
            });
        }
#pragma omp for schedule(static)
        for (std::size_t list = 0; list < threadRecords.size(); ++list) {
            failure.Guard([&] {
                const auto& copies = threadRecords[list];
                if (!ScatterRange(copies.data(), copies.size(), leafArrays.data(), remaining, leafCount)) {
                    mismatch.store(true, std::memory_order_relaxed);
                }
            });
        }
    }

    failure.RethrowIfFailed();
    // Every slot must have been written once: records and counters come from one
    // insertion, unless that insertion failed half-way.
    for (std::uint64_t k = 0; k < leafCount && !mismatch.load(); ++k) {
        if (remaining[k].load(std::memory_order_relaxed) != 0) mismatch.store(true);
    }
    if (mismatch.load()) {
        QZ_VOLUME_THROW("Create", "The inserted records do not match the leaf counters");
    }
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
    template void ParticleVolume<Attr>::ScatterRecords(const std::vector<BrickParticle<Attr>*>&); \
    template void ParticleVolume<Attr>::RecordBuildStatistics();
QZ_FOR_EACH_ATTRIBUTE_KIND(QZ_INSTANTIATE)
#undef QZ_INSTANTIATE
