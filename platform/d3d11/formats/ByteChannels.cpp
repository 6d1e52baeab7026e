#include "platform/d3d11/formats/ByteChannels.h"

#include <cmath>
#include <limits>

namespace d3d11sw {
namespace {

float SrgbCurveToLinear(double encoded)
{
    return static_cast<float>(encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4));
}

}  // namespace

ByteChannelTables::ByteChannelTables()
{
    for (int k = 0; k < 256; ++k) {
        unorm[k] = static_cast<float>(k) / 255.0f;
        srgb[k] = SrgbCurveToLinear(k / 255.0);
    }
    thresholds[0] = -std::numeric_limits<float>::infinity();
    for (int k = 1; k < 256; ++k) {
        thresholds[k] = SrgbCurveToLinear((k - 0.5) / 255.0);
    }
    thresholds[256] = std::numeric_limits<float>::infinity();
    int byte = 0;
    for (int i = 0; i < 4096; ++i) {
        const float value = static_cast<float>(i) / 4095.0f;
        while (value >= thresholds[byte + 1]) {
            ++byte;
        }
        guess[i] = static_cast<std::uint8_t>(byte);
    }
}

const ByteChannelTables kByteChannels;

}  // namespace d3d11sw
