#pragma once
// Bookkeeping of a pool of equal slots, and the memory the process can still use.

#include "tarnwick/core/Exception.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qz::utils {

// Hands out slot indices of a fixed-size pool: a fresh manager gives 0, 1, 2 ...; a
// released slot is the next one handed out again. What a slot stands for is the
// caller's business.
class FixedSlotMemoryManager {
public:
    // The handle of one slot, kept by its holder. The generation tells this holding of a
    // slot from earlier ones, so that a stale copy of a handle cannot release a slot that
    // has since gone to someone else.
    struct Slot {
        std::uint32_t index = 0xFFFFFFFF;
        bool reserved = false;
        std::uint32_t generation = 0;
    };

    class EOutOfSlots : public qz::core::Exception {
    public:
        using Exception::Exception;
    };

    // Counts above 6553600 log a warning about the bookkeeping's size; a negative count
    // throws.
    explicit FixedSlotMemoryManager(int count);
    // Warns when slots are still handed out.
    ~FixedSlotMemoryManager();
    FixedSlotMemoryManager(const FixedSlotMemoryManager&) = delete;
    FixedSlotMemoryManager& operator=(const FixedSlotMemoryManager&) = delete;

    // Throws EOutOfSlots when every slot is taken; the manager is unchanged then.
    Slot RequestSlot();
    // Clears the handle's reserved flag and frees its slot. Throws, changing nothing, for
    // a null pointer, a handle that is not reserved, an index outside the pool, or a
    // handle whose slot this manager does not hold as reserved for it.
    void ReleaseSlot(Slot* slot);

    std::size_t FreeSlotCount() const { return free_.size(); }
    std::size_t SlotCount() const { return slots_.size(); }

private:
    std::vector<Slot> slots_;
    std::vector<Slot*> free_;  // a stack; the top is the back
};

class SystemMemoryUsage {
public:
    // Bytes the process can still use: the smaller of the available physical memory and
    // the free virtual address space.
    static std::uint64_t GetAvailableMemory();
};

}  // namespace qz::utils
