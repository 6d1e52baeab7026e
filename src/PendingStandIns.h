#pragma once
// TEMPORARY: minimal local versions of types that other branches deliver; removed once
// they are on main.

#include <cstdint>
#include <string>
#include <type_traits>

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

namespace ParticleTypes {
template <class T>
constexpr const char* TypeName()
{
    if constexpr (std::is_same_v<T, ParticleAttributes_VMag>) return "struct ParticleTypes::ParticleAttributes_VMag";
    if constexpr (std::is_same_v<T, ParticleAttributes_ColorCount>) {
        return "struct ParticleTypes::ParticleAttributes_ColorCount";
    }
    return "struct ParticleTypes::ParticleAttributes_None";
}
}  // namespace ParticleTypes
