#pragma once
// The compiled-effect format, all numbers little-endian 32-bit:
//   "QZFX", version, byte count of the rest, then the effect's name, macros, constant
//   buffers (name, slot, initial bytes), variables (name, semantic, type name, kind,
//   array length and the kind's fields: buffer placement, slot or state description)
//   and techniques with their passes (shaders per stage, input signature, states).
// Strings are a length and their bytes. A reader accepts exactly one whole effect of
// the current version whose references all hold, and reads nothing past the end.

#include "platform/effects/EffectModel.h"

#include <cstddef>
#include <string>
#include <vector>

namespace platform::effects {

std::vector<std::byte> WriteEffect(const EffectInfo& effect);

// False (with the reason) for bytes that are not such an effect.
bool ReadEffect(const void* data, std::size_t size, EffectInfo& effect, std::string& error);

}  // namespace platform::effects
