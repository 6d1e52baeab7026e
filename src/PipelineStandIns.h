#pragma once
// TEMPORARY: the types of work that is not on main yet, as far as the splatter and the
// loading pipeline use them. Each part gives way to the real header once it exists.

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#if __has_include("tarnwick/core/SimpleVec4.h")
#include "tarnwick/core/SimpleVec4.h"
#else
namespace qz::core {
template <class T>
struct SimpleVec4 {
    T x {}, y {}, z {}, w {};
    constexpr T& operator[](int i) { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }
    constexpr const T& operator[](int i) const { return i == 0 ? x : i == 1 ? y : i == 2 ? z : w; }
    friend constexpr bool operator==(const SimpleVec4&, const SimpleVec4&) = default;
};
}  // namespace qz::core
#endif

#if __has_include("src/ParticleTypes.h")
#include "src/ParticleTypes.h"
#else
namespace ParticleTypes {
struct RawParticle_Pos {
    float x, y, z;
};
struct RawParticle_PosVel {
    float x, y, z;
    float vx, vy, vz;
};
struct RawParticle_PosCol {
    float x, y, z;
    std::uint8_t red, green, blue;
    std::uint8_t unused;
};
struct RawParticle_PosRad {
    float x, y, z;
    float radius;
};
struct RawParticle_PosNormal {
    float x, y, z;
    float nx, ny, nz;
};
struct ParticleAttributes_None {};
struct ParticleAttributes_VMag {
    float magnitude;
};
struct ParticleAttributes_ColorCount {
    std::uint16_t red, green, blue;
    std::uint32_t count;
};
template <class Attr>
struct VolumeParticle {
    float x, y, z;
    [[no_unique_address]] Attr attributes;
};
}  // namespace ParticleTypes
#endif

#if __has_include("src/ParticleLoader.h")
#include "src/ParticleLoader.h"
#else
template <class T>
class ParticleLoader {
public:
    virtual ~ParticleLoader() = default;
    virtual void OpenFile(const std::string& fileName) = 0;
    virtual void CloseFile() = 0;
    virtual void ReadChunk(std::vector<T>& buffer, std::int64_t count) = 0;
    virtual bool IsEof() const = 0;
    virtual std::int64_t GetParticleCount() const = 0;
    virtual std::int64_t GetCurrentIndex() const = 0;
    virtual bool IsValid() const { return true; }
};
#endif

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
