#pragma once
// Reading and writing one element of a format as four floats, as shaders see it:
// normalized formats in [0, 1] or [-1, 1], sRGB formats in linear values, integer formats
// as their values (or their bits, below); missing components read as 0, missing alpha as
// 1. Depth formats have their own codec, which orders depths as unsigned keys.

#include "platform/d3d11/api/DxgiFormat.h"
#include "platform/d3d11/formats/ComponentType.h"
#include "platform/d3d11/kernels/Registers.h"

#include <cstddef>
#include <cstdint>

namespace d3d11sw {

using LoadElement = Float4 (*)(const std::byte* element);
using StoreElement = void (*)(const Float4& value, std::byte* element);

struct FormatCodec {
    LoadElement load = nullptr;    // null: this device cannot read the format
    StoreElement store = nullptr;  // null: nor write it
    ComponentType type = ComponentType::Float;
    UINT components = 0;
    bool normalized = false;  // outputs are clamped before blending: to [0, 1],
    bool signedNormalized = false;  // or to [-1, 1]
    // Integer formats only: the element as register bits (each component zero- or
    // sign-extended, missing alpha 1), and back, each component clamped to its range.
    // Shaders, input assembly and render-target writes use these, so 32-bit values keep
    // every bit; load and store convert values, as clears do.
    LoadElement loadBits = nullptr;
    StoreElement storeBits = nullptr;
};

const FormatCodec& CodecOf(DXGI_FORMAT format);

// Depth: a depth in [0, 1] becomes the key stored in the format; keys compare like the
// depths they stand for.
struct DepthCodec {
    UINT bytes = 0;  // 0: not a depth format
    std::uint32_t (*key)(float depth) = nullptr;
    std::uint32_t (*read)(const std::byte* element) = nullptr;
    void (*write)(std::uint32_t key, std::byte* element) = nullptr;
    void (*writeStencil)(std::uint8_t stencil, std::byte* element) = nullptr;  // null: no stencil
    float (*depth)(std::uint32_t key) = nullptr;
    float resolution = 0.0f;  // the smallest step of a unorm format; 0 for floats
};

const DepthCodec& DepthCodecOf(DXGI_FORMAT format);

float SrgbToLinear(std::uint8_t value);
std::uint8_t LinearToSrgb(float value);
float HalfToFloat(std::uint16_t half);
std::uint16_t FloatToHalf(float value);

}  // namespace d3d11sw
