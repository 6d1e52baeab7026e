// Any bytes as an image file: loading either warns and leaves no level, or gives one level
// of the announced size within the limits, whose mip chain is then built; decoding for a
// texture gives the same size. Never a crash, an overrun or a decode beyond the limits.

#include "fuzz/FuzzInput.h"
#include "tarnwick/dx11/DecodedImage.h"
#include "tarnwick/dx11/TextureIO.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qz::fuzz::SilenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using qz::fuzz::Require;
    const std::string path = qz::fuzz::InputFile(data, size);
    qz::dx11::ImageLevels levels;
    qz::dx11::TextureIO::LoadFromFile(levels, path);
    Require(levels.size() <= 1);
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
