// Image files into RGBA8 levels and the mip chains built from them, odd sides included.

#include "tarnwick/dx11/TextureIO.h"

#include "tests/dx11/ImageFiles.h"
#include "tests/support/LogCapture.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace {

using qz::dx11::ImageLevel;
using qz::dx11::ImageLevels;
using qz::dx11::TextureIO;
using qz::test::LogCapture;
using qz::test::WriteBytes;
using qz::test::WritePng;

ImageLevels Image(std::uint32_t width, std::uint32_t height, const std::vector<std::uint8_t>& rgba)
{
    ImageLevels levels(1);
    levels[0].width = width;
    levels[0].height = height;
    levels[0].pixels = std::make_unique<std::uint8_t[]>(rgba.size());
    std::memcpy(levels[0].pixels.get(), rgba.data(), rgba.size());
    return levels;
}

// One channel value per pixel, the other three channels fixed.
std::vector<std::uint8_t> Reds(const std::vector<std::uint8_t>& reds)
{
    std::vector<std::uint8_t> rgba;
    for (std::uint8_t red : reds) {
        rgba.insert(rgba.end(), {red, 10, 0, 255});
    }
    return rgba;
}

std::uint8_t Red(const ImageLevel& level, std::uint32_t x, std::uint32_t y)
{
    return level.pixels[(std::size_t{y} * level.width + x) * 4];
}

TEST(TextureIO, FourAndThreeChannelImages)
{
    const std::vector<std::uint8_t> rgba = {1, 2, 3, 4, 5, 6, 7, 8};
    ImageLevels levels;
    TextureIO::LoadFromFile(levels, WritePng("rgba.png", 2, 1, 4, rgba));
    ASSERT_EQ(1u, levels.size());
    EXPECT_EQ(2u, levels[0].width);
    EXPECT_EQ(1u, levels[0].height);
    EXPECT_EQ(0, std::memcmp(rgba.data(), levels[0].pixels.get(), 8));

    TextureIO::LoadFromFile(levels, WritePng("rgb.png", 1, 2, 3, {10, 20, 30, 40, 50, 60}));
    ASSERT_EQ(1u, levels.size());
    const std::vector<std::uint8_t> expected = {10, 20, 30, 255, 40, 50, 60, 255};
    EXPECT_EQ(0, std::memcmp(expected.data(), levels[0].pixels.get(), 8));
}

TEST(TextureIO, FailuresAreWarningsAndLeaveNoLevels)
{
    qz::test::CoutCapture console;
    LogCapture log;
    ImageLevels levels;
    TextureIO::LoadFromFile(levels, WritePng("rgb.png", 1, 1, 3));
    ASSERT_EQ(1u, levels.size());

    TextureIO::LoadFromFile(levels, "missing.png");
    EXPECT_TRUE(levels.empty());
    EXPECT_NE(std::string::npos, log.Text().find("WARNING: TextureIO::LoadFromFile: File \"missing.png\" not found\n"));

    TextureIO::LoadFromFile(levels, WritePng("grey.png", 2, 2, 1));
    EXPECT_TRUE(levels.empty());
    EXPECT_NE(std::string::npos,
              log.Text().find("TextureIO::LoadFromFile: File \"grey.png\" is of unsupported format (1 channels)\n"));
    TextureIO::LoadFromFile(levels, WritePng("greyalpha.png", 2, 2, 2));
    EXPECT_NE(std::string::npos, log.Text().find("\"greyalpha.png\" is of unsupported format (2 channels)\n"));

    // What the decoder cannot read is reported like an unsupported format.
    TextureIO::LoadFromFile(levels, WriteBytes("text.png", "this is not an image"));
    EXPECT_TRUE(levels.empty());
    EXPECT_NE(std::string::npos, log.Text().find("\"text.png\" is of unsupported format ("));
    const std::string png = qz::test::ReadFile(WritePng("whole.png", 16, 16, 4));
    TextureIO::LoadFromFile(levels, WriteBytes("truncated.png", png.substr(0, png.size() / 2)));
    EXPECT_TRUE(levels.empty());
    EXPECT_NE(std::string::npos, log.Text().find("\"truncated.png\" is of unsupported format ("));
    TextureIO::LoadFromFile(levels, WriteBytes("empty.png", ""));
    EXPECT_TRUE(levels.empty());
}

TEST(TextureIO, ChainEndsWhenEitherSideWouldReachZero)
{
    auto sizes = [](std::uint32_t width, std::uint32_t height) {
        ImageLevels levels = Image(width, height, std::vector<std::uint8_t>(std::size_t{width} * height * 4, 9));
        TextureIO::GenerateMipChain(levels);
        std::vector<std::pair<std::uint32_t, std::uint32_t>> result;
        for (const ImageLevel& level : levels) {
            result.emplace_back(level.width, level.height);
        }
        return result;
    };
    using Sizes = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
    EXPECT_EQ((Sizes{{256, 64}, {128, 32}, {64, 16}, {32, 8}, {16, 4}, {8, 2}, {4, 1}}), sizes(256, 64));
    EXPECT_EQ((Sizes{{1, 1}}), sizes(1, 1));
    EXPECT_EQ((Sizes{{2, 1}}), sizes(2, 1));
    EXPECT_EQ((Sizes{{5, 4}, {2, 2}, {1, 1}}), sizes(5, 4));
    EXPECT_EQ(9u, sizes(256, 256).size());
    ImageLevels none;
    TextureIO::GenerateMipChain(none);
    EXPECT_TRUE(none.empty());
}

