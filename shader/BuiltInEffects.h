#pragma once
// The program's own effects: graph.fx and 3dobjects.fx compiled at build time and kept in
// the program as compiled bytes, scene.fx compiled from its file at run time, and the
// native kernels of their shader functions.

#include <cstdint>
#include <string>
#include <vector>

namespace qz::shaders {

// The compiled bytes of "graph" or "3dobjects", for EffectCompiler::LoadFromMemory (empty
// for any other name). Their kernels are registered before the bytes are first handed
// out, so an effect made from them draws.
const std::vector<std::uint8_t>& CompiledEffect(const std::string& name);

// Registers the kernels of the three effects (done once; CompiledEffect calls it, and so
// must whoever loads scene.fx before the effect is made).
void RegisterBuiltInKernels();

}  // namespace qz::shaders
