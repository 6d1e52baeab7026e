#pragma once
// The CPU splatter's pool of worker threads. Producers queue bricks as splat jobs; each
// worker pops jobs, splats the brick with its own scratch memory (ProcessJob of the
// attribute kind) and hands finished jobs that ask for it over to the finished-jobs list,
// which the GPU side drains while it holds the hand-over mutex.
//
//   splatter.StopProcessing();
//   for (Brick* b : bricks) splatter.PushJob(*b, handOver);
//   splatter.StartProcessing();
//
// Threads that run such sequences at the same time hold LockControl() around them, so
// that one's stop cannot drop the jobs another has just pushed. Start, stop and push
// take the same (recursive) lock themselves.
//
// Workers never wait for the hand-over mutex while they run; a worker that stops hands
// its last finished jobs over with a blocking lock, so StopProcessing must not be called
// while the caller holds the hand-over mutex.

#include "src/ConcurrentQueue.h"
#include "src/RecordReleaser.h"
#include "src/Brick.h"

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ParticleSplatterInterface {
public:
    struct Job {
        Brick* brick = nullptr;
        // Put into the finished-jobs list once the brick is splatted.
        bool handOver = true;
    };

    enum class PushResult {
        Queued,
        AlreadyQueued,  // a job for the brick waits or runs already
        NoParticles,    // nothing to splat; not queued
    };

    ParticleSplatterInterface(const ParticleSplatterInterface&) = delete;
    ParticleSplatterInterface& operator=(const ParticleSplatterInterface&) = delete;
    // Stops the workers; derived classes stop them first, while their ProcessJob exists.
    virtual ~ParticleSplatterInterface();

    virtual bool HasAttributes() const = 0;
    // 0 none, 1 colour, 2 velocity magnitude.
    virtual int GetColorAttributes() const = 0;
    // Splats the job's brick with the scratch memory of worker `worker`: 0 to
    // GetWorkerCount() - 1 for the workers, GetWorkerCount() for the thread that waits in
    // StopProcessing and helps meanwhile.
    virtual void ProcessJob(Job& job, int worker) = 0;

    // Throws "Already processing" when the workers run.
    void StartProcessing();
    // Splats queued jobs that ask for no hand-over beside the workers until the queue is
    // empty, stops and joins the workers, then drops (and unmarks) whatever is still
    // queued. Every job popped before has been processed and,
    // when it asked for it, handed over.
    void StopProcessing();
    bool IsProcessing() const { return running_.load(); }

    // Queues the brick when it holds particles and no job for it is queued or running;
    // marks it queued in the same atomic step.
    PushResult PushJob(Brick& brick, bool handOver);
    std::size_t GetQueuedJobCount() const { return jobQueue_.Size(); }

    // The failures of jobs since the last call, one text each, and forgets them. A job
    // that fails leaves its brick with its records, marked `splatFailed`; the worker goes
    // on with the next job. Whoever waited for the jobs must report these.
    std::vector<std::string> TakeFailures();

    [[nodiscard]] std::unique_lock<std::recursive_mutex> LockControl()
    {
        return std::unique_lock<std::recursive_mutex>(controlMutex_);
    }

    // Finished jobs, appended by workers under the hand-over mutex. Read, changed and
    // cleared only under that mutex, or while the workers are stopped.
    std::mutex& GetHandOverMutex() { return handOverMutex_; }
    std::vector<Job>& GetFinishedJobs() { return finishedJobs_; }

    unsigned GetWorkerCount() const { return static_cast<unsigned>(workers_.size()); }
    // Hardware threads less one for the rendering thread, at least one; 0 (unknown)
    // counts as one.
    static unsigned WorkerCountFor(unsigned hardwareThreads);
    // For the cores the process may run on.
    static unsigned DefaultWorkerCount();

protected:
    // 0 workers means DefaultWorkerCount().
    explicit ParticleSplatterInterface(unsigned workerCount);

    void WorkerLoop(int worker);
    // Splatted records are freed in the background once the queue is empty; StopProcessing
    // does not wait for that.
    void ReleaseLater(BrickParticleArray records) { releaser_.Release(std::move(records)); }

private:
    // Processes one job; false when it failed (recorded, brick left with its records).
    bool RunJob(Job& job, int worker);
    void HandOver(std::vector<Job>& finished, bool wait);
    void JoinWorkers();

    ConcurrentQueue<Job> jobQueue_;
    std::vector<Job> finishedJobs_;
    std::atomic<bool> running_ {false};
    std::vector<std::thread> workers_;
    std::mutex handOverMutex_;
    std::recursive_mutex controlMutex_;
    std::atomic<int> activeJobs_ {0};
    std::mutex failuresMutex_;
    std::vector<std::string> failures_;
    std::atomic<bool> failedWithoutText_ {false};
    RecordReleaser releaser_ {[this] { return activeJobs_.load() == 0 && jobQueue_.Empty(); }};
};
