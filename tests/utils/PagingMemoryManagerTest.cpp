#include "tarnwick/utils/PagingMemoryManager.h"

#include "tests/support/OutputCapture.h"
#include "tests/support/ErrorReports.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>

namespace {

using qz::test::ErrorText;
using qz::test::ReportOf;
using Manager = qz::utils::PagingMemoryManager<std::uint64_t>;
using Pieces = std::vector<Manager::Piece>;
using Table = std::vector<std::uint32_t>;
using Pages = std::vector<std::size_t>;
constexpr std::uint32_t None = 0xFFFFFFFF;

Pages LruPages(const Manager& manager)
{
    Pages pages;
    for (const auto& [page, lastUse] : manager.Lru()) pages.push_back(page);
    return pages;
}

// Page size 4, two frames: allocating 4 bytes twice makes pages 0 to 2, page 2 having
// evicted page 0, all at stamp 0.
std::unique_ptr<Manager> TwoFramesThreePages()
{
    auto manager = Manager::Create(4, 8);
    EXPECT_EQ(0u, manager->Allocate(4));
    EXPECT_EQ((Table {0, 1}), manager->PageTable()) << "page 1 holds address 4, the first byte beyond";
    EXPECT_EQ((Pages {1, 0}), LruPages(*manager));
    EXPECT_EQ(4u, manager->Allocate(4));
    EXPECT_EQ((Table {None, 1, 0}), manager->PageTable()) << "page 2 evicts with force";
    EXPECT_EQ((Pages {2, 1}), LruPages(*manager));
    return manager;
}

TEST(PagingMemoryManager, ConstructionAndAllocation)
{
    qz::test::CoutCapture console;
    const auto error = [](int pageSize, std::uint32_t active) { return ReportOf([&] { Manager::Create(pageSize, active); }); };
    const std::string method = "qz::utils::PagingMemoryManager<unsigned __int64>::PagingMemoryManager|tarnwick/utils/PagingMemoryManager|";
    for (const int pageSize : {0, 3, 6, -4, -2147483647 - 1}) EXPECT_EQ(method + "Page size must be a power of 2", error(pageSize, 64));
    EXPECT_EQ(method + "Active memory must be a multiple of the page size", error(4, 10));
    EXPECT_EQ(method + "Active memory must hold at least one page", error(4, 0));
    EXPECT_EQ("", error(1, 1));
    const auto big = Manager::Create(4096, 65536);
    EXPECT_TRUE(big->FrameCount() == 16 && big->Allocated() == 0 && big->stamp == 0 && big->PageTable().empty());

    auto manager = TwoFramesThreePages();
    EXPECT_EQ(8u, manager->Allocated());
    EXPECT_EQ(0, manager->Pages()[2].pagedInStamp);
    auto small = Manager::Create(4, 8);
    EXPECT_EQ(0u, small->Allocate(1));
    EXPECT_EQ(1u, small->Allocate(2));
    EXPECT_EQ(3u, small->Allocate(0));
    EXPECT_EQ(1u, small->PageTable().size());
    small->stamp = 3;
    EXPECT_EQ(3u, small->Allocate(6));  // up to address 9: pages 1 and 2 come, page 2 evicts page 0
    EXPECT_EQ((Table {None, 1, 0}), small->PageTable());
    EXPECT_EQ(9u, small->Allocate(0));
    EXPECT_EQ((Table {None, 1, 0}), small->PageTable()) << "existing pages of a range are left alone";
}

TEST(PagingMemoryManager, LeastRecentlyUsedPagesGiveWayUnlessUsedInTheLastTwoStamps)
{
    auto manager = TwoFramesThreePages();
    EXPECT_EQ(0, manager->TouchRange(0, 0, false)) << "at stamp 0 (no wrap of stamp - 1)";
    EXPECT_EQ((Table {None, 1, 0}), manager->PageTable());
    manager->stamp = 1;
    manager->TouchRange(0, 0, false);
    EXPECT_EQ(None, manager->PageTable()[0]) << "used in the previous stamp";
    manager->stamp = 2;
    EXPECT_EQ(2, manager->TouchRange(0, 0, false));
    EXPECT_EQ((Table {1, None, 0}), manager->PageTable()) << "page 1, the least recently used, gave way";
    EXPECT_EQ(2, manager->Pages()[0].pagedInStamp);

    auto forced = TwoFramesThreePages();
    EXPECT_EQ(0, forced->TouchRange(0, 0, true));
    EXPECT_EQ((Table {1, None, 0}), forced->PageTable());
    EXPECT_EQ((Pages {0, 2}), LruPages(*forced));

    auto touched = TwoFramesThreePages();
    touched->stamp = 5;
    EXPECT_EQ(0, touched->TouchRange(4, 0, false)) << "page 1 got its frame at stamp 0";
    EXPECT_EQ((Pages {1, 2}), LruPages(*touched));
    EXPECT_EQ(5u, touched->Lru().front().second);
    touched->stamp = 7;
    EXPECT_EQ(7, touched->TouchRange(0, 0, false));
    EXPECT_EQ((Table {0, 1, None}), touched->PageTable());

    auto stamps = TwoFramesThreePages();
    stamps->stamp = 2;
    EXPECT_EQ(0, stamps->TouchRange(4, 3, false)) << "page 1 only";
    EXPECT_EQ(2, stamps->TouchRange(0, 3, false)) << "page 0 comes in now";
    EXPECT_EQ(2, stamps->TouchRange(0, 1, false)) << "earlier in this stamp";
    stamps->stamp = 3;
    EXPECT_EQ(2, stamps->TouchRange(0, 1, false)) << "an older page-in";
}

TEST(PagingMemoryManager, PiecesFollowTheFramesOfARange)
{
    auto manager = TwoFramesThreePages();  // page 1 in frame 1, page 2 in frame 0
    EXPECT_EQ((Pieces {{5, 3}, {0, 3}}), manager->GetPages(5, 6));
    EXPECT_EQ((Pieces {{6, 1}}), manager->GetPages(6, 1));
    EXPECT_EQ((Pieces {{4, 2}}), manager->GetPages(2, 4)) << "page 0 gets no frame at stamp 0 and gives no piece";
    const Pages lru = LruPages(*manager);
    manager->stamp = 9;
    EXPECT_TRUE(manager->GetPages(0, 0).empty() && manager->GetPages(5, 0).empty());
    EXPECT_EQ(lru, LruPages(*manager)) << "an empty query touches nothing";
    EXPECT_EQ((Table {None, 1, 0}), manager->PageTable());
    EXPECT_TRUE(Manager::Create(4, 8)->GetPages(0, 0).empty());

    auto big = Manager::Create(16, 64);
    big->Allocate(64);  // pages 0 to 4: page 4 evicted page 0
    big->stamp = 2;
    EXPECT_EQ((Pieces {{20, 12}, {32, 16}, {48, 12}}), big->GetPages(20, 40));
    EXPECT_EQ((Pieces {{60, 4}, {0, 4}}), big->GetPages(60, 8)) << "page 3, then page 4 in frame 0";
}

TEST(PagingMemoryManager, RangesOutsideTheAddressSpaceAreRejected)
{
    qz::test::CoutCapture console;
    auto manager = TwoFramesThreePages();  // addresses 0 to 11
    EXPECT_EQ("qz::utils::PagingMemoryManager<unsigned __int64>::TouchRange|tarnwick/utils/PagingMemoryManager|Range outside "
              "the allocated address space: 8 + 4",
              ReportOf([&] { manager->TouchRange(8, 4, false); }));
    for (auto call : std::initializer_list<std::function<void()>> {
             [&] { manager->GetPages(10, 3); }, [&] { manager->GetPages(~0ull, 2); },
             [&] { manager->TouchRange(4, ~0ull, false); }, [&] { manager->PageIn(3, true); },
             [&] { Manager::Create(4, 8)->TouchRange(0, 0, true); }}) {
        EXPECT_NE("", ErrorText(call));
    }
    EXPECT_EQ((Table {None, 1, 0}), manager->PageTable()) << "nothing was touched";
    EXPECT_EQ("", ErrorText([&] { manager->TouchRange(8, 3, false); }));
    EXPECT_EQ("", ErrorText([&] { manager->GetPages(8, 4); }));
    EXPECT_TRUE(ErrorText([&] { manager->Allocate(~0ull - 4); }).ends_with("\nAddress space exhausted: 8 + 18446744073709551611"));
    EXPECT_EQ(8u, manager->Allocated());
}

// Under a random mix of calls the page table, the page records and the LRU list agree.
TEST(PagingMemoryManager, BookkeepingStaysConsistentUnderRandomUse)
{
    auto manager = Manager::Create(64, 64 * 8);
    std::mt19937 random(12345);
    for (int step = 0; step < 5000; ++step) {
        const std::uint64_t allocated = manager->Allocated();
        const std::uint64_t address = allocated == 0 ? 0 : random() % allocated;
        const std::uint64_t size = random() % (allocated - address + 1);
        const unsigned choice = random() % 4;
        if (choice == 0) {
            manager->Allocate(random() % 200);
        } else if (choice == 1) {
            ++manager->stamp;
        } else if (!manager->PageTable().empty()) {
            if (choice == 2) manager->TouchRange(address, size, random() % 4 == 0);
            std::uint64_t covered = 0;
            for (const auto& piece : manager->GetPages(address, size)) {
                ASSERT_LE(piece.offset + piece.size, 64u * 8);
                covered += piece.size;
            }
            ASSERT_LE(covered, size);
        }
        const auto& pages = manager->Pages();
        ASSERT_EQ(manager->PageTable().size(), pages.size());
        std::set<std::uint32_t> frames;
        for (std::size_t p = 0; p < pages.size(); ++p) {
            ASSERT_EQ(manager->PageTable()[p], pages[p].frame);
            if (pages[p].frame == None) continue;
            ASSERT_LT(pages[p].frame, 8u);
            ASSERT_TRUE(frames.insert(pages[p].frame).second) << "frame " << pages[p].frame << " given twice";
            ASSERT_EQ(p, pages[p].lruPosition->first);
        }
        ASSERT_EQ(frames.size(), manager->Lru().size());
        ASSERT_EQ(std::min<std::size_t>(pages.size(), 8), frames.size());
    }
}

}  // namespace
