#pragma once
// Two buffers that a producer fills and a consumer empties in strict turns: chunk i goes
// through buffer i % 2, so the producer is at most one chunk ahead. Either side may
// cancel; every wait then returns false at once.

#include <condition_variable>
#include <cstddef>
#include <mutex>

class ChunkBufferExchange {
public:
    static constexpr std::size_t BufferCount = 2;

    static constexpr std::size_t BufferOf(std::size_t chunk) { return chunk % BufferCount; }

    // Producer: waits until the consumer has finished with the buffer.
    bool WaitEmpty(std::size_t buffer) { return Wait(buffer, false); }
    void MarkFilled(std::size_t buffer) { Set(buffer, true); }

    // Consumer: waits until the producer has filled the buffer.
    bool WaitFilled(std::size_t buffer) { return Wait(buffer, true); }
    void MarkEmpty(std::size_t buffer) { Set(buffer, false); }

    void Cancel()
    {
        {
            std::lock_guard lock(mutex_);
            cancelled_ = true;
        }
        changed_.notify_all();
    }

private:
    bool Wait(std::size_t buffer, bool filled)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return cancelled_ || filled_[buffer] == filled; });
        return !cancelled_;
    }

    void Set(std::size_t buffer, bool filled)
    {
        {
            std::lock_guard lock(mutex_);
            filled_[buffer] = filled;
        }
        changed_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    bool filled_[BufferCount] = {false, false};
    bool cancelled_ = false;
};
