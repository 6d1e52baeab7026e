#pragma once
// The program's own effects, compiled from shader/*.fx at build time and kept in the
// program as compiled bytes, with the native kernels of their shader functions.

#include <cstdint>
#include <string>
#include <vector>

namespace qz::shaders {

// The compiled bytes of "graph" or "3dobjects", for EffectCompiler::LoadFromMemory (empty
// for any other name). Their kernels are registered before the bytes are first handed
// out, so an effect made from them draws.
const std::vector<std::uint8_t>& CompiledEffect(const std::string& name);

// Registers the kernels of both effects (done once; CompiledEffect calls it).
void RegisterBuiltInKernels();

}  // namespace qz::shaders
