#pragma once
// The version of the compiled-effect format. The preprocessor writes it into the first
// line of its output, so text preprocessed for one version never matches a cache entry
// compiled by another.

#include <cstdint>

namespace platform::effects {

constexpr std::uint32_t kCompiledFormatVersion = 1;

}  // namespace platform::effects
