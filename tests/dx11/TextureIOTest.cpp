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
using qz::test::WriteBytes;
using qz::test::WritePng;
using Bytes = std::vector<std::uint8_t>;

ImageLevels Image(std::uint32_t width, std::uint32_t height, const Bytes& rgba)
{
    ImageLevels levels(1);
    levels[0].width = width;
    levels[0].height = height;
    levels[0].pixels = std::make_unique<std::uint8_t[]>(rgba.size());
    std::memcpy(levels[0].pixels.get(), rgba.data(), rgba.size());
    return levels;
}

Bytes Pixels(const ImageLevel& level)
{
    return Bytes(level.pixels.get(), level.pixels.get() + std::size_t{level.width} * level.height * 4);
}

TEST(TextureIO, FourAndThreeChannelImagesAndFailuresThatLeaveNoLevels)
{
    ImageLevels levels;
    TextureIO::LoadFromFile(levels, WritePng("rgba.png", 2, 1, 4, {1, 2, 3, 4, 5, 6, 7, 8}));
    ASSERT_EQ(1u, levels.size());
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5, 6, 7, 8}), Pixels(levels[0]));
    TextureIO::LoadFromFile(levels, WritePng("rgb.png", 1, 2, 3, {10, 20, 30, 40, 50, 60}));
    ASSERT_EQ(1u, levels.size());
    EXPECT_EQ(2u, levels[0].height);
    EXPECT_EQ((Bytes{10, 20, 30, 255, 40, 50, 60, 255}), Pixels(levels[0]));

    qz::test::CoutCapture console;
    const std::string png = qz::test::ReadFile(WritePng("whole.png", 16, 16, 4));
    const std::pair<std::string, std::string> failures[] = {
        {"missing.png", "WARNING: TextureIO::LoadFromFile: File \"missing.png\" not found\n"},
        {WritePng("grey.png", 2, 2, 1), "File \"grey.png\" is of unsupported format (1 channels)\n"},
        {WritePng("greyalpha.png", 2, 2, 2), "\"greyalpha.png\" is of unsupported format (2 channels)\n"},
        // What the decoder cannot read is reported like an unsupported format.
        {WriteBytes("text.png", "this is not an image"), "\"text.png\" is of unsupported format ("},
        {WriteBytes("truncated.png", png.substr(0, png.size() / 2)), "\"truncated.png\" is of unsupported format ("},
        {WriteBytes("empty.png", ""), "\"empty.png\""},
    };
    for (const auto& [file, warning] : failures) {
        qz::test::LogCapture log;
        levels = Image(1, 1, {1, 2, 3, 4});
        TextureIO::LoadFromFile(levels, file);
        EXPECT_TRUE(levels.empty()) << file;
        EXPECT_NE(std::string::npos, log.Text().find(warning)) << log.Text();
    }
}

TEST(TextureIO, ChainEndsWhenEitherSideWouldReachZero)
{
    using Sizes = std::vector<std::pair<std::uint32_t, std::uint32_t>>;
    const std::pair<std::pair<std::uint32_t, std::uint32_t>, Sizes> cases[] = {
        {{256, 64}, {{256, 64}, {128, 32}, {64, 16}, {32, 8}, {16, 4}, {8, 2}, {4, 1}}},
        {{1, 1}, {{1, 1}}},
        {{2, 1}, {{2, 1}}},
        {{1, 4}, {{1, 4}}},
        {{5, 4}, {{5, 4}, {2, 2}, {1, 1}}},
    };
    for (const auto& [size, expected] : cases) {
        ImageLevels levels = Image(size.first, size.second, Bytes(std::size_t{size.first} * size.second * 4, 9));
        TextureIO::GenerateMipChain(levels);
        Sizes sizes;
        for (const ImageLevel& level : levels) {
            sizes.emplace_back(level.width, level.height);
        }
        EXPECT_EQ(expected, sizes) << size.first << "x" << size.second;
    }
    ImageLevels none;
    TextureIO::GenerateMipChain(none);
    EXPECT_TRUE(none.empty());
}

// Red values of a source image, green 10, blue 0, alpha 255.
Bytes Reds(const Bytes& reds)
{
    Bytes rgba;
    for (std::uint8_t red : reds) {
        rgba.insert(rgba.end(), {red, 10, 0, 255});
    }
    return rgba;
}

Bytes RedsAt(const Bytes& reds, std::size_t count, std::size_t at, std::uint8_t value)
{
    Bytes all = reds;
    all.resize(count, 0);
    all[at] = value;
    return Reds(all);
}

TEST(TextureIO, LevelOneWeighsTheSourcePixelsByPosition)
{
    // An odd side of n maps destination x to columns 2x, 2x+1, 2x+2 weighed by where they
    // fall; all sums are divided by the weights' total and truncated.
    Bytes oddWidth(20, 0);
    for (std::size_t y = 0; y < 4; ++y) {
        oddWidth[y * 5] = 100;
        oddWidth[y * 5 + 2] = 50;
        oddWidth[y * 5 + 4] = 250;
    }
    Bytes noRed;
    for (int i = 0; i < 4; ++i) {
        noRed.insert(noRed.end(), {0, static_cast<std::uint8_t>(40 * i), 200, 128});
    }
    const struct {
        std::uint32_t width, height;
        Bytes source;
        Bytes level1;
    } cases[] = {
        {2, 2, Reds({10, 20, 30, 41}), Reds({25})},                  // 101 / 4
        {5, 4, Reds(oddWidth), Reds({50, 110, 50, 110})},            // (2*100 + 50) * 2 / 10, (50 + 2*250) * 2 / 10
        {2, 3, Reds({60, 0, 0, 0, 0, 120}), Reds({30})},             // rows by 1, 1, 1
        {3, 3, Reds({9, 9, 9, 9, 90, 9, 9, 9, 9}), Reds({18})},      // (8*9 + 90) / 9
        {5, 5, RedsAt({}, 25, 24, 250), Reds({0, 0, 0, 40})},        // weight 2*2 of 25
        {2, 2, noRed, {0, 60, 200, 128}},                            // blocks without red average all the same
        {7, 5, Bytes(7 * 5 * 4, 187), Bytes(3 * 2 * 4, 187)},        // uniform stays uniform
        {7, 5, Bytes(7 * 5 * 4, 255), Bytes(3 * 2 * 4, 255)},
    };
    for (const auto& c : cases) {
        ImageLevels levels = Image(c.width, c.height, c.source);
        TextureIO::GenerateMipChain(levels);
        ASSERT_LE(2u, levels.size());
        EXPECT_EQ(c.level1, Pixels(levels[1])) << c.width << "x" << c.height;
    }
}

}  // namespace
