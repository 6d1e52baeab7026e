#pragma once
// 8-bit colour channels to floats and back, inline for the per-pixel paths: unorm k/255,
// and sRGB through the curve, both ways exactly rounded.

#include <array>
#include <cstdint>

namespace d3d11sw {

struct ByteChannelTables {
    ByteChannelTables();

    std::array<float, 256> unorm{};   // k / 255, as the division gives it
    std::array<float, 256> srgb{};    // the linear value of sRGB byte k
    // thresholds[k]: the smallest linear value that encodes to sRGB byte k or more.
    std::array<float, 257> thresholds{};
    // A first guess for each of 4096 linear steps: the exact byte or one below it.
    std::array<std::uint8_t, 4096> guess{};
};

// Built before main; immutable afterwards.
extern const ByteChannelTables kByteChannels;

inline float UnormFromByte(std::uint8_t value) { return kByteChannels.unorm[value]; }
inline float LinearFromSrgbByte(std::uint8_t value) { return kByteChannels.srgb[value]; }

// NaN fails both comparisons and becomes 0.
inline float Saturate(float value) { return value > 0.0f ? (value < 1.0f ? value : 1.0f) : 0.0f; }

inline std::uint8_t UnormByte(float value) { return static_cast<std::uint8_t>(Saturate(value) * 255.0f + 0.5f); }

inline std::uint8_t SrgbByte(float value)
{
    if (!(value > 0.0f)) {
        return 0;
    }
    if (value >= 1.0f) {
        return 255;
    }
    // A step of the guess table is narrower than the gap between two thresholds, so the
    // guess is the byte or one below it.
    const int byte = kByteChannels.guess[static_cast<int>(value * 4095.0f)];
    return static_cast<std::uint8_t>(byte + (value >= kByteChannels.thresholds[byte + 1] ? 1 : 0));
}

}  // namespace d3d11sw
