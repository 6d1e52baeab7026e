// Seeds of the image target, written by the image writer the frame dumps use: PNG, BMP,
// TGA (plain and run-length coded), JPEG and HDR, of odd and even sizes, 1 to 4 channels.

#include "fuzz/FuzzSeeds.h"

#include <stb_image_write.h>

#include <cstdint>
#include <vector>

int main(int argc, char** argv)
{
    return qz::fuzz::RunSeedWriter(argc, argv, [](const std::string& folder) {
        const struct {
            int width, height, channels;
        } sizes[] = {{1, 1, 3}, {5, 4, 4}, {16, 9, 3}, {7, 7, 1}, {3, 6, 2}};
        for (const auto& size : sizes) {
            std::vector<std::uint8_t> pixels;
            std::vector<float> hdr;
            for (int i = 0; i < size.width * size.height * size.channels; ++i) {
                pixels.push_back(static_cast<std::uint8_t>(i * 37 + 11));
                hdr.push_back(static_cast<float>(i) / 7.0f);
            }
            const std::string base = folder + "/" + std::to_string(size.width) + "x" + std::to_string(size.height) + "x" +
                                     std::to_string(size.channels);
            const int w = size.width, h = size.height, c = size.channels;
            stbi_write_png((base + ".png").c_str(), w, h, c, pixels.data(), w * c);
            stbi_write_bmp((base + ".bmp").c_str(), w, h, c, pixels.data());
            stbi_write_tga_with_rle = 0;
            stbi_write_tga((base + ".tga").c_str(), w, h, c, pixels.data());
            stbi_write_tga_with_rle = 1;
            stbi_write_tga((base + "-rle.tga").c_str(), w, h, c, pixels.data());
            stbi_write_jpg((base + ".jpg").c_str(), w, h, c, pixels.data(), 80);
            stbi_write_hdr((base + ".hdr").c_str(), w, h, c, hdr.data());
        }
    });
}
