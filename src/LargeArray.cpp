#include "src/LargeArray.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14
#endif

namespace LargeMemory {

namespace {

// Mapped size of a block: whole steps of 2 MiB, so that blocks of nearly the same size
// can serve each other.
std::size_t MappedSize(std::size_t bytes)
{
    return (bytes + Granule - 1) / Granule * Granule;
}

void* Map(std::size_t size)
{
    void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    return mapped;
}

}  // namespace

void* Allocate(std::size_t bytes)
{
    if (bytes == 0) bytes = 1;
    if (bytes < MappingThreshold) {
        void* memory = std::calloc(1, bytes);
        if (!memory) throw std::bad_alloc();
        return memory;
    }
    const std::size_t size = MappedSize(bytes);
    if (size < bytes) throw std::bad_alloc();
    return Map(size);
}

void Release(void* memory, std::size_t bytes) noexcept
{
    if (!memory) return;
    if (bytes == 0) bytes = 1;
    if (bytes < MappingThreshold) {
        std::free(memory);
    } else {
        ::munmap(memory, MappedSize(bytes));
    }
}

void PopulateForWriting(void* memory, std::size_t bytes)
{
    if (bytes == 0) return;
    constexpr std::uintptr_t PageSize = 4096;
    const auto begin = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t first = begin & ~(PageSize - 1);
    const std::uintptr_t end = begin + bytes;
    if (::madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE) == 0) return;
    // Older kernels, or memory the kernel will not populate: an atomic or of zero is a
    // write access that leaves the byte as it is.
    for (std::uintptr_t page = first; page < end; page += PageSize) {
        const std::uintptr_t at = std::max(page, begin);
        std::atomic_ref<unsigned char>(*reinterpret_cast<unsigned char*>(at)).fetch_or(0, std::memory_order_relaxed);
    }
}

Pool::~Pool()
{
    for (const Range& range : idle_) ::munmap(range.memory, range.size);
}

void* Pool::Allocate(std::size_t bytes)
{
    if (bytes < MappingThreshold) return LargeMemory::Allocate(bytes);
    const std::size_t size = MappedSize(bytes);
    if (size < bytes) throw std::bad_alloc();
    std::lock_guard lock(mutex_);
    busy_.reserve(busy_.size() + 1);
    // The smallest kept block that fits, unless it is much larger than asked.
    auto best = idle_.end();
    for (auto it = idle_.begin(); it != idle_.end(); ++it) {
        if (it->size >= size && it->size - size <= size / 4 && (best == idle_.end() || it->size < best->size)) {
            best = it;
        }
    }
    // Else the largest kept block of at least half the size, grown: the kernel moves its
    // pages, so only the part beyond it is new memory.
    auto grown = idle_.end();
    if (best == idle_.end()) {
        for (auto it = idle_.begin(); it != idle_.end(); ++it) {
            if (it->size < size && it->size >= size / 2 && (grown == idle_.end() || it->size > grown->size)) grown = it;
        }
    }
    Range range;
    if (best != idle_.end()) {
        range = *best;
        idle_.erase(best);
        idleBytes_ -= range.size;
    } else if (void* moved = grown == idle_.end() ? MAP_FAILED
                                                  : ::mremap(grown->memory, grown->size, size, MREMAP_MAYMOVE);
               moved != MAP_FAILED) {
        idleBytes_ -= grown->size;
        idle_.erase(grown);
        range = Range {moved, size};
    } else {
        range = Range {Map(size), size};
    }
    busy_.push_back(range);
    busyBytes_ += range.size;
    mostBusy_ = std::max(mostBusy_, busyBytes_);
    TrimLocked();
    return range.memory;
}

void Pool::Release(void* memory, std::size_t bytes) noexcept
{
    if (!memory) return;
    if (bytes < MappingThreshold) return LargeMemory::Release(memory, bytes);
    std::lock_guard lock(mutex_);
    const auto found = std::find_if(busy_.begin(), busy_.end(), [memory](const Range& r) { return r.memory == memory; });
    if (found == busy_.end()) {
        LargeMemory::Release(memory, bytes);
        return;
    }
    const Range range = *found;
    busy_.erase(found);
    busyBytes_ -= range.size;
    try {
        idle_.push_back(range);
        idleBytes_ += range.size;
    } catch (...) {
        ::munmap(range.memory, range.size);
    }
    TrimLocked();
}

std::size_t Pool::IdleBytes() const
{
    std::lock_guard lock(mutex_);
    return idleBytes_;
}

void Pool::TrimLocked() noexcept
{
    // Kept blocks and blocks in use together stay within the most that was in use at once;
    // the largest kept blocks go first, so that fewer are unmapped.
    while (!idle_.empty() && busyBytes_ + idleBytes_ > mostBusy_) {
        const auto largest = std::max_element(idle_.begin(), idle_.end(),
                                              [](const Range& a, const Range& b) { return a.size < b.size; });
        ::munmap(largest->memory, largest->size);
        idleBytes_ -= largest->size;
        idle_.erase(largest);
    }
}

Block::Block(std::size_t bytes, std::shared_ptr<Pool> pool) : pool_(std::move(pool)), bytes_(bytes)
{
    if (bytes_ == 0) return;
    memory_ = pool_ ? pool_->Allocate(bytes_) : LargeMemory::Allocate(bytes_);
}

Block::~Block()
{
    if (pool_) {
        pool_->Release(memory_, bytes_);
    } else {
        LargeMemory::Release(memory_, bytes_);
    }
}

}  // namespace LargeMemory
