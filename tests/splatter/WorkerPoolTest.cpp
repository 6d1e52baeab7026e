#include "src/ParticleSplatter.h"
#include "src/ParticleSplatterInterface.h"
#include "src/ParticleVolume.h"
#include "src/RecordReleaser.h"

#include "tarnwick/core/Exception.h"
#include "tarnwick/dev/Statistics.h"
#include "tests/support/ErrorReports.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <random>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Job = ParticleSplatterInterface::Job;
using PushResult = ParticleSplatterInterface::PushResult;

// Bricks with per-brick counters of what the workers did to them.
struct BrickSet {
    explicit BrickSet(std::size_t n) : count(n), bricks(n), processed(n), active(n)
    {
        for (Brick& brick : bricks) brick.particleCount = 1;
    }
    std::size_t IndexOf(const Brick* brick) const { return static_cast<std::size_t>(brick - bricks.data()); }

    std::size_t count;
    std::vector<Brick> bricks;
    std::vector<std::atomic<int>> processed, active;  // active: workers inside ProcessJob for the brick
};

class TestSplatter : public ParticleSplatterInterface {
public:
    TestSplatter(BrickSet& set, unsigned workers) : ParticleSplatterInterface(workers), set_(set) {}
    ~TestSplatter() override { StopProcessing(); }
    bool HasAttributes() const override { return false; }
    int GetColorAttributes() const override { return 0; }

    void ProcessJob(Job& job, int worker) override
    {
        // The workers' indices, and one more for the thread that helps in StopProcessing.
        if (worker < 0 || static_cast<unsigned>(worker) > GetWorkerCount()) badWorker.store(true);
        const std::size_t i = set_.IndexOf(job.brick);
        if (set_.active[i].fetch_add(1) != 0) overlapping.store(true);
        if (work) work(*job.brick);
        set_.active[i].fetch_sub(1);
        if (failFor && failFor(i)) throw qz::core::Exception("injected failure");
        set_.processed[i].fetch_add(1);
        if (consume) job.brick->particleCount = 0;
    }

    std::function<bool(std::size_t)> failFor;
    std::function<void(Brick&)> work;
    bool consume = true;
    std::atomic<bool> badWorker {false}, overlapping {false};

private:
    BrickSet& set_;
};

// Takes finished jobs as the GPU side does: under the mutex, sometimes holding it long.
std::vector<Job> TakeFinished(ParticleSplatterInterface& splatter, std::chrono::microseconds hold = 0us)
{
    std::lock_guard lock(splatter.GetHandOverMutex());
    std::vector<Job> jobs;
    jobs.swap(splatter.GetFinishedJobs());
    if (hold.count() > 0) std::this_thread::sleep_for(hold);
    return jobs;
}

template <class Predicate>
bool WaitFor(Predicate done, std::chrono::milliseconds limit = 10s)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(SplatterPool, WorkersKindsAndStatistics)
{
    for (const auto& [cores, workers] : {std::pair {0u, 1u}, {1u, 1u}, {2u, 1u}, {3u, 2u}, {8u, 7u}}) {
        EXPECT_EQ(workers, ParticleSplatterInterface::WorkerCountFor(cores)) << "one thread is left to rendering";
    }
    BrickSet set(1);
    EXPECT_EQ(3u, TestSplatter(set, 3).GetWorkerCount());
    EXPECT_EQ(ParticleSplatterInterface::DefaultWorkerCount(), TestSplatter(set, 0).GetWorkerCount());
    EXPECT_THROW((ParticleSplatter<ParticleTypes::ParticleAttributes_None, 2>(nullptr, 1)), qz::core::Exception);
    static double stale = 1.0;
    auto& statistics = qz::dev::Statistics::GetCollection("splatter");
    statistics.AddTypedItem("stale", &stale, "Left by an earlier splatter");
    TestSplatter another(set, 1);
    EXPECT_EQ(0u, statistics.Size()) << "a new splatter empties its collection";
}

