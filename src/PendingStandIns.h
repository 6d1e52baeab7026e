#pragma once
// TEMPORARY: minimal local versions of types that other branches deliver; removed once
// they are on main.

#include <cstdint>

namespace ParticleTypes {
struct ParticleAttributes_None {};
struct ParticleAttributes_VMag {
    float magnitude = 0.0f;
};
struct ParticleAttributes_ColorCount {
    std::uint16_t red = 0, green = 0, blue = 0;
    std::uint32_t count = 0;
};
template <class Attr>
struct VolumeParticle {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    [[no_unique_address]] Attr attributes {};
};
}  // namespace ParticleTypes

namespace qz::core {
template <class T>
struct SimpleVec4 {
    T x {}, y {}, z {}, w {};
};
}  // namespace qz::core

namespace qz::utils {
struct alignas(16) AABox {
    virtual ~AABox() = default;
    float center[4] {0.0f, 0.0f, 0.0f, 1.0f};
    float halfSize[4] {1.0f, 1.0f, 1.0f, 0.0f};
};
class FixedSlotMemoryManager {
public:
    struct Slot {
        std::uint32_t index = 0xFFFFFFFFu;
        bool reserved = false;
    };
};
}  // namespace qz::utils

struct alignas(16) ViewFrustum {
    float planes[6][4] {};
    bool IntersectsBox(const qz::utils::AABox& box) const
    {
        for (const auto& p : planes) {
            float d = p[3] * box.center[3], r = 0.0f;
            for (int i = 0; i < 3; ++i) {
                d += p[i] * box.center[i];
                r += (p[i] < 0 ? -p[i] : p[i]) * box.halfSize[i];
            }
            if (-r >= d) return false;
        }
        return true;
    }
};

namespace DirectX {
struct XMFLOAT4X4 {
    float m[4][4];
};
}  // namespace DirectX
