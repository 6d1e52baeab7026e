#pragma once
// The threads that rasterise large draws together. Each task takes its own bands of
// rows, so every pixel is still written by one thread, in primitive order. Workers spin
// a little before they sleep, because draws come in bursts of many small ones.

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace d3d11sw {

class WorkerPool {
public:
    // helpers: threads besides the caller.
    explicit WorkerPool(unsigned helpers);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    unsigned Threads() const { return static_cast<unsigned>(threads_.size()) + 1; }

    // Runs task(0) to task(Threads() - 1), one per thread, the caller taking task 0;
    // returns when all have ended and rethrows the first exception of any of them.
    void Run(const std::function<void(unsigned)>& task);

private:
    void Work(unsigned index);
    bool WaitForWork(std::uint64_t seen);

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable done_;
    const std::function<void(unsigned)>* task_ = nullptr;
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<unsigned> running_{0};
    std::atomic<bool> stopping_{false};
    std::exception_ptr failure_;
};

}  // namespace d3d11sw
