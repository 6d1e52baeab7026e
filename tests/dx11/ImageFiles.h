#pragma once
// Small image files for the tests, written with stb_image_write.

#include <stb_image_write.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace qz::test {

// A PNG of width x height pixels with `channels` bytes each, byte i of pixel p being
// (p * 7 + i * 50) & 255 unless values are given.
inline std::string WritePng(const std::string& name, int width, int height, int channels,
                            std::vector<std::uint8_t> values = {})
{
    if (values.empty()) {
        for (int p = 0; p < width * height; ++p) {
            for (int i = 0; i < channels; ++i) {
                values.push_back(static_cast<std::uint8_t>((p * 7 + i * 50) & 255));
            }
        }
    }
    stbi_write_png(name.c_str(), width, height, channels, values.data(), width * channels);
    return name;
}

inline std::string WriteBytes(const std::string& name, const std::string& bytes)
{
    std::ofstream(name, std::ios::binary) << bytes;
    return name;
}

}  // namespace qz::test