TEST(SplatterPool, StartPushStopAndRestart)
{
    BrickSet set(20);
    TestSplatter splatter(set, 2);
    EXPECT_EQ(PushResult::Queued, splatter.PushJob(set.bricks[0], true));
    EXPECT_TRUE(set.bricks[0].queued.load());
    EXPECT_EQ(PushResult::AlreadyQueued, splatter.PushJob(set.bricks[0], false));
    set.bricks[1].particleCount = 0;
    EXPECT_EQ(PushResult::NoParticles, splatter.PushJob(set.bricks[1], true));
    EXPECT_FALSE(set.bricks[1].queued.load());
    EXPECT_EQ(1u, splatter.GetQueuedJobCount());
    splatter.StopProcessing();  // while stopped: queued jobs are dropped unsplatted
    EXPECT_TRUE(splatter.GetQueuedJobCount() == 0 && !set.bricks[0].queued.load() && set.processed[0].load() == 0);
    EXPECT_TRUE(set.bricks[0].particleCount == 1 && TakeFinished(splatter).empty());

    set.bricks[1].particleCount = 1;
    splatter.StartProcessing();
    EXPECT_EQ("ParticleSplatterInterface::StartProcessing|src\\ParticleSplatter|Already processing",
              qz::test::ReportOf([&] { splatter.StartProcessing(); }));
    EXPECT_TRUE(splatter.IsProcessing());
    for (std::size_t i = 0; i < set.count; ++i) splatter.PushJob(set.bricks[i], i == 0);
    splatter.StopProcessing();
    EXPECT_FALSE(splatter.IsProcessing());
    for (std::size_t i = 0; i < set.count; ++i) EXPECT_TRUE(set.processed[i].load() == 1 && !set.bricks[i].queued.load()) << i;
    const std::vector<Job> finished = TakeFinished(splatter);
    ASSERT_EQ(1u, finished.size()) << "only jobs with hand-over";
    EXPECT_TRUE(finished[0].brick == &set.bricks[0] && finished[0].handOver);
    splatter.StartProcessing();  // restarting fills the same slots with new threads
    set.bricks[0].particleCount = 1;
    splatter.PushJob(set.bricks[0], false);
    splatter.StopProcessing();
    EXPECT_EQ(2, set.processed[0].load());
}

TEST(SplatterPool, EveryHandOverJobIsFinishedExactlyOnceOverManyCycles)
{
    constexpr int Cycles = 40;
    constexpr std::size_t PerCycle = 150;
    BrickSet set(Cycles * PerCycle);
    std::vector<bool> handOver(set.count);
    std::mt19937 random(7);
    for (std::size_t i = 0; i < set.count; ++i) handOver[i] = random() % 3 != 0;

    TestSplatter splatter(set, 4);
    splatter.work = [](Brick&) { std::this_thread::yield(); };
    std::vector<int> finishedCount(set.count, 0);
    std::atomic<bool> consuming {true};
    std::thread consumer([&] {
        int round = 0;
        while (consuming.load()) {
            for (const Job& job : TakeFinished(splatter, ++round % 4 == 0 ? 2000us : 0us)) {
                ++finishedCount[set.IndexOf(job.brick)];
            }
            std::this_thread::sleep_for(300us);
        }
    });

    for (int c = 0; c < Cycles; ++c) {
        splatter.StopProcessing();
        for (std::size_t i = c * PerCycle; i < (c + 1) * PerCycle; ++i) {
            ASSERT_EQ(PushResult::Queued, splatter.PushJob(set.bricks[i], handOver[i]));
        }
        splatter.StartProcessing();
        if (c % 3 == 0) std::this_thread::sleep_for(1ms);
    }
    splatter.StopProcessing();
    consuming.store(false);
    consumer.join();
    for (const Job& job : TakeFinished(splatter)) ++finishedCount[set.IndexOf(job.brick)];

    for (std::size_t i = 0; i < set.count; ++i) {
        ASSERT_EQ(1, set.processed[i].load()) << i;
        ASSERT_EQ(handOver[i] ? 1 : 0, finishedCount[i]) << i;
        ASSERT_FALSE(set.bricks[i].queued.load());
    }
    EXPECT_FALSE(splatter.badWorker.load());
    EXPECT_FALSE(splatter.overlapping.load());
}

