#pragma once
// The compiled effects the build embeds (EmbeddedEffectBytes.cpp, written by the
// qz_embed_effects tool from shader/*.fx).

#include <cstddef>
#include <cstdint>

namespace qz::shaders {

struct EmbeddedEffect {
    const char* name;  // the source's name without folder and extension
    const std::uint8_t* bytes;
    std::size_t size;
};

extern const EmbeddedEffect kEmbeddedEffects[];
extern const std::size_t kEmbeddedEffectCount;

}  // namespace qz::shaders
