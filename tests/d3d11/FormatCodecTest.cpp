// Element conversions: exact sRGB and half-float rounding, unorm scaling, depth keys.

#include "platform/d3d11/formats/FormatCodec.h"
#include "platform/d3d11/formats/FormatLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

using namespace d3d11sw;

TEST(FormatCodec, SrgbEncodingIsTheRoundedCurve)
{
    for (int step = 0; step <= 100000; ++step) {
        const double linear = step / 100000.0;
        const double encoded = linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
        const int expected = static_cast<int>(std::floor(encoded * 255.0 + 0.5));
        ASSERT_EQ(expected, LinearToSrgb(static_cast<float>(linear))) << linear;
    }
    for (int byte = 0; byte < 256; ++byte) {
        ASSERT_EQ(byte, LinearToSrgb(SrgbToLinear(static_cast<std::uint8_t>(byte))));
    }
    EXPECT_EQ(0, LinearToSrgb(-1.0f));
    EXPECT_EQ(0, LinearToSrgb(std::nanf("")));
    EXPECT_EQ(255, LinearToSrgb(7.0f));
}

// Around every byte's threshold, where rounding decides, to the last bit.
TEST(FormatCodec, SrgbEncodingAtEveryThreshold)
{
    auto expected = [](float linear) {
        const double encoded = linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
        return static_cast<int>(std::floor(encoded * 255.0 + 0.5));
    };
    for (int byte = 1; byte < 256; ++byte) {
        const double encoded = (byte - 0.5) / 255.0;
        const auto threshold = static_cast<float>(encoded <= 0.04045 ? encoded / 12.92
                                                                     : std::pow((encoded + 0.055) / 1.055, 2.4));
        float value = threshold;
        for (int step = 0; step < 64; ++step) {
            value = std::nextafter(value, 0.0f);
        }
        for (int step = 0; step < 128; ++step, value = std::nextafter(value, 2.0f)) {
            ASSERT_EQ(expected(value), LinearToSrgb(value)) << value;
        }
    }
}

TEST(FormatCodec, HalfFloatsRoundToNearestEven)
{
    for (std::uint32_t bits = 0; bits < 0x10000; ++bits) {
        const auto half = static_cast<std::uint16_t>(bits);
        const float value = HalfToFloat(half);
        if (std::isnan(value)) {
            EXPECT_TRUE(std::isnan(HalfToFloat(FloatToHalf(value))));
        } else {
            ASSERT_EQ(half, FloatToHalf(value)) << bits;
        }
    }
    EXPECT_EQ(0x3C00, FloatToHalf(1.0f));
    EXPECT_EQ(0x3C00, FloatToHalf(1.0f + 1.0f / 4096.0f));  // half an ulp: ties to even
    EXPECT_EQ(0x3C01, FloatToHalf(1.0f + 3.0f / 4096.0f));
    EXPECT_EQ(0x7C00, FloatToHalf(1e6f));
    EXPECT_EQ(0x0001, FloatToHalf(5.97e-8f));
}

TEST(FormatCodec, UnormRoundsAndClamps)
{
    const FormatCodec& codec = CodecOf(DXGI_FORMAT_R8G8B8A8_UNORM);
    std::byte element[4];
    codec.store(Float4{0.5f, -3.0f, 2.0f, std::nanf("")}, element);
    EXPECT_EQ(128, static_cast<int>(element[0]));
    EXPECT_EQ(0, static_cast<int>(element[1]));
    EXPECT_EQ(255, static_cast<int>(element[2]));
    EXPECT_EQ(0, static_cast<int>(element[3]));
    const Float4 back = codec.load(element);
    EXPECT_FLOAT_EQ(128.0f / 255.0f, back.x);
    EXPECT_FLOAT_EQ(1.0f, back.z);

    const FormatCodec& bgra = CodecOf(DXGI_FORMAT_B8G8R8A8_UNORM);
    bgra.store(Float4{1.0f, 0.0f, 0.0f, 1.0f}, element);
    EXPECT_EQ(255, static_cast<int>(element[2]));
    EXPECT_EQ(0, static_cast<int>(element[0]));

    const FormatCodec& single = CodecOf(DXGI_FORMAT_R32_FLOAT);
    const Float4 missing = single.load(reinterpret_cast<const std::byte*>("\0\0\x80\x3f"));
    EXPECT_EQ(1.0f, missing.x);
    EXPECT_EQ(0.0f, missing.y);
    EXPECT_EQ(1.0f, missing.w);
    EXPECT_EQ(nullptr, CodecOf(DXGI_FORMAT_BC1_UNORM).load);
}

TEST(FormatCodec, DepthKeysOrderLikeDepths)
{
    const DepthCodec& d24 = DepthCodecOf(DXGI_FORMAT_D24_UNORM_S8_UINT);
    EXPECT_EQ(0u, d24.key(-0.5f));
    EXPECT_EQ(0xFFFFFFu, d24.key(1.0f));
    EXPECT_LT(d24.key(0.3f), d24.key(0.30001f));
    std::byte element[4] = {};
    d24.writeStencil(9, element);
    d24.write(d24.key(0.25f), element);
    EXPECT_EQ(d24.key(0.25f), d24.read(element));
    std::uint32_t word;
    std::memcpy(&word, element, 4);
    EXPECT_EQ(9u, word >> 24);

    const DepthCodec& d32 = DepthCodecOf(DXGI_FORMAT_D32_FLOAT);
    EXPECT_LT(d32.key(0.0f), d32.key(1e-30f));
    EXPECT_LT(d32.key(0.5f), d32.key(0.50001f));
    EXPECT_EQ(d32.key(0.0f), d32.key(-0.0f));
    EXPECT_EQ(0.75f, d32.depth(d32.key(0.75f)));
    EXPECT_EQ(0u, DepthCodecOf(DXGI_FORMAT_R32_FLOAT).bytes);
}

TEST(FormatLayout, SizesAndFamilies)
{
    EXPECT_EQ(16u, LayoutOf(DXGI_FORMAT_R32G32B32A32_UINT).bytes);
    EXPECT_EQ(8u, LayoutOf(DXGI_FORMAT_BC1_UNORM).bytes);
    EXPECT_EQ(4u, LayoutOf(DXGI_FORMAT_BC1_UNORM).blockSize);
    EXPECT_EQ(16u, RowBytes(DXGI_FORMAT_BC1_UNORM, 6));  // two blocks
    EXPECT_TRUE(SameFamily(DXGI_FORMAT_D24_UNORM_S8_UINT, DXGI_FORMAT_R24_UNORM_X8_TYPELESS));
    EXPECT_FALSE(SameFamily(DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_FORMAT_B8G8R8A8_UNORM));
    EXPECT_FALSE(IsStorable(DXGI_FORMAT_R1_UNORM));
    EXPECT_EQ(9u, FullMipCount(256, 256));
    EXPECT_EQ(9u, FullMipCount(256, 64));
    EXPECT_EQ(1u, FullMipCount(1, 1));
}

}  // namespace
