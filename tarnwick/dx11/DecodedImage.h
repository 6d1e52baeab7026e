#pragma once
// An image file decoded by stb_image, owned until it is dropped. The decoder is asked for
// the size first: images larger than a texture can be, or than the pixel budget, are
// refused before anything is decoded, since a header of a few bytes can announce
// gigabytes of pixels.

#include <cstdint>
#include <memory>
#include <string>

namespace qz::dx11 {

// The largest side of a 2D texture.
inline constexpr int MaxImageSide = 16384;
// 256 MiB of RGBA pixels.
inline constexpr long long MaxImagePixels = 1ll << 26;

struct DecodedImage {
    struct Freer {
        void operator()(std::uint8_t* pixels) const;
    };

    bool opened = false;          // false: the file could not be opened
    std::string failure;          // why decoding failed; empty on success
    int width = 0;
    int height = 0;
    int channels = 0;             // of the file
    std::unique_ptr<std::uint8_t, Freer> pixels;  // null when it failed

    // wantedChannels: 0 for the file's own count, else the count to convert to.
    // Backslashes in the name are folder separators. FIFOs and devices count as files
    // that cannot be opened.
    static DecodedImage FromFile(const std::string& fileName, int wantedChannels);
};

}  // namespace qz::dx11