TEST(SplatterPool, JobsFinishedWhileStoppingAreStillHandedOver)
{
    BrickSet set(50);
    TestSplatter splatter(set, 3);
    std::unique_lock handOver(splatter.GetHandOverMutex());
    for (std::size_t i = 0; i < set.count; ++i) splatter.PushJob(set.bricks[i], true);
    splatter.StartProcessing();
    ASSERT_TRUE(WaitFor([&] {
        return std::all_of(set.processed.begin(), set.processed.end(), [](auto& n) { return n.load() == 1; });
    }));
    // Every worker now holds finished jobs it could not hand over.
    std::thread stopper([&] { splatter.StopProcessing(); });
    std::this_thread::sleep_for(30ms);
    EXPECT_TRUE(splatter.GetFinishedJobs().empty());
    handOver.unlock();
    stopper.join();
    EXPECT_EQ(set.count, TakeFinished(splatter).size());
}

TEST(SplatterPool, AFailingJobIsReportedAndTheWorkerGoesOn)
{
    BrickSet set(30);
    TestSplatter splatter(set, 1);
    splatter.failFor = [](std::size_t i) { return i % 10 == 3; };
    for (std::size_t i = 0; i < set.count; ++i) splatter.PushJob(set.bricks[i], true);
    splatter.StartProcessing();
    splatter.StopProcessing();
    const std::vector<Job> finished = TakeFinished(splatter);
    EXPECT_EQ(27u, finished.size());
    for (const Job& job : finished) EXPECT_NE(3u, set.IndexOf(job.brick) % 10);
    for (std::size_t i = 0; i < set.count; ++i) {
        EXPECT_FALSE(set.bricks[i].queued.load());
        EXPECT_EQ(i % 10 == 3 ? 1u : 0u, set.bricks[i].particleCount);
    }
    // The failed bricks can be queued again.
    splatter.failFor = nullptr;
    EXPECT_EQ(PushResult::Queued, splatter.PushJob(set.bricks[3], true));
}

TEST(SplatterPool, ConcurrentStopPushStartSequencesNeverQueueABrickTwice)
{
    BrickSet set(64);
    TestSplatter splatter(set, 3);
    splatter.consume = false;  // bricks stay eligible, so every sequence pushes them again
    splatter.work = [](Brick&) { std::this_thread::sleep_for(20us); };
    std::atomic<int> failures {0};
    const auto producer = [&](std::size_t first) {
        for (int round = 0; round < 25; ++round) {
            try {
                const auto control = splatter.LockControl();
                splatter.StopProcessing();
                for (std::size_t k = 0; k < set.count; ++k) splatter.PushJob(set.bricks[(first + k) % set.count], false);
                splatter.StartProcessing();
            } catch (...) {
                failures.fetch_add(1);
            }
        }
    };
    std::thread loader(producer, 0);
    std::thread main(producer, 32);
    loader.join();
    main.join();
    splatter.StopProcessing();
    EXPECT_EQ(0, failures.load());
    EXPECT_FALSE(splatter.overlapping.load());
    for (std::size_t i = 0; i < set.count; ++i) EXPECT_FALSE(set.bricks[i].queued.load());
}

}  // namespace

