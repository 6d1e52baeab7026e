#pragma once
// The threads that shade the tiles of a frame together: the calling thread and every
// helper that is free take items (tiles) in turn, each item on one thread. A helper that
// comes late finds no item left and does not hold the frame up. Helpers spin a little
// before they sleep: frames come in bursts.

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
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

    // Runs work(0) to work(count - 1), each once, on any of the threads; returns when
    // all have ended and rethrows the first exception of any of them.
    void ForEach(unsigned count, const std::function<void(unsigned)>& work);

private:
    struct Job;

    void Help();
    static void Take(Job& job);

    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable finished_;
    std::shared_ptr<Job> job_;
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<bool> stopping_{false};
};

}  // namespace d3d11sw
