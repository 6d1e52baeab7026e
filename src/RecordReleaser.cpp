#include "src/RecordReleaser.h"

#include <chrono>

RecordReleaser::RecordReleaser(std::function<bool()> mayRelease)
    : mayRelease_(std::move(mayRelease)), thread_(&RecordReleaser::Run, this)
{
}

RecordReleaser::~RecordReleaser()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wanted_.notify_one();
    thread_.join();
}

void RecordReleaser::Release(BrickParticleArray records)
{
    if (!records) return;
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(std::move(records));
    }
    wanted_.notify_one();
}

std::size_t RecordReleaser::PendingCount() const
{
    std::lock_guard lock(mutex_);
    return pending_.size();
}

void RecordReleaser::Run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wanted_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
        if (pending_.empty()) return;  // stopping, nothing left
        // Wait for a quiet moment, unless stopping.
        while (!stopping_) {
            lock.unlock();
            const bool quiet = mayRelease_();
            lock.lock();
            if (quiet) break;
            wanted_.wait_for(lock, std::chrono::milliseconds(5));
        }
        std::vector<BrickParticleArray> batch;
        batch.swap(pending_);
        lock.unlock();
        batch.clear();
        lock.lock();
    }
}
