#pragma once
// Exceptions must not leave an OpenMP region: each thread runs its work through Guard,
// and the forking thread rethrows the first failure once the region has ended.

#include <atomic>
#include <exception>
#include <mutex>

class ParallelFailure {
public:
    template <class Work>
    void Guard(Work&& work) noexcept
    {
        try {
            work();
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!first_) first_ = std::current_exception();
            failed_.store(true, std::memory_order_relaxed);
        }
    }
    // Lets other threads give up early.
    bool Failed() const { return failed_.load(std::memory_order_relaxed); }
    void RethrowIfFailed()
    {
        if (first_) std::rethrow_exception(first_);
    }

private:
    std::atomic<bool> failed_ {false};
    std::mutex mutex_;
    std::exception_ptr first_;
};
