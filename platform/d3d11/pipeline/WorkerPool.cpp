#include "platform/d3d11/pipeline/WorkerPool.h"

#include <chrono>

namespace d3d11sw {
namespace {

// Busy-waits (without system calls) until done() or the time is up.
template <class Done>
bool Spin(std::chrono::microseconds limit, Done done)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (unsigned turn = 1; !done(); ++turn) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
        if (turn % 64 == 0 && std::chrono::steady_clock::now() > end) {
            return false;
        }
    }
    return true;
}

constexpr std::chrono::microseconds kHelperSpin{100};
constexpr std::chrono::microseconds kCallerSpin{500};

}  // namespace

struct WorkerPool::Job {
    const std::function<void(unsigned)>* work = nullptr;  // only used for a claimed item
    unsigned count = 0;
    std::atomic<unsigned> next{0};
    std::atomic<unsigned> done{0};
    std::mutex failureMutex;
    std::exception_ptr failure;
    WorkerPool* pool = nullptr;
};

WorkerPool::WorkerPool(unsigned helpers)
{
    for (unsigned i = 0; i < helpers; ++i) {
        threads_.emplace_back([this] { Help(); });
    }
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    start_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

void WorkerPool::Take(Job& job)
{
    for (unsigned item = job.next.fetch_add(1); item < job.count; item = job.next.fetch_add(1)) {
        try {
            (*job.work)(item);
        } catch (...) {
            std::lock_guard lock(job.failureMutex);
            if (!job.failure) {
                job.failure = std::current_exception();
            }
        }
        if (job.done.fetch_add(1) + 1 == job.count) {
            std::lock_guard lock(job.pool->mutex_);
            job.pool->finished_.notify_all();
        }
    }
}

void WorkerPool::ForEach(unsigned count, const std::function<void(unsigned)>& work)
{
    if (count == 0) {
        return;
    }
    auto job = std::make_shared<Job>();
    job->work = &work;
    job->count = count;
    job->pool = this;
    {
        std::lock_guard lock(mutex_);
        job_ = job;
        generation_.fetch_add(1);
    }
    start_.notify_all();
    Take(*job);
    auto finished = [&] { return job->done.load() == count; };
    if (!Spin(kCallerSpin, finished)) {
        std::unique_lock lock(mutex_);
        finished_.wait(lock, finished);
    }
    {
        std::lock_guard lock(mutex_);
        if (job_ == job) {
            job_.reset();
        }
    }
    if (job->failure) {
        std::rethrow_exception(job->failure);
    }
}

void WorkerPool::Help()
{
    std::uint64_t seen = 0;
    for (;;) {
        auto news = [&] { return stopping_.load() || generation_.load() != seen; };
        if (!Spin(kHelperSpin, news)) {
            std::unique_lock lock(mutex_);
            start_.wait(lock, news);
        }
        std::shared_ptr<Job> job;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                return;
            }
            seen = generation_.load();
            job = job_;
        }
        if (job) {
            Take(*job);
        }
    }
}

}  // namespace d3d11sw
