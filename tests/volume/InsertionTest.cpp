#include "tests/volume/VolumeTestSupport.h"

#include "tests/support/ErrorReports.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <omp.h>
#include <random>

namespace {

using namespace qz::test;
using qz::test::ReportOf;

TEST(CreateTimestep, PreparedVolumesSelectingOnlyWhenAskedOrNoneIsCurrent)
{
    qz::test::CoutCapture console;
    ParticleVolume<None> unprepared;
    EXPECT_EQ("ParticleVolume<struct ParticleTypes::ParticleAttributes_None>::CreateTimestep|src\\ParticleVolume|Prepare() "
              "call missing before CreateTimestep()",
              ReportOf([&] { unprepared.CreateTimestep(false); }));
    EXPECT_FALSE(unprepared.HasTimesteps());
    ParticleVolume<None> volume;
    volume.Prepare(16, 2, 3);
    EXPECT_EQ(0u, volume.CreateTimestep(false));
    EXPECT_EQ(0, volume.GetCurrentTimestep());
    EXPECT_EQ(1u, volume.CreateTimestep(false));
    EXPECT_EQ(2u, volume.CreateTimestep(true));
    EXPECT_EQ(3u, volume.CreateTimestep(false));
    EXPECT_EQ(2, volume.GetCurrentTimestep());
    for (int t = 0; t < 4; ++t) EXPECT_EQ(t, volume.GetTimestep(t)->root.timestep);
    LoadChunk(volume, Particles<None>(3));
    EXPECT_EQ("ParticleVolume<struct ParticleTypes::ParticleAttributes_None>::CreateTimestep|src\\ParticleVolume|There's "
              "temporary data existing, assure no timestep is already being created!",
              ReportOf([&] { volume.CreateTimestep(false); }));
    EXPECT_EQ(4u, volume.GetTimestepCount());
}

TEST(InsertParticles, ChecksLogsAndFreedChunks)
{
    qz::test::CoutCapture console;
    ParticleVolume<None> volume;
    volume.Prepare(64, 4, 6);
    volume.CreateTimestep(false);
    const std::string method = "ParticleVolume<struct ParticleTypes::ParticleAttributes_None>::InsertParticles|src\\ParticleVolume|";
    const auto insert = [&](std::uint64_t first, std::uint64_t end) { return ReportOf([&] { volume.InsertParticles(first, end); }); };
    for (const std::array<float, 6> box : {std::array<float, 6> {0, 0, 0, NAN, 1, 1}, {0, 0, 0, INFINITY, 1, 1}, {0, 0, 1, 1, 1, 0}}) {
        std::copy(box.begin(), box.end(), volume.boundingBox);
        LoadChunk(volume, Particles<None>(1));
        EXPECT_NE(std::string::npos, insert(0, 0).find("|Invalid bounding box")) << box[3];
    }
    LoadChunk(volume, Particles<None>());
    EXPECT_EQ("", insert(0, 0)) << "nothing to insert needs no box";
    SetBox(volume, {0, 0, 0, 1, 1, 1});
    volume.ClearTemporaryData();
    EXPECT_EQ(method + "PrepareTemporaryData() call missing before InsertParticles()", insert(0, 0));
    LoadChunk(volume, Particles<None>(10));
    volume.records.resize(9);
    EXPECT_EQ(method + "The record list holds 9 records; 10 are needed", insert(0, 0));
    LoadChunk(volume, Particles<None>(10));
    EXPECT_EQ(method + "Invalid chunk range 0 - 2 of 1 chunks", insert(0, 2));
    EXPECT_EQ(method + "Invalid chunk range 1 - 0 of 1 chunks", insert(1, 0));
    volume.chunks.resize(2);
    volume.chunks[1].resize(4);
    EXPECT_EQ(method + "Chunk 0 holds 10 particles; only the last chunk of a range may hold fewer than 50000000", insert(0, 0));
    LoadChunk(volume, Particles<None>(10));
    volume.Prepare(64, 4, 7);  // a level count changed after the counters were made
    EXPECT_EQ(method + "PrepareTemporaryData() call missing before InsertParticles()", insert(0, 0));

    volume.Prepare(64, 4, 6);
    LoadChunk(volume, Particles<None>(7));
    qz::test::CoutCapture capture;
    volume.InsertParticles(0, 0);
    EXPECT_EQ("Starting insertion of 0 particles\nParallel processing of 7 chunks of size 50000000starting...\n"
              "Processing finished.\n",
              capture.Text());
    EXPECT_TRUE(volume.chunks[0].empty() && volume.chunks[0].capacity() == 0);
    EXPECT_EQ(qz::utils::Timer::Paused, volume.timer.GetState());
    EXPECT_EQ(7u, volume.leafCounters[0].load());
    static_assert(std::is_same_v<decltype(volume.leafCounters[0].load()), std::uint64_t>, "counted in 64 bits");
}

TEST(InsertParticles, ThreadsBeyondThePreparedCountAreServed)
{
#ifdef __SANITIZE_THREAD__
    GTEST_SKIP() << "libgomp is not instrumented: more than one OpenMP thread reports false races";
#endif
    ParticleVolume<None> volume;
    volume.Prepare(16, 2, 3);
    volume.CreateTimestep(false);
    SetBox(volume, {0, 0, 0, 1, 1, 1});
    {
        ThreadCount one(1);
        LoadChunk(volume, Particles<None>(1000, ParticleTypes::VolumeParticle<None> {0.5f, 0.5f, 0.5f, {}}));
    }
    ThreadCount many(6);
    volume.InsertParticles(0, 0);
    EXPECT_GE(volume.threadRecords.size(), 1u);
}

// Every particle goes to each brick, its own or a neighbour not low on one axis and high
// on another, whose region widened by the overlap holds its voxel.
std::vector<std::tuple<std::uint32_t, std::uint32_t, float>> ReferenceRecords(
    const VolumeGeometry& g, const float box[6], bool swapYZ, const Particles<VMag>& particles)
{
    const BoxMapping m = BoxMapping::FromBox(box);
    const auto e = static_cast<std::int64_t>(g.innerSize);
    const auto d = static_cast<std::int64_t>(g.leavesPerAxis);
    const auto n = static_cast<std::int64_t>(g.overlap);
    std::vector<std::tuple<std::uint32_t, std::uint32_t, float>> out;
    for (const auto& p : particles) {
        const float position[3] = {p.x, p.y, p.z};
        std::int64_t v[3], b[3];
        for (int a = 0; a < 3; ++a) {
            const float f = (position[a] - m.origin[a]) * m.scale * static_cast<float>(g.maxVoxel) + 0.5f;
            // Beyond the grid: one voxel past the edge brick's region, where the brick has one.
            const std::int64_t last = n > 0 ? e * d : e * d - 1;
            v[a] = std::isnan(f) ? 0 : static_cast<std::int64_t>(std::clamp(f, 0.0f, static_cast<float>(last)));
        }
        if (swapYZ) std::swap(v[1], v[2]);
        for (int a = 0; a < 3; ++a) b[a] = std::min(v[a] / e, d - 1);
        for (int neighbour = 0; neighbour < 27; ++neighbour) {
            const int offset[3] = {neighbour % 3 - 1, neighbour / 3 % 3 - 1, neighbour / 9 - 1};
            const bool low = offset[0] < 0 || offset[1] < 0 || offset[2] < 0, high = offset[0] > 0 || offset[1] > 0 || offset[2] > 0;
            std::int64_t local[3], brick[3];
            bool inside = !(low && high);
            for (int a = 0; a < 3; ++a) {
                brick[a] = b[a] + offset[a];
                local[a] = v[a] - brick[a] * e + n;
                inside = inside && brick[a] >= 0 && brick[a] < d && local[a] >= 0 && local[a] < static_cast<std::int64_t>(g.brickSize);
            }
            if (!inside) continue;
            out.emplace_back(static_cast<std::uint32_t>(brick[0] + brick[1] * d + brick[2] * d * d),
                             PackBrickPosition(std::uint32_t(local[0]), std::uint32_t(local[1]), std::uint32_t(local[2])), p.attributes.magnitude);
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

Particles<VMag> RandomParticles(std::size_t count, const float box[6], unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(-0.01f, 1.01f);  // a few particles fall a little outside
    Particles<VMag> particles;
    for (std::size_t i = 0; i < count; ++i) {
        const float x = unit(random), y = unit(random), z = unit(random);
        particles.push_back(MakeParticle(box[0] + x * (box[3] - box[0]), box[1] + y * (box[4] - box[1]), box[2] + z * (box[5] - box[2]),
                                         static_cast<float>(i)));
    }
    return particles;
}

TEST(InsertParticles, EveryParticleLandsInItsLeafAndItsOverlapCopies)
{
    struct Setting {
        std::uint32_t brickSize, overlap, levels;
        bool swapYZ;
    };
    const float box[6] = {-1.5f, 0.25f, 2.0f, 0.5f, 1.0f, 3.5f};
    for (const Setting s : {Setting {16, 2, 4, false}, Setting {16, 2, 4, true}, Setting {8, 3, 3, false},
                            Setting {32, 1, 2, false}, Setting {8, 0, 3, true},
                            // Beyond private counting: every count goes to the shared counters.
                            Setting {8, 1, 8, false}}) {
        ParticleVolume<VMag> volume;
        volume.Prepare(s.brickSize, s.overlap, s.levels);
        volume.swapYZ = s.swapYZ;
        std::copy(box, box + 6, volume.boundingBox);
        const Particles<VMag> particles = RandomParticles(40'000, box, s.brickSize + s.overlap);
        const int t = BuildTimestep(volume, particles);
        const auto built = CollectRecords(volume, t);
        const auto expected = ReferenceRecords(volume.GetGeometry(), box, s.swapYZ, particles);
        EXPECT_TRUE(s.overlap == 0 || expected.size() > particles.size());
        EXPECT_TRUE(expected == built) << "brick size " << s.brickSize << ", overlap " << s.overlap;
    }
}

}  // namespace
