#include "tarnwick/utils/MemUtils.h"

#include "tests/support/ErrorReports.h"
#include "tests/support/FakeSystemFiles.h"
#include "tests/support/OutputCapture.h"

#include <unistd.h>

namespace {

using qz::test::CoutCapture;
using qz::test::FakeSystemFiles;
using qz::test::ReportOf;
using qz::utils::FixedSlotMemoryManager;
using qz::utils::SystemMemoryUsage;
using Slot = FixedSlotMemoryManager::Slot;

TEST(FixedSlotMemoryManager, RisingIndicesLastReleasedFirstAndOutOfSlots)
{
    CoutCapture console;
    FixedSlotMemoryManager manager(3);
    Slot slots[3];
    for (unsigned i = 0; i < 3; ++i) {
        slots[i] = manager.RequestSlot();
        EXPECT_TRUE(slots[i].index == i && slots[i].reserved) << i;
    }
    EXPECT_EQ(3u, manager.SlotCount());
    EXPECT_THROW(manager.RequestSlot(), FixedSlotMemoryManager::EOutOfSlots);
    EXPECT_EQ("qz::utils::FixedSlotMemoryManager::RequestSlot|utils\\MemUtils|Out of memory slots",
              ReportOf([&] { manager.RequestSlot(); }));
    EXPECT_EQ(0u, manager.FreeSlotCount()) << "a failed request changes nothing";
    manager.ReleaseSlot(&slots[1]);
    EXPECT_FALSE(slots[1].reserved);
    manager.ReleaseSlot(&slots[0]);
    EXPECT_EQ(2u, manager.FreeSlotCount());
    EXPECT_EQ(0u, (slots[0] = manager.RequestSlot()).index);
    EXPECT_EQ(1u, (slots[1] = manager.RequestSlot()).index);
    for (Slot& slot : slots) manager.ReleaseSlot(&slot);
    EXPECT_THROW(FixedSlotMemoryManager(0).RequestSlot(), FixedSlotMemoryManager::EOutOfSlots);
    EXPECT_EQ("qz::utils::FixedSlotMemoryManager::FixedSlotMemoryManager|utils\\MemUtils|Slot count must not be negative: -1",
              ReportOf([] { FixedSlotMemoryManager manager(-1); }));
}

TEST(FixedSlotMemoryManager, BadAndStaleReleasesThrowAndChangeNothing)
{
    CoutCapture console;
    FixedSlotMemoryManager manager(3);
    Slot held = manager.RequestSlot();
    const auto release = [&](Slot slot) { return ReportOf([&] { manager.ReleaseSlot(&slot); }); };
    const std::string method = "qz::utils::FixedSlotMemoryManager::ReleaseSlot|utils\\MemUtils|";
    EXPECT_EQ(method + "Invalid slot", ReportOf([&] { manager.ReleaseSlot(nullptr); }));
    EXPECT_EQ(method + "Slot not reserved", release(Slot {}));
    EXPECT_EQ(method + "Invalid slot", release(Slot {3, true, 0})) << "beyond the pool";
    EXPECT_EQ(method + "Invalid slot", release(Slot {0xFFFFFFFF, true, 0}));
    EXPECT_EQ(method + "Slot not reserved", release(Slot {1, true, 0})) << "a free slot";
    EXPECT_EQ(2u, manager.FreeSlotCount());

    const Slot stale = held;
    manager.ReleaseSlot(&held);
    EXPECT_EQ(method + "Slot not reserved", release(held));
    Slot next = manager.RequestSlot();
    ASSERT_EQ(stale.index, next.index);
    EXPECT_EQ(method + "Slot not reserved", release(stale)) << "a stale copy cannot free the next holder's slot";
    Slot other = manager.RequestSlot();
    Slot third = manager.RequestSlot();
    EXPECT_TRUE(next.index != other.index && other.index != third.index && next.index != third.index);
    for (Slot* slot : {&next, &other, &third}) manager.ReleaseSlot(slot);
    EXPECT_EQ(3u, manager.FreeSlotCount());
}

TEST(FixedSlotMemoryManager, WarningsAboutHeldSlotsAndLargePools)
{
    CoutCapture console;
    {
        FixedSlotMemoryManager manager(2);
        Slot slot = manager.RequestSlot();
        manager.ReleaseSlot(&slot);
    }
    { FixedSlotMemoryManager(6553600).RequestSlot(); }
    EXPECT_EQ("WARNING: Some slots were not released\n", console.Text()) << "once, and only where slots were held";
    FixedSlotMemoryManager manager(6553601);
    EXPECT_NE(std::string::npos, console.Text().find("WARNING: Large FixedSlotMemoryManager management overhead: 50 MB"));
    EXPECT_EQ(6553601u, manager.FreeSlotCount());
    Slot last;
    while (manager.FreeSlotCount() > 0) last = manager.RequestSlot();
    EXPECT_EQ(6553600u, last.index);
}

TEST_F(FakeSystemFiles, AvailableMemoryIsTheSmallerOfPhysicalAndVirtual)
{
    EXPECT_EQ(std::uint64_t {8} << 30, SystemMemoryUsage::GetAvailableMemory());
    const std::uint64_t page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    const std::uint64_t left = 4000 * 1024;
    Write("proc/self/statm", std::to_string((Status().ullTotalVirtual - left) / page) + " 1 1 1 0 1 0\n");
    EXPECT_EQ(left, SystemMemoryUsage::GetAvailableMemory());
    std::filesystem::remove(root_ / "proc/meminfo");
    CoutCapture console;
    EXPECT_EQ("qz::utils::SystemMemoryUsage::GetAvailableMemory|utils\\MemUtils|GlobalMemoryStatusEx failed",
              ReportOf([] { SystemMemoryUsage::GetAvailableMemory(); }));
}

}  // namespace
