#pragma once
// Least-recently-used paging of a growing virtual address space onto a fixed number of
// physical frames of one page each. Only the bookkeeping lives here: the user keeps the
// physical memory, uploads the page table (one frame number per virtual page, or
// invalidFrame) and copies data along the physical pieces of a range.
//
// A page used in the current stamp or the one before is protected: a page-in without
// force gives up rather than evict it, so data placed for the frame being drawn stays
// where it is. The owner advances `stamp` once per frame. Pages are found by mask and
// shift, so the page size is a power of 2. Address ranges are never freed.

#include "tarnwick/core/ErrorReport.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <list>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace qz::utils {

template <class Address>
class PagingMemoryManager {
    static_assert(std::is_unsigned_v<Address>, "addresses are unsigned integers");

public:
    using LruList = std::list<std::pair<std::size_t, std::uint64_t>>;  // page, last-use stamp

    struct Page {
        typename LruList::iterator lruPosition;  // the list's end while not resident
        std::uint32_t frame;
        std::int64_t pagedInStamp;  // -1 before the page first gets a frame
    };

    // A stretch of a range in physical memory.
    struct Piece {
        Address offset;
        Address size;

        bool operator==(const Piece&) const = default;
    };

    static constexpr std::uint32_t invalidFrame = 0xFFFFFFFF;
    static constexpr Address invalidAddress = std::numeric_limits<Address>::max();

    static std::unique_ptr<PagingMemoryManager> Create(const int& pageSize, const std::uint32_t& activeMemory)
    {
        return std::make_unique<PagingMemoryManager>(pageSize, activeMemory);
    }

    // Throws unless the page size is a power of 2 and the active memory a non-zero
    // multiple of it.
    PagingMemoryManager(int pageSize, std::uint32_t activeMemory);
    PagingMemoryManager(const PagingMemoryManager&) = delete;
    PagingMemoryManager& operator=(const PagingMemoryManager&) = delete;

    // A new range [allocated, allocated + size), made resident with force, together with
    // the page of its first byte beyond.
    Address Allocate(Address size);
    // Pages in every page from that of address to that of address + size, both included,
    // and returns the latest stamp at which one of them got its frame (at least 0).
    std::int64_t TouchRange(Address address, Address size, bool force);
    // The physical pieces of [address, address + size) in address order, after paging its
    // pages in without force; pages left without a frame give no piece.
    std::vector<Piece> GetPages(Address address, Address size);
    void PageIn(std::size_t page, bool force);

    // The current use stamp; the owner advances it once per frame.
    std::uint64_t stamp = 0;

    Address Allocated() const { return allocated_; }
    const std::vector<std::uint32_t>& PageTable() const { return pageTable_; }
    const std::vector<Page>& Pages() const { return pages_; }
    const LruList& Lru() const { return lru_; }
    Address PageSize() const { return pageSize_; }
    Address ActiveMemory() const { return activeMemory_; }
    std::uint32_t FrameCount() const { return frameCount_; }

private:
    static std::string Method(const char* name);
    std::size_t PageOf(Address address) const { return static_cast<std::size_t>((address & pageMask_) >> pageShift_); }
    bool Resident(const Page& page) const { return page.lruPosition != lru_.end(); }
    // Throws when address + size overflows or page `last` does not exist yet.
    void CheckPages(const char* method, Address address, Address size, std::size_t last) const;

    LruList lru_;  // most recently used at the front
    std::vector<Page> pages_;
    std::vector<std::uint32_t> pageTable_;
    Address allocated_ = 0;
    Address pageSize_;
    Address activeMemory_;
    Address pageMask_;
    Address offsetMask_;
    std::uint32_t pageShift_;
    std::uint32_t frameCount_;
};

// ---------------------------------------------------------------------------------------

template <class Address>
std::string PagingMemoryManager<Address>::Method(const char* name)
{
    const char* type = sizeof(Address) == 8   ? "unsigned __int64"
                       : sizeof(Address) == 4 ? "unsigned int"
                       : sizeof(Address) == 2 ? "unsigned short"
                                              : "unsigned char";
    return std::string("qz::utils::PagingMemoryManager<") + type + ">::" + name;
}

