#include "src/ParticleSplatterInterface.h"

#include "platform/win/AvailableCores.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/core/Logging.h"
#include "tarnwick/dev/Statistics.h"

#include <chrono>
#include <exception>
#include <sstream>

namespace {

constexpr auto IdleSleep = std::chrono::milliseconds(5);

std::string FailedJobText(const Brick& brick, const char* what)
{
    std::ostringstream text;
    text << "Splatting the brick at level " << brick.level << " " << qz::core::LogVector3(brick.position)
         << " of timestep " << brick.timestep << " failed: " << what;
    return text.str();
}

}  // namespace

ParticleSplatterInterface::ParticleSplatterInterface(unsigned workerCount)
    : workers_(workerCount == 0 ? DefaultWorkerCount() : workerCount)
{
    // The splatter publishes nothing; a collection left by an earlier one is emptied.
    qz::dev::Statistics::StatisticsCollection& statistics = qz::dev::Statistics::GetCollection("splatter");
    std::vector<std::string> keys;
    statistics.ForEachItem([&keys](const qz::core::VariantCollectionItem& item) { keys.push_back(item.key); });
    for (const std::string& key : keys) statistics.RemoveItem(key);
}

ParticleSplatterInterface::~ParticleSplatterInterface()
{
    StopProcessing();
}

unsigned ParticleSplatterInterface::WorkerCountFor(unsigned hardwareThreads)
{
    return hardwareThreads <= 2 ? 1 : hardwareThreads - 1;
}

unsigned ParticleSplatterInterface::DefaultWorkerCount()
{
    return WorkerCountFor(AvailableCores());
}

void ParticleSplatterInterface::StartProcessing()
{
    const auto control = LockControl();
    if (running_.load()) QZ_THROW("ParticleSplatterInterface::StartProcessing", "Already processing");
    running_.store(true);
    try {
        for (std::size_t i = 0; i < workers_.size(); ++i) {
            workers_[i] = std::thread(&ParticleSplatterInterface::WorkerLoop, this, static_cast<int>(i));
        }
    } catch (...) {
        running_.store(false);
        JoinWorkers();
        throw;
    }
}

void ParticleSplatterInterface::StopProcessing()
{
    const auto control = LockControl();
    if (running_.load()) {
        // The waiting thread splats too, with the last scratch: on two cores the one
        // worker would otherwise leave a core idle while the caller sleeps. It takes only
        // jobs that need no hand-over, since it must not wait for the hand-over mutex
        // while it holds the control lock (the GPU side takes them the other way round).
        const auto noHandOver = [](const Job& job) { return !job.handOver; };
        while (!jobQueue_.Empty() && running_.load()) {
            if (std::optional<Job> job = jobQueue_.TryPopIf(noHandOver)) {
                ++activeJobs_;
                RunJob(*job, static_cast<int>(workers_.size()));
                --activeJobs_;
                job->brick->queued.store(false, std::memory_order_release);
            } else {
                std::this_thread::sleep_for(IdleSleep);
            }
        }
    }
    running_.store(false);
    JoinWorkers();
    jobQueue_.Drain([](Job& job) { job.brick->queued.store(false, std::memory_order_release); });
}

void ParticleSplatterInterface::JoinWorkers()
{
    for (std::thread& worker : workers_) {
        if (worker.joinable()) worker.join();
    }
}

ParticleSplatterInterface::PushResult ParticleSplatterInterface::PushJob(Brick& brick, bool handOver)
{
    const auto control = LockControl();
    if (brick.queued.exchange(true, std::memory_order_acq_rel)) return PushResult::AlreadyQueued;
    // Read only now: while a job for the brick ran, its worker was writing the count.
    if (brick.particleCount == 0) {
        brick.queued.store(false, std::memory_order_release);
        return PushResult::NoParticles;
    }
    jobQueue_.Push(Job {&brick, handOver});
    return PushResult::Queued;
}

bool ParticleSplatterInterface::RunJob(Job& job, int worker)
{
    std::string failure;
    try {
        ProcessJob(job, worker);
        return true;
    } catch (const std::exception& e) {
        failure = FailedJobText(*job.brick, e.what());
    } catch (...) {
        failure = FailedJobText(*job.brick, "unknown exception");
    }
    // The brick keeps its records and is marked, so that a save of its timestep fails too.
    job.brick->splatFailed = true;
    try {
        {
            auto message = qz::core::Logger::BeginMessage(qz::core::LogLevelImportant);
            message.SetType(qz::core::LogTypeError);
            message << failure;
        }
        std::lock_guard lock(failuresMutex_);
        failures_.push_back(std::move(failure));
    } catch (...) {
        // Out of memory even for the text: the mark on the brick still tells.
        failedWithoutText_.store(true);
    }
    return false;
}

std::vector<std::string> ParticleSplatterInterface::TakeFailures()
{
    std::lock_guard lock(failuresMutex_);
    std::vector<std::string> taken;
    taken.swap(failures_);
    if (failedWithoutText_.exchange(false)) taken.push_back("Splatting a brick failed");
    return taken;
}

void ParticleSplatterInterface::HandOver(std::vector<Job>& finished, bool wait)
{
    if (finished.empty()) return;
    std::unique_lock lock(handOverMutex_, std::defer_lock);
    if (wait) {
        lock.lock();
    } else if (!lock.try_lock()) {
        return;  // the GPU side is uploading; try again after the next job
    }
    finishedJobs_.insert(finishedJobs_.end(), finished.begin(), finished.end());
    finished.clear();
}

void ParticleSplatterInterface::WorkerLoop(int worker)
{
    std::vector<Job> finished;
    while (running_.load()) {
        ++activeJobs_;
        if (std::optional<Job> job = jobQueue_.TryPop()) {
            const bool splatted = RunJob(*job, worker);
            --activeJobs_;
            job->brick->queued.store(false, std::memory_order_release);
            if (splatted && job->handOver) finished.push_back(*job);
        } else {
            --activeJobs_;
            std::this_thread::sleep_for(IdleSleep);
        }
        HandOver(finished, false);
    }
    HandOver(finished, true);
}
