#include "tarnwick/dx11/DecodedImage.h"

#include "platform/win/RegularFile.h"

#include <stb_image.h>

#include <cstdio>
#include <memory>

namespace qz::dx11 {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string FailureReason()
{
    const char* reason = stbi_failure_reason();
    return reason ? reason : "not decodable";
}

}  // namespace

void DecodedImage::Freer::operator()(std::uint8_t* pixels) const { stbi_image_free(pixels); }

DecodedImage DecodedImage::FromFile(const std::string& fileName, int wantedChannels)
{
    DecodedImage image;
    std::string reason;
    const std::unique_ptr<std::FILE, FileCloser> file(platform::win::OpenRegularFile(fileName, reason));
    if (!file) {
        return image;
    }
    image.opened = true;
    // stbi_info leaves the file where it was.
    int width = 0;
    int height = 0;
    int channels = 0;
    if (!stbi_info_from_file(file.get(), &width, &height, &channels)) {
        image.failure = FailureReason();
        return image;
    }
    // The decoder passes BMP files of no width; such an image is no texture either.
    if (width < 1 || height < 1) {
        image.failure = std::to_string(width) + "x" + std::to_string(height) + " pixels, an empty image";
        return image;
    }
    if (width > MaxImageSide || height > MaxImageSide) {
        image.failure = std::to_string(width) + "x" + std::to_string(height) + " pixels, more than " +
                        std::to_string(MaxImageSide) + " on a side";
        return image;
    }
    if (static_cast<long long>(width) * height > MaxImagePixels) {
        image.failure = std::to_string(width) + "x" + std::to_string(height) + " pixels, more than " +
                        std::to_string(MaxImagePixels) + " pixels";
        return image;
    }
    image.pixels.reset(stbi_load_from_file(file.get(), &image.width, &image.height, &image.channels, wantedChannels));
    if (!image.pixels) {
        image.failure = FailureReason();
    } else if (image.width != width || image.height != height) {
        // The decoder must deliver what it announced, or the budget meant nothing.
        image.pixels.reset();
        image.failure = "decoded size differs from the header";
    }
    return image;
}

}  // namespace qz::dx11
