#pragma once
// Reads the window dumps of xwd: a big-endian header of 25 words, the window name, the
// colour map, then the rows of pixels in the dump's byte order. True-colour dumps of
// 24 or 32 bits per pixel give RGB bytes; anything else is refused.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qz::test {

struct XwdImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> rgb;  // 0x00BBGGRR per pixel, rows from the top

    // An empty text on success, else what is wrong with the file.
    std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        auto word = [&](std::size_t index) -> std::uint32_t {
            const std::size_t at = index * 4;
            return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
                   (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
        };
        if (bytes.size() < 100) return "shorter than the header";
        const std::uint32_t headerSize = word(0), version = word(1), format = word(2), byteOrder = word(7),
                            bitsPerPixel = word(11), bytesPerLine = word(12), redMask = word(14), greenMask = word(15),
                            blueMask = word(16), colours = word(19);
        width = static_cast<int>(word(4));
        height = static_cast<int>(word(5));
        if (version != 7 || format != 2) return "not a version 7 ZPixmap dump";
        if (bitsPerPixel != 32 && bitsPerPixel != 24) return "not true colour";
        const std::uint64_t start = std::uint64_t{headerSize} + std::uint64_t{colours} * 12;
        if (width <= 0 || height <= 0 || bytesPerLine < width * (bitsPerPixel / 8) ||
            start + std::uint64_t{bytesPerLine} * height > bytes.size()) {
            return "sizes outside the file";
        }
        auto channel = [](std::uint32_t pixel, std::uint32_t mask) {
            int shift = 0;
            while (mask && !(mask & 1)) {
                mask >>= 1;
                ++shift;
            }
            return (pixel >> shift) & 0xFF;
        };
        rgb.resize(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y) {
            const unsigned char* row = bytes.data() + start + static_cast<std::size_t>(y) * bytesPerLine;
            for (int x = 0; x < width; ++x) {
                const unsigned char* p = row + x * (bitsPerPixel / 8);
                std::uint32_t pixel = 0;
                for (std::uint32_t i = 0; i < bitsPerPixel / 8; ++i) {
                    pixel |= std::uint32_t{p[byteOrder == 0 ? i : bitsPerPixel / 8 - 1 - i]} << (8 * i);
                }
                rgb[static_cast<std::size_t>(y) * width + x] =
                    channel(pixel, redMask) | (channel(pixel, greenMask) << 8) | (channel(pixel, blueMask) << 16);
            }
        }
        return "";
    }
};

}  // namespace qz::test
