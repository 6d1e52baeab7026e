#pragma once
// Effect sources to compiled effects, with a cache of compiled effects on disk, and
// compiled effects to effect objects.
//
// Cache file: the source's name without extension, "_" and the hash of the define text
// when there are defines, then ".prc". It holds the 8-byte little-endian hash of the
// preprocessed text (the source, everything it includes, the macro values and the
// compiler's format version) followed by the compiled effect. A cache whose hash matches
// is used without compiling.

#include "platform/d3d11/D3D11.h"
#include "platform/effects/D3DX11Effect.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace qz::dx11 {

using EffectDefines = std::unordered_map<std::string, std::string>;
using EffectBytes = std::vector<std::uint8_t>;

class EffectCompiler {
public:
    static constexpr std::uint32_t kIgnoreCache = 1;          // always compile
    static constexpr std::uint32_t kAcceptAnyCache = 2;       // a cache file counts whatever its hash
    static constexpr std::uint32_t kShowSpinner = 4;          // console spinner while compiling
    static constexpr std::uint32_t kNoCacheWrite = 0x80000000u;

    // Fills output from the cache or the compiler; throws the reports of the compile.
    static void CompileFromFile(const std::string& fileName, EffectBytes& output, std::uint32_t flags,
                                const EffectDefines& defines);
    // Throws "Error loading shader from memory" unless the effect is made.
    static void LoadFromMemory(ID3D11Device* device, const EffectBytes& bytes, ID3DX11Effect** effect);

    // The 64-bit hash of a text up to its terminating zero (32-bit FNV constants,
    // multiply before xor).
    static std::uint64_t Hash(const char* text);
    // "/Dname=value;" per define ("/Dname;" for an empty value), in name order.
    static std::string DefineText(const EffectDefines& defines);
    static std::string CacheFileName(const std::string& fileName, const EffectDefines& defines);
};

}  // namespace qz::dx11
