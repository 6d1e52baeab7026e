#pragma once
// TEMPORARY: the brick as far as the splatter uses it, until the volume is on main.

#include <atomic>
#include <cstdint>
#include <vector>

#include "tarnwick/core/SimpleVec4.h"

#if __has_include("src/Brick.h")
#include "src/Brick.h"
#else
template <class Attr>
struct BrickParticle {
    std::uint32_t position;
    [[no_unique_address]] Attr attributes;
    std::uint32_t brickIndex;
    std::uint32_t X() const { return position & 0x3FFu; }
    std::uint32_t Y() const { return position >> 10 & 0x3FFu; }
    std::uint32_t Z() const { return position >> 20 & 0x3FFu; }
};

class BrickParticleArray {
public:
    BrickParticleArray() = default;
    ~BrickParticleArray() { Reset(); }
    BrickParticleArray(const BrickParticleArray&) = delete;
    BrickParticleArray& operator=(const BrickParticleArray&) = delete;
    template <class Attr>
    BrickParticle<Attr>* Allocate(std::uint64_t count)
    {
        Reset();
        auto* records = new BrickParticle<Attr>[count];
        data_ = records;
        release_ = [](void* d) { delete[] static_cast<BrickParticle<Attr>*>(d); };
        kind_ = &KindTag<Attr>;
        return records;
    }
    template <class Attr>
    BrickParticle<Attr>* Get() const
    {
        return kind_ == &KindTag<Attr> ? static_cast<BrickParticle<Attr>*>(data_) : nullptr;
    }
    void Reset()
    {
        if (release_) release_(data_);
        data_ = nullptr;
        release_ = nullptr;
        kind_ = nullptr;
    }
    explicit operator bool() const { return data_ != nullptr; }

private:
    template <class Attr>
    static inline const char KindTag = 0;
    void* data_ = nullptr;
    void (*release_)(void*) = nullptr;
    const char* kind_ = nullptr;
};

struct Brick {
    std::vector<std::vector<qz::core::SimpleVec4<unsigned int>>> levels;
    std::vector<std::uint32_t> attributeOffsets;
    std::vector<std::uint16_t> attributeValues;
    std::int32_t timestep = -1;
    BrickParticleArray particles;
    std::uint64_t particleCount = 0;
    std::uint64_t totalParticleCount = 0;
    bool splatted = false;
    bool postProcessed = false;
    std::atomic<bool> queued {false};
    std::uint32_t level = 0;
    std::uint32_t position[3] = {0, 0, 0};
};
#endif
