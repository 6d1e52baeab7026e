#include "tarnwick/utils/MemUtils.h"

#include "tests/support/OutputCapture.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using qz::test::ErrorText;
using qz::utils::FixedSlotMemoryManager;
using Slot = FixedSlotMemoryManager::Slot;
using qz::test::CoutCapture;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(FixedSlotMemoryManager, HandsOutRisingIndicesThenThrowsOutOfSlots)
{
    CoutCapture console;
    FixedSlotMemoryManager manager(3);
    EXPECT_EQ(3u, manager.SlotCount());
    Slot slots[3];
    for (unsigned i = 0; i < 3; ++i) {
        slots[i] = manager.RequestSlot();
        EXPECT_EQ(i, slots[i].index);
        EXPECT_TRUE(slots[i].reserved);
    }
    EXPECT_EQ(0u, manager.FreeSlotCount());
    try {
        manager.RequestSlot();
        FAIL() << "no exception";
    } catch (const FixedSlotMemoryManager::EOutOfSlots& error) {
        const std::string text = error.what();
        EXPECT_TRUE(Contains(text, "\nMethod: qz::utils::FixedSlotMemoryManager::RequestSlot\nFile: \"utils\\MemUtils\": "));
        EXPECT_TRUE(Contains(text, "\nOut of memory slots"));
    }
    EXPECT_EQ(0u, manager.FreeSlotCount()) << "a failed request changes nothing";
    for (Slot& slot : slots) manager.ReleaseSlot(&slot);
}

TEST(FixedSlotMemoryManager, LastReleasedIsFirstReused)
{
    FixedSlotMemoryManager manager(3);
    Slot slot0 = manager.RequestSlot();
    Slot slot1 = manager.RequestSlot();
    Slot slot2 = manager.RequestSlot();
    manager.ReleaseSlot(&slot1);
    EXPECT_FALSE(slot1.reserved);
    manager.ReleaseSlot(&slot0);
    EXPECT_EQ(2u, manager.FreeSlotCount());
    Slot again0 = manager.RequestSlot();
    Slot again1 = manager.RequestSlot();
    EXPECT_EQ(0u, again0.index);
    EXPECT_EQ(1u, again1.index);
    for (Slot* slot : {&again0, &again1, &slot2}) manager.ReleaseSlot(slot);
}

TEST(FixedSlotMemoryManager, ZeroSlotsThrowOnFirstRequest)
{
    CoutCapture console;
    FixedSlotMemoryManager manager(0);
    EXPECT_THROW(manager.RequestSlot(), FixedSlotMemoryManager::EOutOfSlots);
}

TEST(FixedSlotMemoryManager, NegativeCountIsRejected)
{
    CoutCapture console;
    EXPECT_TRUE(Contains(ErrorText([] { FixedSlotMemoryManager manager(-1); }), "Slot count must not be negative"));
}

TEST(FixedSlotMemoryManager, BadReleasesThrowAndChangeNothing)
{
    CoutCapture console;
    FixedSlotMemoryManager manager(3);
    Slot held = manager.RequestSlot();

    const std::string nullError = ErrorText([&] { manager.ReleaseSlot(nullptr); });
    EXPECT_TRUE(Contains(nullError, "\nMethod: qz::utils::FixedSlotMemoryManager::ReleaseSlot\nFile: \"utils\\MemUtils\": "));
    EXPECT_TRUE(Contains(nullError, "\nInvalid slot"));

    Slot defaultHandle;
    EXPECT_TRUE(Contains(ErrorText([&] { manager.ReleaseSlot(&defaultHandle); }), "\nSlot not reserved"));

    // Handles that this manager never gave out: an index beyond the pool, and a free slot.
    Slot foreign;
    foreign.index = 3;
    foreign.reserved = true;
    EXPECT_TRUE(Contains(ErrorText([&] { manager.ReleaseSlot(&foreign); }), "\nInvalid slot"));
    foreign.index = 0xFFFFFFFF;
    EXPECT_TRUE(Contains(ErrorText([&] { manager.ReleaseSlot(&foreign); }), "\nInvalid slot"));
    foreign.index = 1;
    EXPECT_TRUE(Contains(ErrorText([&] { manager.ReleaseSlot(&foreign); }), "\nSlot not reserved"));
    EXPECT_TRUE(foreign.reserved) << "a rejected handle keeps its flag";
    EXPECT_EQ(2u, manager.FreeSlotCount());

    manager.ReleaseSlot(&held);
    EXPECT_TRUE(Contains(ErrorText([&] { manager.ReleaseSlot(&held); }), "\nSlot not reserved"));
    EXPECT_EQ(3u, manager.FreeSlotCount());
}

