#pragma once
// An image of RGBA8 pixels (bytes R, G, B, A), one level of a mip chain, largest first.

#include <cstdint>
#include <memory>
#include <vector>

namespace qz::dx11 {

struct ImageLevel {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::unique_ptr<std::uint8_t[]> pixels;  // width * height * 4 bytes
};

using ImageLevels = std::vector<ImageLevel>;

}  // namespace qz::dx11
