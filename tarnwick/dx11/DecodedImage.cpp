#include "tarnwick/dx11/DecodedImage.h"

#include <stb_image.h>

#include <algorithm>
#include <cstdio>

namespace qz::dx11 {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

void DecodedImage::Freer::operator()(std::uint8_t* pixels) const { stbi_image_free(pixels); }

DecodedImage DecodedImage::FromFile(const std::string& fileName, int wantedChannels)
{
    DecodedImage image;
    std::string path = fileName;
    std::replace(path.begin(), path.end(), '\\', '/');
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        return image;
    }
    image.opened = true;
    image.pixels.reset(stbi_load_from_file(file.get(), &image.width, &image.height, &image.channels, wantedChannels));
    if (!image.pixels) {
        const char* reason = stbi_failure_reason();
        image.failure = reason ? reason : "not decodable";
    }
    return image;
}

}  // namespace qz::dx11
