#include "tests/volume/VolumeTestSupport.h"

#include "tests/support/ErrorReports.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <thread>

namespace {

using namespace qz::test;

TEST(ParticleVolumeInterface, NewPreparedAndSelectedTimesteps)
{
    ParticleVolume<None> volume;
    EXPECT_TRUE(!volume.HasTimesteps() && volume.GetCurrentTimestep() == -1 && volume.GetBrickSize() == ~0u && !volume.IsPrepared());
    EXPECT_TRUE(!volume.swapYZ && volume.worldToVolume.m[2][2] == 1 && volume.worldToVolume.m[3][0] == 0);
    for (float value : volume.boundingBox) EXPECT_EQ(0.0f, value);
    EXPECT_TRUE(!ParticleVolume<None>().HasAttributes() && ParticleVolume<VMag>().HasAttributes() && ParticleVolume<ColorCount>().HasAttributes());

    qz::test::CoutCapture capture;
    for (const std::array<std::uint32_t, 3> s : {std::array<std::uint32_t, 3> {48, 4, 6}, {64, 32, 6}, {64, 4, 12}}) {
        const std::string error = qz::test::ReportOf([&] { volume.Prepare(s[0], s[1], s[2]); });
        EXPECT_EQ(0u, error.find("ParticleVolumeInterface::Prepare|src\\ParticleVolumeInterface|Invalid ")) << error;
        EXPECT_FALSE(volume.IsPrepared());
    }
    volume.Prepare(64, 4, 11);  // as many levels as leaf bricks can be numbered in 32 bits
    EXPECT_TRUE(volume.GetLevelCount() == 11 && volume.GetGeometry().leafCount == 1u << 30);
    volume.Prepare(64, 4, 6);
    EXPECT_NE(std::string::npos, capture.Text().find("\nPreparing volume:\n\tBrickSize: 64\n\tOverlap: 4\n\tLevels: 6\n"));
    EXPECT_TRUE(volume.GetBrickSize() == 64 && volume.GetOverlap() == 4 && volume.GetLevelCount() == 6);
    EXPECT_EQ(56u, volume.GetGeometry().innerSize);
    EXPECT_EQ(qz::utils::Timer::Stopped, volume.timer.GetState());
    for (int i = 0; i < 3; ++i) volume.CreateTimestep(false);
    volume.SetTimestep(5);
    EXPECT_NE(std::string::npos, capture.Text().find("Changing particle volume timestep to 5\n"));
    volume.SetTimestep(-1);
    EXPECT_EQ(0, volume.GetCurrentTimestep());
    volume.SetTimestep(2);
    EXPECT_EQ(2, volume.GetCurrentTimestep());
}

TEST(ForEachBrick, VisitsLevelByLevelInChildOrder)
{
    ParticleVolumeInterface::TimestepAttributes timestep;
    Brick& six = timestep.root.CreateChild(6);
    Brick& three = timestep.root.CreateChild(3);
    Brick& deep = three.CreateChild(0);
    Brick& deeper = six.CreateChild(7);
    std::vector<Brick*> order;
    ParticleVolumeInterface::ForEachBrick(&timestep, [&](Brick& b) { order.push_back(&b); }, nullptr);
    EXPECT_EQ((std::vector<Brick*> {&timestep.root, &three, &six, &deep, &deeper}), order);
}

TEST(ForEachBrick, TheFrustumCullsWholeSubtrees)
{
    ParticleVolumeInterface::TimestepAttributes timestep;
    Brick& low = timestep.root.CreateChild(0);  // x in [-1, 0]
    low.CreateChild(0);
    Brick& high = timestep.root.CreateChild(1);  // x in [0, 1]
    high.CreateChild(1);
    std::vector<Brick*> order;
    auto collect = [&](Brick& b) { order.push_back(&b); };

    ViewFrustum frustum;
    for (auto& plane : frustum.planes) plane[3] = 1;  // everything inside
    frustum.planes[0][0] = 1;                         // x + 1 >= 0 ... now x >= 0.5:
    frustum.planes[0][3] = -0.5f;
    ParticleVolumeInterface::ForEachBrick(&timestep, collect, &frustum);
    EXPECT_EQ((std::vector<Brick*> {&timestep.root, &high, high.children[1].get()}), order);

    order.clear();
    frustum.planes[0][3] = -2.0f;  // x >= 2: not even the root
    ParticleVolumeInterface::ForEachBrick(&timestep, collect, &frustum);
    EXPECT_TRUE(order.empty());
}

TEST(ParticleVolumeInterface, TimestepsCanBeAddedWhileAnotherThreadReadsThem)
{
    ParticleVolume<None> volume;
    volume.Prepare(16, 2, 2);
    std::atomic<bool> done {false};
    std::thread loader([&] {
        for (int i = 0; i < 200; ++i) volume.CreateTimestep(i % 3 == 0);
        done = true;
    });
    std::size_t seen = 0;
    while (!done) {
        const int current = volume.GetCurrentTimestep();
        if (auto data = volume.GetTimestep(current)) {
            EXPECT_EQ(current, data->root.timestep);
            ParticleVolumeInterface::ForEachBrick(data.get(), [](Brick&) {}, nullptr);
        }
        seen = std::max(seen, volume.GetTimestepCount());
        volume.SetTimestep(static_cast<int>(seen) / 2);
    }
    loader.join();
    EXPECT_EQ(200u, volume.GetTimestepCount());
}

}  // namespace