TEST(TextureIO, EvenSidesAverageFourPixels)
{
    ImageLevels levels = Image(2, 2, Reds({10, 20, 30, 41}));
    TextureIO::GenerateMipChain(levels);
    ASSERT_EQ(2u, levels.size());
    EXPECT_EQ(25, Red(levels[1], 0, 0));  // 101 / 4, truncated
    EXPECT_EQ(10, levels[1].pixels[1]);
    EXPECT_EQ(255, levels[1].pixels[3]);
}

TEST(TextureIO, OddWidthUsesThePositionalWeights)
{
    // 5x4: destination x = 0 weighs columns 0, 1, 2 by 2, 2, 1; x = 1 columns 2, 3, 4 by
    // 1, 2, 2; each pair of rows by 1, 1; all divided by 2 * 5.
    std::vector<std::uint8_t> reds(20, 0);
    for (std::uint32_t y = 0; y < 4; ++y) {
        reds[y * 5 + 0] = 100;
        reds[y * 5 + 2] = 50;
        reds[y * 5 + 4] = 250;
    }
    ImageLevels levels = Image(5, 4, Reds(reds));
    TextureIO::GenerateMipChain(levels);
    ASSERT_EQ(3u, levels.size());
    EXPECT_EQ((2 * 100 + 1 * 50) * 2 / 10, Red(levels[1], 0, 0));   // 50
    EXPECT_EQ((1 * 50 + 2 * 250) * 2 / 10, Red(levels[1], 1, 0));   // 110
    EXPECT_EQ(Red(levels[1], 0, 0), Red(levels[1], 0, 1));
}

TEST(TextureIO, OddHeightAndBothOdd)
{
    // 2x3: rows 0, 1, 2 by 1, 1, 1 (m = 1), columns 0 and 1, divided by 2 * 3.
    ImageLevels tall = Image(2, 3, Reds({60, 0, 0, 0, 0, 120}));
    TextureIO::GenerateMipChain(tall);
    ASSERT_EQ(2u, tall.size());
    EXPECT_EQ(30, Red(tall[1], 0, 0));

    // 3x3: one pixel from all nine, each weighed 1 * 1, divided by 9.
    ImageLevels square = Image(3, 3, Reds({9, 9, 9, 9, 90, 9, 9, 9, 9}));
    TextureIO::GenerateMipChain(square);
    ASSERT_EQ(2u, square.size());
    EXPECT_EQ((8 * 9 + 90) / 9, Red(square[1], 0, 0));

    // 5x5 to 2x2: pixel (1, 1) weighs rows and columns 2, 3, 4 by 1, 2, 2.
    std::vector<std::uint8_t> reds(25, 0);
    reds[4 * 5 + 4] = 250;  // weight 2 * 2 of 25
    ImageLevels odd = Image(5, 5, Reds(reds));
    TextureIO::GenerateMipChain(odd);
    EXPECT_EQ(250 * 4 / 25, Red(odd[1], 1, 1));
    EXPECT_EQ(0, Red(odd[1], 0, 0));
}

TEST(TextureIO, BlocksWithoutRedAreAveragedLikeAnyOther)
{
    // Red 0 everywhere: green and blue still average, alpha stays.
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < 4; ++i) {
        rgba.insert(rgba.end(), {0, static_cast<std::uint8_t>(40 * i), 200, 128});
    }
    ImageLevels levels = Image(2, 2, rgba);
    TextureIO::GenerateMipChain(levels);
    ASSERT_EQ(2u, levels.size());
    const std::vector<std::uint8_t> expected = {0, 60, 200, 128};
    EXPECT_EQ(0, std::memcmp(expected.data(), levels[1].pixels.get(), 4));
}

TEST(TextureIO, UniformImagesStayUniformDownTheChain)
{
    for (int value = 0; value < 256; value += 17) {
        const auto byte = static_cast<std::uint8_t>(value);
        ImageLevels levels = Image(7, 5, std::vector<std::uint8_t>(7 * 5 * 4, byte));
        TextureIO::GenerateMipChain(levels);
        for (const ImageLevel& level : levels) {
            for (std::size_t i = 0; i < std::size_t{level.width} * level.height * 4; ++i) {
                ASSERT_EQ(byte, level.pixels[i]) << value << " at level " << level.width << "x" << level.height;
            }
        }
    }
}

}  // namespace
