#include "tarnwick/utils/PagingMemoryManager.h"

#include "tests/support/OutputCapture.h"
#include "tests/utils/ErrorText.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using qz::test::ErrorText;
using Manager = qz::utils::PagingMemoryManager<std::uint64_t>;
using Piece = Manager::Piece;
using Table = std::vector<std::uint32_t>;
constexpr std::uint32_t None = 0xFFFFFFFF;

std::string ConstructionError(int pageSize, std::uint32_t activeMemory)
{
    qz::test::CoutCapture console;
    return ErrorText([&] { Manager::Create(pageSize, activeMemory); });
}

std::vector<std::size_t> LruPages(const Manager& manager)
{
    std::vector<std::size_t> pages;
    for (const auto& [page, lastUse] : manager.Lru()) pages.push_back(page);
    return pages;
}

// Page size 4, two frames; pages 0 and 1 after the first allocation, page 2 evicted
// page 0 in the second. All at stamp 0.
std::unique_ptr<Manager> TwoFramesThreePages()
{
    auto manager = Manager::Create(4, 8);
    EXPECT_EQ(0u, manager->Allocate(4));
    EXPECT_EQ(4u, manager->Allocate(4));
    return manager;
}

TEST(PagingMemoryManager, ConstructionChecksPageSizeAndActiveMemory)
{
    const std::string header =
        "\nMethod: qz::utils::PagingMemoryManager<unsigned __int64>::PagingMemoryManager\n"
        "File: \"tarnwick/utils/PagingMemoryManager\": ";
    for (const int pageSize : {0, 3, 6, -4, -2147483647 - 1}) {
        const std::string error = ConstructionError(pageSize, 64);
        EXPECT_EQ(0u, error.find(header)) << pageSize;
        EXPECT_NE(std::string::npos, error.find("\nPage size must be a power of 2")) << pageSize;
    }
    EXPECT_NE(std::string::npos,
              ConstructionError(4, 10).find("\nActive memory must be a multiple of the page size"));
    EXPECT_NE(std::string::npos, ConstructionError(4, 0).find("\nActive memory must hold at least one page"));
    EXPECT_EQ("", ConstructionError(1, 1));

    const auto manager = Manager::Create(4096, 65536);
    EXPECT_EQ(16u, manager->FrameCount());
    EXPECT_EQ(0u, manager->Allocated());
    EXPECT_EQ(0u, manager->stamp);
    EXPECT_TRUE(manager->PageTable().empty());
    EXPECT_EQ(0xFFFFFFFFFFFFFFFFull, Manager::invalidAddress);
}

TEST(PagingMemoryManager, AllocationCreatesThePageAfterTheRangeAndEvictsWithForce)
{
    auto manager = Manager::Create(4, 8);
    EXPECT_EQ(0u, manager->Allocate(4));
    EXPECT_EQ((Table {0, 1}), manager->PageTable()) << "page 1 holds address 4, the first byte beyond";
    EXPECT_EQ((std::vector<std::size_t> {1, 0}), LruPages(*manager));

    // Page 2 needs a frame although both were used in this stamp.
    EXPECT_EQ(4u, manager->Allocate(4));
    EXPECT_EQ((Table {None, 1, 0}), manager->PageTable());
    EXPECT_EQ((std::vector<std::size_t> {2, 1}), LruPages(*manager));
    EXPECT_EQ(8u, manager->Allocated());
    EXPECT_EQ(0, manager->Pages()[2].pagedInStamp);
}

TEST(PagingMemoryManager, AllocationInsideExistingPagesTouchesThemWithForce)
{
    auto manager = Manager::Create(4, 8);
    EXPECT_EQ(0u, manager->Allocate(1));
    EXPECT_EQ(1u, manager->PageTable().size());
    EXPECT_EQ(1u, manager->Allocate(2));
    EXPECT_EQ(3u, manager->Allocate(0));
    EXPECT_EQ(1u, manager->PageTable().size());
    EXPECT_EQ(3u, manager->Allocated());

    // Up to address 9 (page 2): pages 1 and 2 are created, and page 2 evicts page 0.
    // Page 0 belongs to the range, but existing pages are left alone on this path.
    manager->stamp = 3;
    EXPECT_EQ(3u, manager->Allocate(6));
    EXPECT_EQ((Table {None, 1, 0}), manager->PageTable());
    EXPECT_EQ(9u, manager->Allocate(0));
    EXPECT_EQ((Table {None, 1, 0}), manager->PageTable()) << "only page 2 was touched";
}

