#pragma once
// A first-in first-out queue that many threads push to and pop from. No call blocks for
// longer than the push or pop of another thread; a consumer with nothing to pop is told
// so and decides itself how to wait.

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

template <class T>
class ConcurrentQueue {
public:
    void Push(T value)
    {
        std::lock_guard lock(mutex_);
        items_.push_back(std::move(value));
    }

    // The oldest item, or nothing when the queue is empty.
    std::optional<T> TryPop()
    {
        std::lock_guard lock(mutex_);
        if (items_.empty()) return std::nullopt;
        std::optional<T> value(std::move(items_.front()));
        items_.pop_front();
        return value;
    }

    // The oldest item when `accept(item)` holds for it, else nothing (the item stays).
    template <class Accept>
    std::optional<T> TryPopIf(Accept&& accept)
    {
        std::lock_guard lock(mutex_);
        if (items_.empty() || !accept(items_.front())) return std::nullopt;
        std::optional<T> value(std::move(items_.front()));
        items_.pop_front();
        return value;
    }

    // A snapshot: other threads may change the queue right after.
    std::size_t Size() const
    {
        std::lock_guard lock(mutex_);
        return items_.size();
    }
    bool Empty() const { return Size() == 0; }

    // Removes every item, calling drop(item) for each in queue order.
    template <class Function>
    void Drain(Function&& drop)
    {
        std::deque<T> items;
        {
            std::lock_guard lock(mutex_);
            items.swap(items_);
        }
        for (T& item : items) drop(item);
    }

private:
    mutable std::mutex mutex_;
    std::deque<T> items_;
};
