#pragma once
// A reader over records in memory that can fail at a chosen chunk and counts its calls.

#include "src/ParticleLoader.h"
#include "src/ParticleTypes.h"
#include "tarnwick/core/ErrorReport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <thread>
#include <vector>

namespace qz::test {

template <class T>
class MemoryReader : public ParticleLoader<T> {
public:
    explicit MemoryReader(std::vector<T> records) : records_(std::move(records)) {}

    void OpenFile(const std::string&) override { index_ = 0; }
    void CloseFile() override {}
    void ReadChunk(std::vector<T>& buffer, std::int64_t count) override
    {
        const int call = calls.fetch_add(1);
        if (beforeRead) beforeRead(call);
        if (readDelay.count() > 0) std::this_thread::sleep_for(readDelay);
        if (call == failAtCall) QZ_THROW("MemoryReader::ReadChunk", "Injected read failure at chunk ", call);
        const std::int64_t remaining = GetParticleCount() - index_;
        count = std::min(count, remaining) - (call == shortAtCall ? 1 : 0);
        buffer.assign(records_.begin() + index_, records_.begin() + index_ + count);
        index_ += count;
    }
    bool IsEof() const override { return index_ == GetParticleCount(); }
    std::int64_t GetParticleCount() const override { return static_cast<std::int64_t>(records_.size()); }
    std::int64_t GetCurrentIndex() const override { return index_; }

    std::atomic<int> calls {0};
    int failAtCall = -1;
    int shortAtCall = -1;
    std::chrono::microseconds readDelay {0};
    // Runs on the reading thread at the start of every call.
    std::function<void(int call)> beforeRead;

private:
    std::vector<T> records_;
    std::int64_t index_ = 0;
};

// Clustered particles with velocities and colours: a dense slab and a sparse spray above.
inline std::vector<ParticleTypes::RawParticle_PosVel> MakeParticles(std::size_t count, unsigned seed = 5)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::vector<ParticleTypes::RawParticle_PosVel> records(count);
    for (std::size_t i = 0; i < count; ++i) {
        const bool slab = i % 5 != 0;
        auto& r = records[i];
        r.x = unit(random) * (slab ? 0.4f : 1.0f);
        r.y = slab ? unit(random) * 0.3f : 0.3f + unit(random) * 0.7f;
        r.z = unit(random);
        r.vx = unit(random) - 0.5f;
        r.vy = slab ? 0.0f : unit(random) * 3.0f;
        r.vz = unit(random) - 0.5f;
    }
    return records;
}

}  // namespace qz::test
