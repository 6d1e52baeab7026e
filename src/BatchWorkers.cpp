#include "src/BatchWorkers.h"

#include "platform/win/AvailableCores.h"

#include <algorithm>

BatchWorkers::BatchWorkers(unsigned threadCount)
    : threadCount_(threadCount ? threadCount : std::max(1u, AvailableCores() - 1))
{
}

BatchWorkers::~BatchWorkers()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    started_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void BatchWorkers::Start(std::int64_t count, std::function<void(std::int64_t)> item)
{
    if (threads_.empty()) {
        for (unsigned t = 0; t < threadCount_; ++t) threads_.emplace_back([this] { Work(); });
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        item_ = std::move(item);
        count_ = count;
        next_ = 0;
        done_ = 0;
        ++batch_;
    }
    started_.notify_all();
}

void BatchWorkers::Wait()
{
    std::unique_lock<std::mutex> lock(mutex_);
    RunItems(lock);
    finished_.wait(lock, [this] { return done_ == count_; });
}

void BatchWorkers::Run(std::int64_t count, std::function<void(std::int64_t)> item)
{
    Start(count, std::move(item));
    Wait();
}

void BatchWorkers::RunItems(std::unique_lock<std::mutex>& lock)
{
    while (next_ < count_) {
        const std::int64_t index = next_++;
        lock.unlock();
        item_(index);
        lock.lock();
        if (++done_ == count_) finished_.notify_all();
    }
}

void BatchWorkers::Work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    std::uint64_t seen = 0;
    for (;;) {
        started_.wait(lock, [&] { return stopping_ || batch_ != seen; });
        if (stopping_) return;
        seen = batch_;
        RunItems(lock);
    }
}
