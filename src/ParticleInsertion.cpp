// Insertion of particles into the leaf grid: every particle becomes one record of its
// leaf brick plus copies for the neighbours whose overlap border holds it, and every
// record is counted on its brick's atomic counter for the octree build.

#include "src/ParallelFailure.h"
#include "src/ParticleVolume.h"
#include "src/ParticleVolumeSources.h"


#include <algorithm>
#include <omp.h>

namespace {

// Leaf grids up to 7 levels: a private table of 2 MiB per thread.
constexpr std::uint32_t MaxPrivateCounters = 1u << 18;

// One thread's run of particles: their records into `out`, overlap copies appended to
// `copies`, every record counted. The geometry is taken by value, so that the compiler
// keeps it in registers rather than reloading it after every store. False when a brick
// index fell outside the grid (such records are written but neither counted nor copied).
template <class Particle, class Record, class CopyList, class Count>
bool InsertRun(const VolumeGeometry g, const BoxMapping mapping, const bool swap, const OverlapCopySteps steps,
               const Particle* particles, std::uint64_t n, Record* out, CopyList& copies, Count count)
{
    bool valid = true;
    for (std::uint64_t j = 0; j < n; ++j) {
        const Particle& p = particles[j];
        const QuantizedPosition q = QuantizePosition(g, mapping, swap, p.x, p.y, p.z);
        const std::uint32_t k = g.LeafIndex(q.brick[0], q.brick[1], q.brick[2]);
        out[j] = Record {PackBrickPosition(q.local[0], q.local[1], q.local[2]), p.attributes, k};
        if (k >= g.leafCount) {
            valid = false;
            continue;
        }
        count(k);
        ForEachOverlapCopy(g, steps, q, k, [&](std::uint32_t packed, std::uint32_t brick) {
            copies.push_back(Record {packed, p.attributes, brick});
            count(brick);
        });
    }
    return valid;
}

}  // namespace

template <class Attr>
void ParticleVolume<Attr>::InsertParticles(std::uint64_t first, std::uint64_t end)
{
    qz::core::Logger::BeginMessageWith("Starting insertion of ")
        << static_cast<std::int64_t>(end - first) << " particles";
    if (!leafCounters || counterCount != geometry.leafCount) {
        QZ_VOLUME_THROW("InsertParticles", "PrepareTemporaryData() call missing before InsertParticles()");
    }
    if (first == end) {
        first = 0;
        end = chunks.size();
    }
    if (first > end || end > chunks.size()) {
        QZ_VOLUME_THROW("InsertParticles", "Invalid chunk range ", first, " - ", end, " of ", chunks.size(),
                        " chunks");
    }
    std::uint64_t count = 0;
    if (end > first) {
        for (std::uint64_t c = first; c + 1 < end; ++c) {
            if (chunks[c].size() != chunkLength) {
                QZ_VOLUME_THROW("InsertParticles", "Chunk ", c, " holds ", chunks[c].size(),
                                " particles; only the last chunk of a range may hold fewer than ", chunkLength);
            }
        }
        if (chunks[end - 1].size() > chunkLength) {
            QZ_VOLUME_THROW("InsertParticles", "Chunk ", end - 1, " holds ", chunks[end - 1].size(),
                            " particles; a chunk holds at most ", chunkLength);
        }
        count = (end - first - 1) * chunkLength + chunks[end - 1].size();
    }
    if (records.size() < first * chunkLength + count) {
        QZ_VOLUME_THROW("InsertParticles", "The record list holds ", records.size(), " records; ",
                        first * chunkLength + count, " are needed");
    }
    if (count > 0) {
        const std::string boxError = BoxMapping::CheckBox(boundingBox);
        if (!boxError.empty()) QZ_VOLUME_THROW("InsertParticles", boxError);
    }

    timer.Start();
    qz::core::Logger::BeginMessageWith("Parallel processing of ")
        << count << " chunks of size " << chunkLength << "starting...";
    try {
        if (count > 0) InsertRange(first, count);
    } catch (...) {
        timer.Pause();
        throw;
    }
    qz::core::Logger::BeginMessageWith("Processing finished.");
    for (std::uint64_t c = first; c < end; ++c) ParticleChunk().swap(chunks[c]);
    timer.Pause();
}

