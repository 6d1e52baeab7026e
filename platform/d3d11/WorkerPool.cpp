#include "platform/d3d11/WorkerPool.h"

#include <chrono>

namespace d3d11sw {
namespace {

// Busy-waits (without system calls) until done() or the time is up.
template <class Done>
void Spin(std::chrono::microseconds limit, Done done)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    for (unsigned turn = 1; !done(); ++turn) {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
        if (turn % 64 == 0 && std::chrono::steady_clock::now() > end) {
            return;
        }
    }
}

constexpr std::chrono::microseconds kWorkerSpin{200};
constexpr std::chrono::microseconds kCallerSpin{2000};

}  // namespace

WorkerPool::WorkerPool(unsigned helpers)
{
    for (unsigned i = 0; i < helpers; ++i) {
        threads_.emplace_back([this, i] { Work(i + 1); });
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

void WorkerPool::Run(const std::function<void(unsigned)>& task)
{
    {
        std::lock_guard lock(mutex_);
        task_ = &task;
        failure_ = nullptr;
        running_.store(static_cast<unsigned>(threads_.size()));
        generation_.fetch_add(1);
    }
    start_.notify_all();
    std::exception_ptr own;
    try {
        task(0);
    } catch (...) {
        own = std::current_exception();
    }
    Spin(kCallerSpin, [this] { return running_.load() == 0; });
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return running_.load() == 0; });
    task_ = nullptr;
    if (own) {
        std::rethrow_exception(own);
    }
    if (failure_) {
        std::rethrow_exception(failure_);
    }
}

bool WorkerPool::WaitForWork(std::uint64_t seen)
{
    Spin(kWorkerSpin, [&] { return stopping_.load() || generation_.load() != seen; });
    std::unique_lock lock(mutex_);
    start_.wait(lock, [&] { return stopping_.load() || generation_.load() != seen; });
    return !stopping_.load();
}

void WorkerPool::Work(unsigned index)
{
    std::uint64_t seen = 0;
    while (WaitForWork(seen)) {
        const std::function<void(unsigned)>* task = nullptr;
        {
            std::lock_guard lock(mutex_);
            seen = generation_.load();
            task = task_;
        }
        std::exception_ptr failure;
        try {
            (*task)(index);
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard lock(mutex_);
        if (failure && !failure_) {
            failure_ = failure;
        }
        if (running_.fetch_sub(1) == 1) {
            done_.notify_one();
        }
    }
}

}  // namespace d3d11sw
