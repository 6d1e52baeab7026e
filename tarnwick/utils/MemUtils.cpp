#include "tarnwick/utils/MemUtils.h"

#include "platform/win/Memory.h"
#include "tarnwick/core/ErrorReport.h"

#include <algorithm>

namespace qz::utils {

namespace {

constexpr int LargeSlotCount = 6553600;

}  // namespace

FixedSlotMemoryManager::FixedSlotMemoryManager(int count)
{
    if (count < 0) {
        QZ_THROW("qz::utils::FixedSlotMemoryManager::FixedSlotMemoryManager",
                 "Slot count must not be negative: ", count);
    }
    if (count > LargeSlotCount) {
        auto message = qz::core::Logger::BeginMessage(qz::core::LogLevelImportant);
        message.SetType(qz::core::LogTypeWarning);
        message << "Large FixedSlotMemoryManager management overhead: "
                << static_cast<float>(count * 8.0 / 1024 / 1024) << " MB";
    }
    slots_.resize(static_cast<std::size_t>(count));
    free_.reserve(slots_.size());
    for (std::size_t i = slots_.size(); i-- > 0;) {
        slots_[i].index = static_cast<std::uint32_t>(i);
        free_.push_back(&slots_[i]);
    }
}

FixedSlotMemoryManager::~FixedSlotMemoryManager()
{
    if (free_.size() >= slots_.size()) return;
    try {
        auto message = qz::core::Logger::BeginMessage(qz::core::LogLevelImportant);
        message.SetType(qz::core::LogTypeWarning);
        message << "Some slots were not released";
    } catch (...) {
        // A destructor must not throw; the warning is only a hint.
    }
}

FixedSlotMemoryManager::Slot FixedSlotMemoryManager::RequestSlot()
{
    if (free_.empty()) {
        QZ_THROW_AS(EOutOfSlots, "qz::utils::FixedSlotMemoryManager::RequestSlot", "Out of memory slots");
    }
    Slot* record = free_.back();
    free_.pop_back();
    record->reserved = true;
    return *record;
}

void FixedSlotMemoryManager::ReleaseSlot(Slot* slot)
{
    constexpr const char* method = "qz::utils::FixedSlotMemoryManager::ReleaseSlot";
    if (!slot) QZ_THROW(method, "Invalid slot");
    if (!slot->reserved) QZ_THROW(method, "Slot not reserved");
    if (slot->index >= slots_.size()) QZ_THROW(method, "Invalid slot");
    Slot& record = slots_[slot->index];
    // A copy of a handle that was released already, or released and handed out again.
    if (!record.reserved || record.generation != slot->generation) QZ_THROW(method, "Slot not reserved");

    slot->reserved = false;
    record.reserved = false;
    ++record.generation;
    free_.push_back(&record);
}

std::uint64_t SystemMemoryUsage::GetAvailableMemory()
{
    MEMORYSTATUSEX status {};
    static_assert(sizeof(status) == 64);
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status)) {
        QZ_THROW("qz::utils::SystemMemoryUsage::GetAvailableMemory", "GlobalMemoryStatusEx failed");
    }
    return std::min(status.ullAvailPhys, status.ullAvailVirtual);
}

}  // namespace qz::utils