TEST(FixedSlotMemoryManager, ReleasingACopyNeverHandsASlotOutTwice)
{
    CoutCapture console;
    FixedSlotMemoryManager manager(3);
    Slot original = manager.RequestSlot();
    Slot copy = original;
    manager.ReleaseSlot(&original);
    EXPECT_TRUE(Contains(ErrorText([&] { manager.ReleaseSlot(&copy); }), "\nSlot not reserved"));
    EXPECT_EQ(3u, manager.FreeSlotCount()) << "the slot is on the free stack once";

    Slot all[3] = {manager.RequestSlot(), manager.RequestSlot(), manager.RequestSlot()};
    std::set<unsigned> indices;
    for (const Slot& slot : all) indices.insert(slot.index);
    EXPECT_EQ(3u, indices.size());
    for (Slot& slot : all) manager.ReleaseSlot(&slot);
}

TEST(FixedSlotMemoryManager, StaleCopyCannotReleaseTheNextHoldersSlot)
{
    CoutCapture console;
    FixedSlotMemoryManager manager(2);
    Slot first = manager.RequestSlot();
    const Slot stale = first;
    manager.ReleaseSlot(&first);
    Slot next = manager.RequestSlot();
    ASSERT_EQ(stale.index, next.index);

    Slot staleCopy = stale;
    EXPECT_TRUE(Contains(ErrorText([&] { manager.ReleaseSlot(&staleCopy); }), "\nSlot not reserved"));
    Slot other = manager.RequestSlot();
    EXPECT_NE(next.index, other.index) << "the next holder keeps its slot";
    manager.ReleaseSlot(&next);
    manager.ReleaseSlot(&other);
    EXPECT_EQ(2u, manager.FreeSlotCount());
}

TEST(FixedSlotMemoryManager, DestructionWarnsOnceAboutSlotsStillHeld)
{
    CoutCapture console;
    {
        FixedSlotMemoryManager manager(2);
        manager.RequestSlot();
        manager.RequestSlot();
    }
    const std::string text = console.Text();
    const std::string warning = "WARNING: Some slots were not released";
    ASSERT_TRUE(Contains(text, warning)) << text;
    EXPECT_EQ(text.find(warning), text.rfind(warning));
    {
        FixedSlotMemoryManager manager(2);
        Slot slot = manager.RequestSlot();
        manager.ReleaseSlot(&slot);
    }
    EXPECT_EQ(text, console.Text()) << "no warning when every slot came back";
}

TEST(FixedSlotMemoryManager, LargePoolsWarnAboutTheirOverhead)
{
    CoutCapture console;
    {
        FixedSlotMemoryManager manager(6553600);
    }
    EXPECT_EQ("", console.Text());
    FixedSlotMemoryManager manager(6553601);
    EXPECT_TRUE(Contains(console.Text(), "WARNING: Large FixedSlotMemoryManager management overhead: 50 MB"))
        << console.Text();
    EXPECT_EQ(6553601u, manager.FreeSlotCount());
    EXPECT_EQ(0u, manager.RequestSlot().index) << "construction went on";
    Slot last;
    while (manager.FreeSlotCount() > 0) last = manager.RequestSlot();
    EXPECT_EQ(6553600u, last.index);
}

}  // namespace
