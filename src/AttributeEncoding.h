#pragma once
// The 16-bit attribute value of an occupied voxel: a velocity magnitude as fixed point,
// or an average colour packed 5:6:5 (red in bits 0-4, green 5-10, blue 11-15).

#include <cstdint>

// Colour sums of one voxel. 16-bit sums would wrap after a few hundred bright particles
// and 32-bit ones after sixteen million, which a data set clamped into one corner reaches.
struct ColorAccumulator {
    std::uint64_t red = 0;
    std::uint64_t green = 0;
    std::uint64_t blue = 0;
    std::uint64_t count = 0;
};

// 0 for no velocity, 65535 for the maximum or more; a negative maximum makes every
// ratio 0 or below, which is 0. A maximum of 0 (or NaN) has nothing below it: any
// positive magnitude is at the top.
inline std::uint16_t EncodeVelocityMagnitude(float magnitude, float maximum)
{
    float v;
    if (maximum > 0.0f || maximum < 0.0f) {
        v = magnitude / maximum;
    } else {
        v = magnitude > 0.0f ? 1.0f : 0.0f;
    }
    if (!(v > 0.0f)) return 0;  // also NaN
    if (v >= 1.0f) v = 1.0f;
    return static_cast<std::uint16_t>(v * 65535.0f);
}

// The voxel's average colour, each component truncated to an integer first; a voxel
// without particles is black.
inline std::uint16_t EncodeAverageColor(const ColorAccumulator& sums)
{
    if (sums.count == 0) return 0;
    const float count = static_cast<float>(sums.count);
    // Sums of values up to 65535 keep the average below 2^16: the conversion is defined.
    const auto average = [count](std::uint64_t sum) {
        const auto whole = static_cast<std::uint32_t>(static_cast<float>(sum) / count);
        return static_cast<float>(whole & 0xFFu);
    };
    const auto r = static_cast<std::uint32_t>(average(sums.red) / 255.0f * 31.0f);
    const auto g = static_cast<std::uint32_t>(average(sums.green) / 255.0f * 63.0f);
    const auto b = static_cast<std::uint32_t>(average(sums.blue) / 255.0f * 31.0f);
    return static_cast<std::uint16_t>(r | g << 5 | b << 11);
}