template <class Attr>
void ParticleVolume<Attr>::InsertRange(std::uint64_t first, std::uint64_t count)
{
    const VolumeGeometry g = geometry;
    const BoxMapping mapping = BoxMapping::FromBox(boundingBox);
    const bool swap = swapYZ;
    const OverlapCopySteps steps(g);
    const auto maxThreads = static_cast<std::size_t>(omp_get_max_threads());
    if (threadRecords.size() < maxThreads) threadRecords.resize(maxThreads);

    std::atomic<std::uint64_t>* counters = leafCounters.get();
    Record* out = records.data() + first * chunkLength;
    ParallelFailure failure;
    std::atomic<bool> invalidIndex {false};

#pragma omp parallel
    {
        const auto thread = static_cast<std::size_t>(omp_get_thread_num());
        const auto blocks = static_cast<std::uint64_t>(omp_get_num_threads());
        // A list of its own while the loop runs: neighbouring list headers in one array
        // would share cache lines.
        RecordList copies = std::move(threadRecords[thread]);

#pragma omp for schedule(static)
        for (std::uint64_t block = 0; block < blocks; ++block) {
            failure.Guard([&] {
                const std::uint64_t begin = count * block / blocks;
                const std::uint64_t stop = count * (block + 1) / blocks;
                // Room for one copy per particle costs address space only until used.
                if (copies.capacity() - copies.size() < stop - begin) {
                    copies.reserve(std::max(2 * copies.capacity(), copies.size() + (stop - begin)));
                }
                // With a small leaf grid each thread counts privately and adds its counts
                // to the shared counters once: clustered data would otherwise have every
                // thread increment the same few counters.
                std::vector<std::uint64_t> local(g.leafCount <= MaxPrivateCounters ? g.leafCount : 0);
                std::uint64_t* const mine = local.data();
                for (std::uint64_t i = begin; i < stop && !failure.Failed();) {
                    const ParticleChunk& chunk = chunks[first + i / chunkLength];
                    const std::uint64_t offset = i % chunkLength;
                    const std::uint64_t n = std::min<std::uint64_t>(chunk.size() - offset, stop - i);
                    const Particle* particles = chunk.data() + offset;
                    const bool valid =
                        local.empty()
                            ? InsertRun(g, mapping, swap, steps, particles, n, out + i, copies,
                                        [counters](std::uint32_t k) {
                                            counters[k].fetch_add(1, std::memory_order_relaxed);
                                        })
                            : InsertRun(g, mapping, swap, steps, particles, n, out + i, copies,
                                        [mine](std::uint32_t k) { ++mine[k]; });
                    if (!valid) invalidIndex.store(true, std::memory_order_relaxed);
                    i += n;
                }
                for (std::uint64_t k = 0; k < local.size(); ++k) {
                    if (local[k]) counters[k].fetch_add(local[k], std::memory_order_relaxed);
                }
            });
        }
        threadRecords[thread] = std::move(copies);
    }

    failure.RethrowIfFailed();
    if (invalidIndex.load()) QZ_VOLUME_THROW("InsertParticles", "Invalid brick index calculated");
}

#define QZ_INSTANTIATE(Attr)                                                              \
    template void ParticleVolume<Attr>::InsertParticles(std::uint64_t, std::uint64_t); \
    template void ParticleVolume<Attr>::InsertRange(std::uint64_t, std::uint64_t);
QZ_FOR_EACH_ATTRIBUTE_KIND(QZ_INSTANTIATE)
#undef QZ_INSTANTIATE