TEST(PagingMemoryManager, RecentlyUsedPagesAreProtectedForTwoStamps)
{
    auto manager = TwoFramesThreePages();
    // Stamp 0: both resident pages were used now. (A test "lastUse >= stamp - 1" would
    // wrap here and evict.)
    EXPECT_EQ(0, manager->TouchRange(0, 0, false));
    EXPECT_EQ((Table {None, 1, 0}), manager->PageTable());

    manager->stamp = 1;
    manager->TouchRange(0, 0, false);
    EXPECT_EQ(None, manager->PageTable()[0]) << "used in the previous stamp";

    manager->stamp = 2;
    EXPECT_EQ(2, manager->TouchRange(0, 0, false));
    EXPECT_EQ((Table {1, None, 0}), manager->PageTable()) << "page 1, the least recently used, gave way";
    EXPECT_EQ(2, manager->Pages()[0].pagedInStamp);
}

TEST(PagingMemoryManager, ForceEvictsEvenPagesInUse)
{
    auto manager = TwoFramesThreePages();
    EXPECT_EQ(0, manager->TouchRange(0, 0, true));
    EXPECT_EQ((Table {1, None, 0}), manager->PageTable());
    EXPECT_EQ((std::vector<std::size_t> {0, 2}), LruPages(*manager));
}

TEST(PagingMemoryManager, TouchingMovesResidentPagesToTheFrontWithoutANewStamp)
{
    auto manager = TwoFramesThreePages();  // LRU: 2, 1
    manager->stamp = 5;
    EXPECT_EQ(0, manager->TouchRange(4, 0, false)) << "page 1 got its frame at stamp 0";
    EXPECT_EQ((std::vector<std::size_t> {1, 2}), LruPages(*manager));
    EXPECT_EQ(5u, manager->Lru().front().second);

    // Now page 2 is the least recently used one.
    manager->stamp = 7;
    EXPECT_EQ(7, manager->TouchRange(0, 0, false));
    EXPECT_EQ((Table {0, 1, None}), manager->PageTable());
}

TEST(PagingMemoryManager, TouchRangeReportsThisStampOnlyForPagesPagedInDuringIt)
{
    auto manager = Manager::Create(4, 8);
    manager->Allocate(8);  // pages 0..2, page 2 evicted page 0
    manager->stamp = 2;
    EXPECT_EQ(0, manager->TouchRange(4, 3, false)) << "page 1 only, resident since stamp 0";
    EXPECT_EQ(2, manager->TouchRange(0, 3, false)) << "page 0 comes in now";
    EXPECT_EQ(2, manager->TouchRange(0, 1, false)) << "paged in earlier in this stamp";
    manager->stamp = 3;
    EXPECT_EQ(2, manager->TouchRange(0, 1, false)) << "an older page-in";
}

TEST(PagingMemoryManager, PiecesFollowTheFramesOfARange)
{
    auto manager = TwoFramesThreePages();  // page 1 in frame 1, page 2 in frame 0
    // Bytes 5..10: the rest of page 1, then the start of page 2.
    EXPECT_EQ((std::vector<Piece> {{5, 3}, {0, 3}}), manager->GetPages(5, 6));
    EXPECT_EQ((std::vector<Piece> {{1 * 4 + 2, 1}}), manager->GetPages(6, 1));

    // Bigger pages and frames that are no longer in page order.
    auto big = Manager::Create(16, 64);
    big->Allocate(64);  // pages 0..4: page 4 evicted page 0
    big->stamp = 2;
    const std::vector<Piece> pieces = big->GetPages(20, 40);  // pages 1, 2, 3
    EXPECT_EQ((std::vector<Piece> {{16 + 4, 12}, {32, 16}, {48, 12}}), pieces);
    std::uint64_t total = 0;
    for (const Piece& piece : pieces) total += piece.size;
    EXPECT_EQ(40u, total);
    EXPECT_EQ((std::vector<Piece> {{48 + 12, 4}, {0, 4}}), big->GetPages(60, 8)) << "page 3, then page 4 in frame 0";
}

TEST(PagingMemoryManager, PagesWithoutAFrameGiveNoPiece)
{
    auto manager = TwoFramesThreePages();
    // Page 0 cannot evict anything at stamp 0; its two bytes are skipped, page 1 follows.
    EXPECT_EQ((std::vector<Piece> {{4, 2}}), manager->GetPages(2, 4));
    EXPECT_EQ(None, manager->PageTable()[0]);
}

