#pragma once
// Owner of a brick's particle records. Bricks serve every attribute kind, so the array
// remembers its kind and hands its records out only as that kind. The records are either
// an array of their own or a part of a block that the leaves of one octree build share;
// the block goes when the last of them lets go.

#include "src/BrickParticle.h"

#include <cstdint>
#include <memory>
#include <utility>

class BrickParticleArray {
public:
    BrickParticleArray() = default;
    ~BrickParticleArray() { Reset(); }
    BrickParticleArray(const BrickParticleArray&) = delete;
    BrickParticleArray& operator=(const BrickParticleArray&) = delete;
    BrickParticleArray(BrickParticleArray&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          kind_(std::exchange(other.kind_, nullptr)),
          block_(std::move(other.block_))
    {
    }
    BrickParticleArray& operator=(BrickParticleArray&& other) noexcept
    {
        if (this != &other) {
            Reset();
            data_ = std::exchange(other.data_, nullptr);
            kind_ = std::exchange(other.kind_, nullptr);
            block_ = std::move(other.block_);
        }
        return *this;
    }

    // Replaces the array by `count` records whose contents are left to the caller.
    template <class Attr>
    BrickParticle<Attr>* Allocate(std::uint64_t count)
    {
        Reset();
        auto* records = new BrickParticle<Attr>[count];
        data_ = records;
        kind_ = &Kind<Attr>::info;
        return records;
    }

    // Replaces the array by the records at `records`, which live in `block`.
    template <class Attr>
    void Share(BrickParticle<Attr>* records, std::shared_ptr<const void> block)
    {
        Reset();
        data_ = records;
        kind_ = &Kind<Attr>::info;
        block_ = std::move(block);
    }

    // The records, or null when the array is empty or holds another kind.
    template <class Attr>
    BrickParticle<Attr>* Get() const
    {
        return kind_ == &Kind<Attr>::info ? static_cast<BrickParticle<Attr>*>(data_) : nullptr;
    }

    void Reset()
    {
        if (block_) {
            block_.reset();
        } else if (kind_) {
            kind_->release(data_);
        }
        data_ = nullptr;
        kind_ = nullptr;
    }

    explicit operator bool() const { return data_ != nullptr; }

private:
    struct KindInfo {
        void (*release)(void*);
    };
    template <class Attr>
    struct Kind {
        static void Release(void* data) { delete[] static_cast<BrickParticle<Attr>*>(data); }
        static constexpr KindInfo info {&Release};
    };

    void* data_ = nullptr;
    const KindInfo* kind_ = nullptr;
    std::shared_ptr<const void> block_;
};