namespace {

// A brick that cannot be splatted (here its records are of another attribute kind) is an
// error of the load, not a warning: the failure is handed to whoever waited for the jobs,
// and no file of its timestep is written until the brick has been splatted.
TEST(SplatFailure, IsReportedAndKeepsItsTimestepFromBeingSaved)
{
    namespace fs = std::filesystem;
    using None = ParticleTypes::ParticleAttributes_None;
    fs::remove_all("failed");
    fs::create_directory("failed");
    ParticleVolume<None> volume;
    volume.Prepare(32, 2, 2);
    const int t = static_cast<int>(volume.CreateTimestep(true));
    const std::uint32_t position[3] = {1, 0, 0};
    Brick* brick = volume.GetBrick(t, position, 1, true);
    brick->particles.Allocate<ParticleTypes::ParticleAttributes_VMag>(1)[0] = {PackBrickPosition(3, 3, 3), {0.5f}, 1};
    brick->particleCount = brick->totalParticleCount = 1;

    ParticleSplatter<None, 2> splatter(&volume, 2);
    ASSERT_EQ(PushResult::Queued, splatter.PushJob(*brick, false));
    splatter.StartProcessing();
    splatter.StopProcessing();
    const std::vector<std::string> failures = splatter.TakeFailures();
    ASSERT_EQ(1u, failures.size());
    EXPECT_EQ(0u, failures[0].find("Splatting the brick at level 1 [1, 0, 0] of timestep 0 failed: ")) << failures[0];
    EXPECT_TRUE(splatter.TakeFailures().empty());
    EXPECT_TRUE(brick->splatFailed);
    EXPECT_TRUE(brick->levels.empty());  // no zero brick
    EXPECT_FALSE(brick->splatted);

    volume.ClearParticleData(t);  // as the application does once the jobs are done
    qz::test::CoutCapture console;
    EXPECT_TRUE(qz::test::ReportOf([&] { volume.SaveProcessedFile("failed/v_%04d.ppv", t); })
                    .ends_with("|Timestep 0 is not saved to failed/v_0000.ppv: 1 of its bricks were not splatted, the first at "
                               "level 1 [1, 0, 0]"));
    EXPECT_TRUE(fs::is_empty("failed"));
    // Splatted from records it can read, the brick is saved.
    brick->particles.Allocate<None>(1)[0] = {PackBrickPosition(3, 3, 3), {}, 1};
    brick->particleCount = 1;
    ASSERT_EQ(PushResult::Queued, splatter.PushJob(*brick, false));
    splatter.StartProcessing();
    splatter.StopProcessing();
    EXPECT_TRUE(splatter.TakeFailures().empty());
    EXPECT_FALSE(brick->splatFailed);
    volume.SaveProcessedFile("failed/v_%04d.ppv", t);
    EXPECT_TRUE(fs::exists("failed/v_0000.ppv"));
}

}  // namespace

namespace {

std::atomic<int> destroyed {0};

// A record payload that counts its destruction.
struct Counted {
    ~Counted() { ++destroyed; }
};

BrickParticleArray Records(int count)
{
    BrickParticleArray array;
    array.Allocate<Counted>(static_cast<std::uint64_t>(count));
    return array;
}

TEST(RecordReleaser, FreesOnlyInAQuietMomentAndEverythingAtTheEnd)
{
    destroyed = 0;
    std::atomic<bool> quiet {false};
    {
        RecordReleaser releaser([&] { return quiet.load(); });
        releaser.Release(Records(3));
        releaser.Release(Records(4));
        releaser.Release(BrickParticleArray {});  // nothing to free
        std::this_thread::sleep_for(30ms);
        EXPECT_TRUE(destroyed.load() == 0 && releaser.PendingCount() == 2);
        quiet = true;
        EXPECT_TRUE(WaitFor([] { return destroyed.load() == 7; }));
        EXPECT_EQ(0u, releaser.PendingCount());
        quiet = false;
        releaser.Release(Records(5));
    }
    EXPECT_EQ(12, destroyed.load()) << "freed by the destructor, quiet or not";
    {
        RecordReleaser releaser([] { return true; });
        std::vector<std::thread> workers;
        for (int w = 0; w < 4; ++w) {
            workers.emplace_back([&] {
                for (int i = 0; i < 200; ++i) releaser.Release(Records(2));
            });
        }
        for (auto& worker : workers) worker.join();
    }
    EXPECT_EQ(1612, destroyed.load());
}

}  // namespace
