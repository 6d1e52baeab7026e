#include "tests/volume/VolumeTestSupport.h"

#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace qz::test;

TEST(ParticleVolumeInterface, NewVolumeIsUnprepared)
{
    ParticleVolume<None> volume;
    EXPECT_FALSE(volume.HasTimesteps());
    EXPECT_EQ(-1, volume.GetCurrentTimestep());
    EXPECT_EQ(~0u, volume.GetBrickSize());
    EXPECT_FALSE(volume.IsPrepared());
    EXPECT_FALSE(volume.swapYZ);
    EXPECT_EQ(1.0f, volume.worldToVolume.m[2][2]);
    EXPECT_EQ(0.0f, volume.worldToVolume.m[3][0]);
    for (float value : volume.boundingBox) EXPECT_EQ(0.0f, value);
}

TEST(ParticleVolumeInterface, HasAttributesByKind)
{
    EXPECT_FALSE(ParticleVolume<None>().HasAttributes());
    EXPECT_TRUE(ParticleVolume<VMag>().HasAttributes());
    EXPECT_TRUE(ParticleVolume<ColorCount>().HasAttributes());
}

TEST(ParticleVolumeInterface, PrepareLogsOneMessageAndStoresTheSettings)
{
    ParticleVolume<None> volume;
    qz::test::CoutCapture capture;
    volume.Prepare(64, 4, 6);
    EXPECT_NE(std::string::npos, capture.Text().find("Preparing volume:\n\tBrickSize: 64\n\tOverlap: 4\n\tLevels: 6"));
    EXPECT_EQ(64u, volume.GetBrickSize());
    EXPECT_EQ(4u, volume.GetOverlap());
    EXPECT_EQ(6u, volume.GetLevelCount());
    EXPECT_EQ(56u, volume.GetGeometry().innerSize);
    EXPECT_EQ(qz::utils::Timer::Stopped, volume.timer.GetState());
}

TEST(ParticleVolumeInterface, PrepareRejectsSettingsThatCannotMakeAVolume)
{
    struct Settings {
        std::uint32_t brickSize, overlap, levels;
    };
    for (const Settings s : {Settings {48, 4, 6}, Settings {4, 0, 6}, Settings {2048, 4, 6}, Settings {64, 32, 6},
                             Settings {64, 4, 0}, Settings {64, 4, 12}, Settings {~0u, ~0u, ~0u}}) {
        ParticleVolume<None> volume;
        const std::string error = ErrorText([&] { volume.Prepare(s.brickSize, s.overlap, s.levels); });
        EXPECT_NE(std::string::npos, error.find("ParticleVolumeInterface::Prepare")) << s.brickSize;
        EXPECT_NE(std::string::npos, error.find("Invalid")) << error;
        EXPECT_FALSE(volume.IsPrepared());
        EXPECT_NE(std::string::npos, ErrorText([&] { volume.CreateTimestep(false); }).find("Prepare() call missing"));
    }
}

TEST(ParticleVolumeInterface, SetTimestepSelectsOnlyExistingTimesteps)
{
    ParticleVolume<None> volume;
    volume.Prepare(16, 2, 2);
    for (int i = 0; i < 3; ++i) volume.CreateTimestep(false);
    EXPECT_EQ(0, volume.GetCurrentTimestep());
    {
        qz::test::CoutCapture capture;
        volume.SetTimestep(5);
        EXPECT_NE(std::string::npos, capture.Text().find("Changing particle volume timestep to 5"));
    }
    EXPECT_EQ(0, volume.GetCurrentTimestep());
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

TEST(ForEachBrick, AnEmptyFunctionIsTheCallersError)
{
    ParticleVolumeInterface::TimestepAttributes timestep;
    EXPECT_THROW(ParticleVolumeInterface::ForEachBrick(&timestep, {}, nullptr), std::bad_function_call);
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
