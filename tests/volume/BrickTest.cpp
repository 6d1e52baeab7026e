#include "src/Brick.h"
#include "src/ParticleTypes.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

using None = ParticleTypes::ParticleAttributes_None;
using VMag = ParticleTypes::ParticleAttributes_VMag;

TEST(Brick, DefaultIsTheWholeCubeWithoutSlot)
{
    Brick brick;
    EXPECT_EQ(0u, brick.level);
    EXPECT_EQ(0u, brick.position[0]);
    EXPECT_EQ(0u, brick.position[2]);
    for (int a = 0; a < 3; ++a) {
        EXPECT_EQ(0.0f, brick.box.center[a]);
        EXPECT_EQ(1.0f, brick.box.halfSize[a]);
    }
    EXPECT_EQ(1.0f, brick.box.center[3]);
    EXPECT_EQ(0.0f, brick.box.halfSize[3]);
    EXPECT_EQ(-1, static_cast<std::int32_t>(brick.gpuSlot.index));
    EXPECT_FALSE(brick.IsResident());
    EXPECT_EQ(-1, brick.timestep);
    EXPECT_EQ(~std::uint64_t {0}, brick.attributeAddress);
    EXPECT_EQ(-1, brick.attributeStamp);
    EXPECT_EQ(-1, brick.lastUsedFrame);
    EXPECT_EQ(0xFFFFFFFFu, brick.descIndex);
    EXPECT_EQ(0xFFFFFFFFu, brick.desc.key);
    EXPECT_EQ(0xFFFFFFFFu, brick.desc.slot);
    EXPECT_EQ(~std::uint64_t {0}, brick.desc.attributeAddress);
    EXPECT_EQ(0u, brick.desc.flags);
    EXPECT_FALSE(brick.particles);
    EXPECT_EQ(0u, brick.particleCount);
    EXPECT_EQ(0u, brick.totalParticleCount);
    for (const auto& child : brick.children) EXPECT_EQ(nullptr, child);
}

TEST(Brick, ResidentNeedsIndexAndReservation)
{
    Brick brick;
    brick.gpuSlot.index = 3;
    EXPECT_FALSE(brick.IsResident());
    brick.gpuSlot.reserved = true;
    EXPECT_TRUE(brick.IsResident());
    brick.gpuSlot.index = 0xFFFFFFFFu;
    EXPECT_FALSE(brick.IsResident());
}

TEST(Brick, ChildFiveOfTheRoot)
{
    Brick root;
    root.timestep = 7;
    EXPECT_EQ(5u, Brick::ChildNumber(1, 0, 1));
    Brick& child = root.CreateChild(5);
    EXPECT_EQ(&child, root.children[5].get());
    EXPECT_EQ(1u, child.level);
    EXPECT_EQ(1u, child.position[0]);
    EXPECT_EQ(0u, child.position[1]);
    EXPECT_EQ(1u, child.position[2]);
    EXPECT_EQ(7, child.timestep);
    EXPECT_EQ(0.5f, child.box.center[0]);
    EXPECT_EQ(-0.5f, child.box.center[1]);
    EXPECT_EQ(0.5f, child.box.center[2]);
    EXPECT_EQ(1.0f, child.box.center[3]);
    for (int a = 0; a < 3; ++a) EXPECT_EQ(0.5f, child.box.halfSize[a]);
    EXPECT_EQ(0.0f, child.box.halfSize[3]);
}

TEST(Brick, GrandchildPlacementFollowsTheGrid)
{
    Brick root;
    Brick& child = root.CreateChild(Brick::ChildNumber(1, 1, 0));
    Brick& grandchild = child.CreateChild(Brick::ChildNumber(0, 1, 1));
    EXPECT_EQ(2u, grandchild.level);
    EXPECT_EQ(2u, grandchild.position[0]);
    EXPECT_EQ(3u, grandchild.position[1]);
    EXPECT_EQ(1u, grandchild.position[2]);
    // Cells of edge 0.5: centres at -0.75, -0.25, 0.25, 0.75.
    EXPECT_EQ(0.25f, grandchild.box.center[0]);
    EXPECT_EQ(0.75f, grandchild.box.center[1]);
    EXPECT_EQ(-0.25f, grandchild.box.center[2]);
    EXPECT_EQ(0.25f, grandchild.box.halfSize[1]);
}

TEST(Brick, DestroyingTheRootReleasesTheSubtreeOnce)
{
    {
        Brick root;
        for (unsigned c = 0; c < 8; ++c) {
            Brick& child = root.CreateChild(c);
            for (unsigned g = 0; g < 8; g += 3) {
                Brick& leaf = child.CreateChild(g);
                leaf.particles.Allocate<VMag>(5);
                leaf.particleCount = 5;
                leaf.levels.resize(2, std::vector<Brick::OccupancyWord>(4));
            }
        }
        root.particles.Allocate<None>(3);
    }
    // AddressSanitizer reports any brick or array left or freed twice.
    SUCCEED();
}

TEST(BrickParticleArray, HandsRecordsOutOnlyAsTheirKind)
{
    BrickParticleArray array;
    EXPECT_EQ(nullptr, array.Get<None>());
    BrickParticle<VMag>* records = array.Allocate<VMag>(4);
    ASSERT_NE(nullptr, records);
    EXPECT_EQ(records, array.Get<VMag>());
    EXPECT_EQ(nullptr, array.Get<None>());
    records[3].attributes.magnitude = 2.5f;

    // A new allocation releases the old records (AddressSanitizer reports a leak).
    BrickParticle<None>* other = array.Allocate<None>(2);
    EXPECT_EQ(other, array.Get<None>());
    EXPECT_EQ(nullptr, array.Get<VMag>());

    BrickParticleArray moved(std::move(array));
    EXPECT_FALSE(array);
    EXPECT_EQ(other, moved.Get<None>());
    moved.Reset();
    EXPECT_FALSE(moved);
}

TEST(BrickParticle, RecordLayout)
{
    static_assert(sizeof(BrickParticle<None>) == 8);
    static_assert(sizeof(BrickParticle<VMag>) == 12);
    static_assert(sizeof(BrickParticle<ParticleTypes::ParticleAttributes_ColorCount>) == 20);
    static_assert(sizeof(shader::Brick) == 24);
    BrickParticle<None> record {PackBrickPosition(1023, 5, 1000), {}, 9};
    EXPECT_EQ(1023u | 5u << 10 | 1000u << 20, record.position);
    EXPECT_EQ(1023u, record.X());
    EXPECT_EQ(5u, record.Y());
    EXPECT_EQ(1000u, record.Z());
    EXPECT_EQ(0u, record.position >> 30);
}

}  // namespace
