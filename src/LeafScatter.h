#pragma once
// The scatter of the octree build: a parallel counting sort of brick records into the
// arrays of their leaves. Each thread counts its own records per leaf, the counts become
// private write offsets per thread and leaf, and each thread then writes its records into
// its own part of every leaf array: no shared cursor, no shared cache line on the hot
// path. The counts are checked against the array sizes before anything is written, so
// records and arrays that disagree are reported, never written past an array.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <omp.h>
#include <vector>

// The leaves that receive records, numbered densely.
template <class Record>
struct LeafArrays {
    static constexpr std::uint32_t NoLeaf = 0xFFFFFFFFu;

    // Per leaf-grid index: the dense number of its leaf, or NoLeaf.
    std::vector<std::uint32_t> denseIndex;
    // Per dense number: the leaf's array and its size.
    std::vector<Record*> arrays;
    std::vector<std::uint64_t> sizes;
};

// Limits the private offset tables (threads x leaves) to 64 MiB; with more leaves than
// that allows, fewer threads share the work.
constexpr std::uint64_t MaxPrivateOffsets = std::uint64_t {1} << 23;

// Writes every record of `records` and of every list in `copyLists` into its leaf's
// array. Returns false, having written nothing, unless the records fill every array
// exactly.
template <class Record, class CopyLists>
bool ScatterIntoLeaves(const LeafArrays<Record>& leaves, const Record* records, std::uint64_t count,
                       const CopyLists& copyLists)
{
    const std::uint64_t leafCount = leaves.denseIndex.size();
    const std::uint64_t occupied = leaves.arrays.size();
    const auto maxThreads = static_cast<std::uint64_t>(omp_get_max_threads());
    const std::uint64_t threads = std::clamp<std::uint64_t>(MaxPrivateOffsets / std::max<std::uint64_t>(occupied, 1), 1, maxThreads);
    std::vector<std::uint64_t> offsets(threads * occupied, 0);
    std::atomic<bool> mismatch {false};

    // Runs fn(record) over this thread's records: a contiguous range of `records` and
    // every team-th copy list.
    auto forMine = [&](std::uint64_t thread, std::uint64_t team, auto&& fn) {
        const std::uint64_t begin = count * thread / team;
        const std::uint64_t end = count * (thread + 1) / team;
        for (std::uint64_t i = begin; i < end; ++i) fn(records[i]);
        for (std::uint64_t list = thread; list < copyLists.size(); list += team) {
            for (const Record& record : copyLists[list]) fn(record);
        }
    };

#pragma omp parallel num_threads(static_cast<int>(threads))
    {
        const auto team = static_cast<std::uint64_t>(omp_get_num_threads());
        const auto thread = static_cast<std::uint64_t>(omp_get_thread_num());
        std::uint64_t* mine = offsets.data() + thread * occupied;
        bool known = true;
        forMine(thread, team, [&](const Record& record) {
            const std::uint32_t k = record.brickIndex;
            const std::uint32_t d = k < leafCount ? leaves.denseIndex[k] : LeafArrays<Record>::NoLeaf;
            if (d == LeafArrays<Record>::NoLeaf) {
                known = false;
            } else {
                ++mine[d];
            }
        });
        if (!known) mismatch.store(true, std::memory_order_relaxed);
#pragma omp barrier

#pragma omp for schedule(static)
        for (std::uint64_t d = 0; d < occupied; ++d) {
            std::uint64_t running = 0;
            for (std::uint64_t t = 0; t < team; ++t) {
                const std::uint64_t c = offsets[t * occupied + d];
                offsets[t * occupied + d] = running;
                running += c;
            }
            if (running != leaves.sizes[d]) mismatch.store(true, std::memory_order_relaxed);
        }

        if (!mismatch.load(std::memory_order_relaxed)) {
            forMine(thread, team, [&](const Record& record) {
                const std::uint32_t d = leaves.denseIndex[record.brickIndex];
                leaves.arrays[d][mine[d]++] = record;
            });
        }
    }
    return !mismatch.load();
}