TEST(PagingMemoryManager, EmptyQueryYieldsNothingAndTouchesNothing)
{
    auto fresh = Manager::Create(4, 8);
    EXPECT_TRUE(fresh->GetPages(0, 0).empty());

    auto manager = TwoFramesThreePages();
    manager->stamp = 9;
    const std::vector<std::size_t> before = LruPages(*manager);
    EXPECT_TRUE(manager->GetPages(0, 0).empty());
    EXPECT_TRUE(manager->GetPages(5, 0).empty());
    EXPECT_EQ(before, LruPages(*manager));
    EXPECT_EQ((Table {None, 1, 0}), manager->PageTable());
}

TEST(PagingMemoryManager, RangesOutsideTheAddressSpaceAreRejected)
{
    qz::test::CoutCapture console;
    auto manager = TwoFramesThreePages();  // pages 0..2: addresses 0..11
    const std::string touch = ErrorText([&] { manager->TouchRange(8, 4, false); });
    EXPECT_NE(std::string::npos, touch.find("PagingMemoryManager<unsigned __int64>::TouchRange"));
    EXPECT_NE(std::string::npos, touch.find("\nRange outside the allocated address space: 8 + 4"));
    EXPECT_NE("", ErrorText([&] { manager->GetPages(10, 3); }));
    EXPECT_NE("", ErrorText([&] { manager->GetPages(~0ull, 2); }));
    EXPECT_NE("", ErrorText([&] { manager->TouchRange(4, ~0ull, false); }));
    EXPECT_NE("", ErrorText([&] { manager->PageIn(3, true); }));
    EXPECT_NE("", ErrorText([&] { Manager::Create(4, 8)->TouchRange(0, 0, true); }));
    EXPECT_EQ((Table {None, 1, 0}), manager->PageTable()) << "nothing was touched";
    EXPECT_EQ("", ErrorText([&] { manager->TouchRange(8, 3, false); }));
    EXPECT_EQ("", ErrorText([&] { manager->GetPages(8, 4); }));

    const std::string full = ErrorText([&] { manager->Allocate(~0ull - 4); });
    EXPECT_NE(std::string::npos, full.find("\nAddress space exhausted"));
    EXPECT_EQ(8u, manager->Allocated());
}

// Under a random mix of calls, the page table, the page records and the LRU list agree:
// every frame belongs to at most one page, resident pages are exactly those in the list,
// and the list is full once there are more pages than frames.
TEST(PagingMemoryManager, BookkeepingStaysConsistentUnderRandomUse)
{
    auto manager = Manager::Create(64, 64 * 8);
    std::mt19937 random(12345);
    for (int step = 0; step < 5000; ++step) {
        const std::uint64_t allocated = manager->Allocated();
        switch (random() % 4) {
        case 0:
            manager->Allocate(random() % 200);
            break;
        case 1:
            ++manager->stamp;
            break;
        default: {
            const std::uint64_t address = allocated == 0 ? 0 : random() % allocated;
            const std::uint64_t size = random() % (allocated - address + 1);
            if (manager->PageTable().empty()) break;
            if (random() % 2) {
                manager->TouchRange(address, size, random() % 4 == 0);
            } else {
                std::uint64_t covered = 0;
                for (const Piece& piece : manager->GetPages(address, size)) {
                    ASSERT_LE(piece.offset + piece.size, 64u * 8);
                    covered += piece.size;
                }
                ASSERT_LE(covered, size);
            }
        }
        }

        const auto& table = manager->PageTable();
        const auto& pages = manager->Pages();
        ASSERT_EQ(table.size(), pages.size());
        std::set<std::uint32_t> frames;
        std::size_t resident = 0;
        for (std::size_t p = 0; p < pages.size(); ++p) {
            ASSERT_EQ(table[p], pages[p].frame);
            if (table[p] == None) continue;
            ++resident;
            ASSERT_LT(table[p], 8u);
            ASSERT_TRUE(frames.insert(table[p]).second) << "frame " << table[p] << " given twice";
            ASSERT_EQ(p, pages[p].lruPosition->first);
        }
        ASSERT_EQ(resident, manager->Lru().size());
        ASSERT_EQ(std::min<std::size_t>(pages.size(), 8), resident);
    }
}

}  // namespace
