#pragma once
// Helper threads that run one batch of independent items at a time, while the thread
// that owns them does something else (reads the next batch, writes the last one) and then
// helps with what is left. The threads sleep between batches; they are made at the first
// batch and joined on destruction. Used by one owning thread.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class BatchWorkers {
public:
    // By default one thread per core the process may use, less the owner's.
    explicit BatchWorkers(unsigned threadCount = 0);
    ~BatchWorkers();
    BatchWorkers(const BatchWorkers&) = delete;
    BatchWorkers& operator=(const BatchWorkers&) = delete;

    // Starts item(0) ... item(count - 1) on the helper threads and returns; the previous
    // batch must have been waited for. `item` must not throw.
    void Start(std::int64_t count, std::function<void(std::int64_t)> item);
    // Runs items of the started batch that no helper has taken yet, then returns when
    // every item has run; at once when none was started.
    void Wait();
    // Start, then Wait.
    void Run(std::int64_t count, std::function<void(std::int64_t)> item);

private:
    void Work();
    // Runs items of the current batch until none is left.
    void RunItems(std::unique_lock<std::mutex>& lock);

    unsigned threadCount_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable started_;
    std::condition_variable finished_;
    std::function<void(std::int64_t)> item_;
    std::int64_t count_ = 0;
    std::int64_t next_ = 0;
    std::int64_t done_ = 0;
    std::uint64_t batch_ = 0;
    bool stopping_ = false;
};
