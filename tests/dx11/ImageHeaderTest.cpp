// Headers of a few bytes that announce huge images: refused from the size alone, before
// anything is decoded, for every format the decoder reads.

#include "tarnwick/dx11/DecodedImage.h"
#include "tarnwick/dx11/TextureIO.h"

#include "tests/dx11/ImageFiles.h"
#include "tests/support/LogCapture.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

namespace {

using qz::dx11::ImageLevels;
using qz::dx11::TextureIO;

std::string Little16(int v) { return {static_cast<char>(v & 255), static_cast<char>(v >> 8 & 255)}; }
std::string Big16(int v) { return {static_cast<char>(v >> 8 & 255), static_cast<char>(v & 255)}; }
std::string Little32(int v) { return Little16(v & 0xFFFF) + Little16(v >> 16 & 0xFFFF); }
std::string Big32(int v) { return Big16(v >> 16 & 0xFFFF) + Big16(v & 0xFFFF); }

// Each format's header with the given size, and nothing or next to nothing after it.
const struct {
    const char* name;
    std::function<std::string(int, int)> header;
} Formats[] = {
    {"tga", [](int w, int h) { return std::string("\0\0\2\0\0\0\0\0\0\0\0\0", 12) + Little16(w) + Little16(h) + "\x18\0\1\2"; }},
    {"bmp",
     [](int w, int h) {
         return "BM" + Little32(54) + Little32(0) + Little32(54) + Little32(40) + Little32(w) + Little32(h) + Little16(1) +
                Little16(24) + std::string(24, '\0');
     }},
    {"gif", [](int w, int h) { return "GIF89a" + Little16(w) + Little16(h) + std::string("\0\0\0,", 4); }},
    {"jpg",
     [](int w, int h) {
         return std::string("\xFF\xD8\xFF\xC0\x00\x11\x08", 7) + Big16(h) + Big16(w) +
                std::string("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 10);
     }},
    {"png",
     [](int w, int h) {
         return std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) + Big32(w) + Big32(h) + std::string("\x08\x02\0\0\0", 5) +
                std::string(4, '\0');
     }},
    {"ppm", [](int w, int h) { return "P6\n" + std::to_string(w) + " " + std::to_string(h) + "\n255\n"; }},
};

TEST(ImageHeaders, HugeImagesAreRefusedFromTheirHeader)
{
    qz::test::CoutCapture console;
    const struct {
        int width;
        int height;
        const char* why;
    } sizes[] = {
        {8243, 22571, "8243x22571 pixels, more than 16384 on a side"},
        {16000, 16000, "16000x16000 pixels, more than 67108864 pixels"},
    };
    for (const auto& format : Formats) {
        for (const auto& size : sizes) {
            if (std::string(format.name) == "gif" && size.height > 0xFFFF) continue;
            const std::string name = std::string("huge.") + format.name;
            qz::test::WriteBytes(name, format.header(size.width, size.height));
            qz::test::LogCapture log;
            ImageLevels levels;
            TextureIO::LoadFromFile(levels, name);
            EXPECT_TRUE(levels.empty()) << name;
            EXPECT_NE(std::string::npos, log.Text().find("\"" + name + "\" is of unsupported format (" + size.why + ")"))
                << log.Text();
            const qz::dx11::DecodedImage image = qz::dx11::DecodedImage::FromFile(name, 4);
            EXPECT_TRUE(image.opened && !image.pixels) << name;
        }
    }
}

// The decoder accepts a BMP of no width and hands back a pointer; that is no image.
TEST(ImageHeaders, ImagesWithoutPixelsAreRefused)
{
    qz::test::CoutCapture console;
    const std::string bmp = Formats[1].header(0, 6);
    qz::test::WriteBytes("empty.bmp", bmp + std::string(72, '\0'));
    qz::test::LogCapture log;
    ImageLevels levels;
    TextureIO::LoadFromFile(levels, "empty.bmp");
    EXPECT_TRUE(levels.empty());
    EXPECT_NE(std::string::npos, log.Text().find("\"empty.bmp\" is of unsupported format (0x6 pixels, an empty image)"))
        << log.Text();
}

// Within the limits the same headers reach the decoder, which finds the pixels missing.
TEST(ImageHeaders, SmallHeadersStillReachTheDecoder)
{
    for (const auto& format : Formats) {
        const std::string name = std::string("small.") + format.name;
        qz::test::WriteBytes(name, format.header(4, 4));
        const qz::dx11::DecodedImage image = qz::dx11::DecodedImage::FromFile(name, 4);
        EXPECT_TRUE(image.opened) << name;
        EXPECT_EQ(std::string::npos, image.failure.find("pixels, more than")) << name;
    }
}

}  // namespace
