// Any bytes as an image file: loading either warns and leaves no level, or gives one level
// of the announced size within the limits, whose mip chain is then built; decoding for a
// texture gives the same size. Never a crash, an overrun or a decode beyond the limits.

#include "fuzz/FuzzInput.h"
#include "tarnwick/dx11/DecodedImage.h"
#include "tarnwick/dx11/TextureIO.h"

#include <stb_image.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qz::fuzz::SilenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using qz::fuzz::Require;
    // Decoding a large image that the limits allow takes seconds and finds nothing that a
    // small one would not; such inputs are passed over. Those beyond the limits are
    // refused from the header, which costs nothing.
    int width = 0, height = 0, channels = 0;
    const bool known = stbi_info_from_memory(data, static_cast<int>(size), &width, &height, &channels) != 0;
    const long long pixels = static_cast<long long>(width) * height;
    const bool refused = width > qz::dx11::MaxImageSide || height > qz::dx11::MaxImageSide ||
                         pixels > qz::dx11::MaxImagePixels;
    if (known && !refused && pixels > (1ll << 20)) return 0;
    const std::string path = qz::fuzz::InputFile(data, size);
    qz::dx11::ImageLevels levels;
    qz::dx11::TextureIO::LoadFromFile(levels, path);
    Require(levels.size() <= 1 && !(known && refused && !levels.empty()));
    if (levels.empty()) return 0;
    const qz::dx11::ImageLevel& level = levels[0];
    Require(level.width >= 1 && level.height >= 1 && level.pixels);
    Require(level.width <= qz::dx11::MaxImageSide && level.height <= qz::dx11::MaxImageSide);
    Require(static_cast<long long>(level.width) * level.height <= qz::dx11::MaxImagePixels);
    const qz::dx11::DecodedImage image = qz::dx11::DecodedImage::FromFile(path, 4);
    Require(image.pixels && image.width == static_cast<int>(level.width) && image.height == static_cast<int>(level.height));
    // The chain of a large image costs more than the fuzzer gains from it.
    if (std::size_t {level.width} * level.height <= std::size_t {1} << 20) qz::dx11::TextureIO::GenerateMipChain(levels);
    return 0;
}
