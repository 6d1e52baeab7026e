#include "platform/d3d11/formats/ByteChannels.h"

#include <cmath>
#include <limits>

namespace d3d11sw {
namespace {

float SrgbCurveToLinear(double encoded)
{
    return static_cast<float>(encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4));
}

// The byte of a linear value through the curve, rounded to nearest, in double precision.
int RoundedSrgb(float linear)
{
    const double encoded = linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
    return static_cast<int>(std::floor(encoded * 255.0 + 0.5));
}

}  // namespace

ByteChannelTables::ByteChannelTables()
{
    for (int k = 0; k < 256; ++k) {
        unorm[k] = static_cast<float>(k) / 255.0f;
        srgb[k] = SrgbCurveToLinear(k / 255.0);
    }
    // thresholds[k]: the smallest float that the curve rounds to byte k or more; the
    // curve's value cast to a float may lie an ulp off either way.
    thresholds[0] = -std::numeric_limits<float>::infinity();
    for (int k = 1; k < 256; ++k) {
        float threshold = SrgbCurveToLinear((k - 0.5) / 255.0);
        while (RoundedSrgb(threshold) < k) {
            threshold = std::nextafter(threshold, 2.0f);
        }
        while (RoundedSrgb(std::nextafter(threshold, 0.0f)) >= k) {
            threshold = std::nextafter(threshold, 0.0f);
        }
        thresholds[k] = threshold;
    }
    thresholds[256] = std::numeric_limits<float>::infinity();
    // The byte of the smallest value that lands on step i, which is never above the byte
    // of any other value there.
    int byte = 0;
    for (int i = 0; i < 4096; ++i) {
        float value = static_cast<float>(i) / 4095.0f;
        while (value > 0.0f && static_cast<int>(std::nextafter(value, 0.0f) * 4095.0f) == i) {
            value = std::nextafter(value, 0.0f);
        }
        while (value >= thresholds[byte + 1]) {
            ++byte;
        }
        guess[i] = static_cast<std::uint8_t>(byte);
    }
}

const ByteChannelTables kByteChannels;

}  // namespace d3d11sw
