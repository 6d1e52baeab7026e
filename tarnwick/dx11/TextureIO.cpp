#include "tarnwick/dx11/TextureIO.h"

#include "tarnwick/core/Logging.h"
#include "tarnwick/dx11/DecodedImage.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace qz::dx11 {
namespace {

void Warn(const std::string& fileName, const std::string& what)
{
    core::LogMessage message = core::Logger::BeginMessage(core::LogLevelImportant);
    message.SetType(core::LogTypeWarning);
    message << "TextureIO::LoadFromFile: File \"" << fileName << "\" " << what;
}

// The source columns (or rows) of destination column x and their weights.
struct Taps {
    std::array<std::uint32_t, 3> index{};
    std::array<std::uint32_t, 3> weight{};
    std::uint32_t count = 0;
};

Taps TapsOf(std::uint32_t x, std::uint32_t sourceSize)
{
    Taps taps;
    if (sourceSize % 2 == 0) {
        taps.index = {2 * x, 2 * x + 1, 0};
        taps.weight = {1, 1, 0};
        taps.count = 2;
    } else {
        // Source 2n + 1 wide: 2x, 2x+1, 2x+2 with weights n - x, n, x + 1.
        const std::uint32_t n = sourceSize / 2;
        taps.index = {2 * x, 2 * x + 1, 2 * x + 2};
        taps.weight = {n - x, n, x + 1};
        taps.count = 3;
    }
    return taps;
}

ImageLevel Reduce(const ImageLevel& source)
{
    ImageLevel level;
    level.width = source.width / 2;
    level.height = source.height / 2;
    level.pixels = std::make_unique<std::uint8_t[]>(std::size_t{level.width} * level.height * 4);
    // Each side's weights add up to 2 for an even side and to the side for an odd one.
    const std::uint64_t total = std::uint64_t{source.width % 2 == 0 ? 2 : source.width} *
                                (source.height % 2 == 0 ? 2 : source.height);
    for (std::uint32_t y = 0; y < level.height; ++y) {
        const Taps rows = TapsOf(y, source.height);
        for (std::uint32_t x = 0; x < level.width; ++x) {
            const Taps columns = TapsOf(x, source.width);
            std::array<std::uint64_t, 4> sums{};
            for (std::uint32_t r = 0; r < rows.count; ++r) {
                for (std::uint32_t c = 0; c < columns.count; ++c) {
                    const std::uint64_t weight = std::uint64_t{rows.weight[r]} * columns.weight[c];
                    const std::uint8_t* pixel =
                        source.pixels.get() + (std::size_t{rows.index[r]} * source.width + columns.index[c]) * 4;
                    for (int channel = 0; channel < 4; ++channel) {
                        sums[channel] += weight * pixel[channel];
                    }
                }
            }
            std::uint8_t* target = level.pixels.get() + (std::size_t{y} * level.width + x) * 4;
            for (int channel = 0; channel < 4; ++channel) {
                target[channel] = static_cast<std::uint8_t>(std::min<std::uint64_t>(sums[channel] / total, 255));
            }
        }
    }
    return level;
}

}  // namespace

void TextureIO::LoadFromFile(ImageLevels& levels, const std::string& fileName)
{
    levels.clear();
    const DecodedImage image = DecodedImage::FromFile(fileName, 0);
    if (!image.opened) {
        Warn(fileName, "not found");
        return;
    }
    // What the decoder cannot read is reported like an unsupported format.
    if (!image.pixels) {
        Warn(fileName, "is of unsupported format (" + image.failure + ")");
        return;
    }
    if (image.channels != 3 && image.channels != 4) {
        Warn(fileName, "is of unsupported format (" + std::to_string(image.channels) + " channels)");
        return;
    }
    ImageLevel level;
    level.width = static_cast<std::uint32_t>(image.width);
    level.height = static_cast<std::uint32_t>(image.height);
    const std::size_t count = std::size_t{level.width} * level.height;
    level.pixels = std::make_unique<std::uint8_t[]>(count * 4);
    if (image.channels == 4) {
        std::memcpy(level.pixels.get(), image.pixels.get(), count * 4);
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            std::memcpy(level.pixels.get() + i * 4, image.pixels.get() + i * 3, 3);
            level.pixels[i * 4 + 3] = 255;
        }
    }
    levels.push_back(std::move(level));
}

void TextureIO::GenerateMipChain(ImageLevels& levels)
{
    if (levels.empty()) {
        return;
    }
    while (levels.back().width / 2 >= 1 && levels.back().height / 2 >= 1) {
        levels.push_back(Reduce(levels.back()));
    }
}

}  // namespace qz::dx11
