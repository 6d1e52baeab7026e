#pragma once
// Memory for arrays of millions of particles and records.
//
// Memory the process has not touched before is slow to come by: on a virtual machine the
// host backs a page only at its first touch (about 2 GB/s on 8 threads, well under 1 GB/s
// on one), and giving back hundreds of MB of 4 KiB pages stalls every thread for a tenth
// of a second. So a Pool keeps the blocks it gets back and hands them out again: the next
// timestep runs on memory the process owns already, and nothing large is unmapped while
// a timestep is built. The pool never holds more than the most it had in use at once, so
// keeping blocks raises no peak. (Huge pages were tried: their first touch took four
// times as long, as the host had to back every 2 MiB anew.)
//
// Large arrays are mapped directly, which also keeps them out of the C library's heap:
// that allocator raises its mapping threshold after the first large free and then serves
// later timesteps from its heap, which made every later timestep slower than the first.
//
// resize does not write new elements: fresh blocks are zero, blocks from a pool hold what
// their last user left, and every array here is filled before it is read.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace LargeMemory {

// Arrays from this size on are mapped; smaller ones come from calloc.
constexpr std::size_t MappingThreshold = std::size_t {1} << 20;
// Mapped sizes are multiples of this.
constexpr std::size_t Granule = std::size_t {2} << 20;

// Zeroed memory of `bytes` bytes (at least 1), mapped from the threshold on. Throws
// std::bad_alloc.
void* Allocate(std::size_t bytes);
// Gives back what Allocate returned for the same size.
void Release(void* memory, std::size_t bytes) noexcept;

// Makes the pages of [memory, memory + bytes) present and writable, so that the threads
// that fill them later find them ready; the values stay what they were. Gives up once
// keepGoing() is false (checked per granule).
//
// Asked of the kernel in whole granules where it can (one call maps many pages), else by a
// write access per page: a read first would map the shared zero page, and replacing it
// at the write costs a second fault and a TLB flush on every CPU of the process.
void PopulateForWriting(void* memory, std::size_t bytes);

template <class KeepGoing>
void TouchPages(void* memory, std::size_t bytes, KeepGoing&& keepGoing)
{
    auto* base = static_cast<unsigned char*>(memory);
    for (std::size_t at = 0; at < bytes; at += Granule) {
        if (!keepGoing()) return;
        PopulateForWriting(base + at, std::min(Granule, bytes - at));
    }
}

class Pool {
public:
    Pool() = default;
    ~Pool();
    Pool(const Pool&) = delete;
    Pool& operator=(const Pool&) = delete;

    // A kept block of at least `bytes` (and not much more) when there is one, else a
    // kept block of at least half that grown to it, else new memory as from
    // LargeMemory::Allocate. Throws std::bad_alloc.
    void* Allocate(std::size_t bytes);
    // Takes back what Allocate returned for the same size.
    void Release(void* memory, std::size_t bytes) noexcept;

    // Memory kept for reuse, not in use.
    std::size_t IdleBytes() const;

private:
    struct Range {
        void* memory;
        std::size_t size;  // mapped
    };
    void TrimLocked() noexcept;

    mutable std::mutex mutex_;
    std::vector<Range> idle_;
    std::vector<Range> busy_;
    std::size_t idleBytes_ = 0;
    std::size_t busyBytes_ = 0;
    std::size_t mostBusy_ = 0;
};

// Owner of one block, from a pool when one is given.
class Block {
public:
    Block() = default;
    Block(std::size_t bytes, std::shared_ptr<Pool> pool);
    ~Block();
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;

    void* Data() const { return memory_; }
    std::size_t Size() const { return bytes_; }

private:
    std::shared_ptr<Pool> pool_;
    void* memory_ = nullptr;
    std::size_t bytes_ = 0;
};

}  // namespace LargeMemory

using LargeMemory::TouchPages;

// Allocator of large arrays; with a pool, their memory comes from it and goes back to it.
template <class T>
class LargeArrayAllocator {
public:
    using value_type = T;
    using propagate_on_container_copy_assignment = std::true_type;
    using propagate_on_container_move_assignment = std::true_type;
    using propagate_on_container_swap = std::true_type;
    using is_always_equal = std::false_type;

    LargeArrayAllocator() = default;
    explicit LargeArrayAllocator(std::shared_ptr<LargeMemory::Pool> pool) : pool_(std::move(pool)) {}
    template <class U>
    LargeArrayAllocator(const LargeArrayAllocator<U>& other) noexcept : pool_(other.Pool())
    {
    }

    T* allocate(std::size_t n)
    {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        const std::size_t bytes = n * sizeof(T);
        return static_cast<T*>(pool_ ? pool_->Allocate(bytes) : LargeMemory::Allocate(bytes));
    }
    void deallocate(T* p, std::size_t n) noexcept
    {
        if (pool_) {
            pool_->Release(p, n * sizeof(T));
        } else {
            LargeMemory::Release(p, n * sizeof(T));
        }
    }

    // Default-initialised: see above.
    template <class U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>)
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    const std::shared_ptr<LargeMemory::Pool>& Pool() const { return pool_; }

    template <class U>
    bool operator==(const LargeArrayAllocator<U>& other) const noexcept
    {
        return pool_ == other.Pool();
    }

private:
    std::shared_ptr<LargeMemory::Pool> pool_;
};

template <class T>
using LargeVector = std::vector<T, LargeArrayAllocator<T>>;