template <class Address>
PagingMemoryManager<Address>::PagingMemoryManager(int pageSize, std::uint32_t activeMemory)
{
    if (pageSize <= 0 || !std::has_single_bit(static_cast<unsigned>(pageSize)) ||
        static_cast<unsigned>(pageSize) > std::numeric_limits<Address>::max()) {
        QZ_THROW(Method("PagingMemoryManager").c_str(), "Page size must be a power of 2");
    }
    if (activeMemory % static_cast<unsigned>(pageSize) != 0) {
        QZ_THROW(Method("PagingMemoryManager").c_str(), "Active memory must be a multiple of the page size");
    }
    // Without a frame, every page-in would look for a victim in an empty list.
    if (activeMemory == 0) {
        QZ_THROW(Method("PagingMemoryManager").c_str(), "Active memory must hold at least one page");
    }
    pageSize_ = static_cast<Address>(pageSize);
    activeMemory_ = static_cast<Address>(activeMemory);
    offsetMask_ = pageSize_ - 1;
    pageMask_ = static_cast<Address>(~offsetMask_);
    pageShift_ = static_cast<std::uint32_t>(std::popcount(offsetMask_));
    frameCount_ = activeMemory / static_cast<std::uint32_t>(pageSize);
}

template <class Address>
void PagingMemoryManager<Address>::CheckPages(const char* method, Address address, Address size,
                                              std::size_t last) const
{
    if (size > std::numeric_limits<Address>::max() - address || last >= pages_.size()) {
        QZ_THROW(Method(method).c_str(), "Range outside the allocated address space: ", address, " + ", size);
    }
}

template <class Address>
void PagingMemoryManager<Address>::PageIn(std::size_t page, bool force)
{
    if (page >= pages_.size()) QZ_THROW(Method("PageIn").c_str(), "Page outside the allocated address space: ", page);
    Page& record = pages_[page];
    if (Resident(record)) {
        lru_.splice(lru_.begin(), lru_, record.lruPosition);
        record.lruPosition->second = stamp;
        return;
    }

    std::uint32_t frame;
    if (pages_.size() > frameCount_) {
        const auto [victimIndex, lastUse] = lru_.back();
        // Used in this stamp or the previous one. (Not "lastUse >= stamp - 1", which
        // wraps at stamp 0.)
        if (!force && lastUse + 1 >= stamp) return;
        Page& victim = pages_[victimIndex];
        frame = victim.frame;
        victim.frame = invalidFrame;
        pageTable_[victimIndex] = invalidFrame;
        victim.lruPosition = lru_.end();
        lru_.pop_back();
    } else {
        // Before the frames run out, every page but the newest is resident: page i
        // takes frame i.
        frame = static_cast<std::uint32_t>(pages_.size() - 1);
    }
    lru_.emplace_front(page, stamp);
    record.lruPosition = lru_.begin();
    record.frame = frame;
    pageTable_[page] = frame;
    record.pagedInStamp = static_cast<std::int64_t>(stamp);
}

template <class Address>
Address PagingMemoryManager<Address>::Allocate(Address size)
{
    const Address start = allocated_;
    if (size > std::numeric_limits<Address>::max() - start) {
        QZ_THROW(Method("Allocate").c_str(), "Address space exhausted: ", start, " + ", size);
    }
    const std::size_t lastPage = PageOf(start + size);
    if (lastPage >= pages_.size()) {
        // The pages of the range that exist already are left as they are.
        while (pages_.size() <= lastPage) {
            pages_.push_back(Page {lru_.end(), invalidFrame, -1});
            pageTable_.push_back(invalidFrame);
            PageIn(pages_.size() - 1, true);
        }
    } else {
        TouchRange(start, size, true);
    }
    allocated_ = start + size;
    return start;
}

template <class Address>
std::int64_t PagingMemoryManager<Address>::TouchRange(Address address, Address size, bool force)
{
    const std::size_t first = PageOf(address);
    const std::size_t last = size > std::numeric_limits<Address>::max() - address ? 0 : PageOf(address + size);
    CheckPages("TouchRange", address, size, last);
    std::int64_t newest = 0;
    for (std::size_t page = first; page <= last; ++page) {
        PageIn(page, force);
        newest = std::max(newest, pages_[page].pagedInStamp);
    }
    return newest;
}

template <class Address>
std::vector<typename PagingMemoryManager<Address>::Piece>
PagingMemoryManager<Address>::GetPages(Address address, Address size)
{
    std::vector<Piece> pieces;
    if (size == 0) return pieces;
    const Address lastByteOffset = size - 1;
    const std::size_t first = PageOf(address);
    const std::size_t last =
        lastByteOffset > std::numeric_limits<Address>::max() - address ? 0 : PageOf(address + lastByteOffset);
    CheckPages("GetPages", address, lastByteOffset, last);

    const Address offset = address & offsetMask_;
    Address done = 0;
    for (std::size_t page = first; page <= last; ++page) {
        const Address begin = page == first ? offset : 0;
        const Address length = std::min<Address>(pageSize_ - begin, size - done);
        PageIn(page, false);
        const std::uint32_t frame = pages_[page].frame;
        if (frame != invalidFrame) {
            pieces.push_back(Piece {static_cast<Address>(static_cast<Address>(frame) * pageSize_ + begin), length});
        }
        done += length;
    }
    return pieces;
}

}  // namespace qz::utils
