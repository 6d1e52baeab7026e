// What the window test needs beyond xdotool and xwd:
//   window_tools close WINDOW        asks the window to close, as its close button does
//                                    (WM_DELETE_WINDOW)
//   window_tools compare XWD PNG     exit 0 when the screenshot's pixels equal the PNG's
//                                    colours (alpha aside)
//   window_tools ink PNG             the box "x0 y0 x1 y1" of the pixels that differ from
//                                    the top-left one ("none" when all are alike)

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stb_image.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int Close(const char* windowText)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no display\n");
        return 2;
    }
    const Window window = static_cast<Window>(std::strtoul(windowText, nullptr, 0));
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}

std::uint32_t BigEndian(const std::vector<unsigned char>& bytes, std::size_t at)
{
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) | (std::uint32_t{bytes[at + 2]} << 8) |
           bytes[at + 3];
}

int Shift(std::uint32_t mask)
{
    int shift = 0;
    while (mask && !(mask & 1u)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

struct Image {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// A 24/32-bit TrueColor screenshot as xwd writes it: a big-endian header of 25 words,
// the window name, the colour map, then the rows in the server's byte order.
bool ReadXwd(const char* path, Image& image)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < 100) return false;
    const std::uint32_t headerSize = BigEndian(bytes, 0);
    image.width = static_cast<int>(BigEndian(bytes, 16));
    image.height = static_cast<int>(BigEndian(bytes, 20));
    const std::uint32_t byteOrder = BigEndian(bytes, 28);
    const std::uint32_t bitsPerPixel = BigEndian(bytes, 44);
    const std::uint32_t bytesPerLine = BigEndian(bytes, 48);
    const std::uint32_t masks[3] = {BigEndian(bytes, 56), BigEndian(bytes, 60), BigEndian(bytes, 64)};
    const std::uint32_t colours = BigEndian(bytes, 76);
    const std::size_t pixels = headerSize + std::size_t{colours} * 12;
    if (bitsPerPixel != 32 || pixels + std::size_t{bytesPerLine} * image.height > bytes.size()) {
        std::fprintf(stderr, "unsupported screenshot: %u bits per pixel\n", bitsPerPixel);
        return false;
    }
    image.rgb.resize(std::size_t{3} * image.width * image.height);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const unsigned char* p = &bytes[pixels + std::size_t{bytesPerLine} * y + std::size_t{4} * x];
            const std::uint32_t value = byteOrder == 0 ? (p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24)
                                                       : (std::uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]);
            for (int c = 0; c < 3; ++c) {
                image.rgb[(std::size_t{image.width} * y + x) * 3 + c] =
                    static_cast<unsigned char>((value & masks[c]) >> Shift(masks[c]));
            }
        }
    }
    return true;
}

bool ReadPng(const char* path, Image& image)
{
    int channels = 0;
    unsigned char* data = stbi_load(path, &image.width, &image.height, &channels, 3);
    if (!data) return false;
    image.rgb.assign(data, data + std::size_t{3} * image.width * image.height);
    stbi_image_free(data);
    return true;
}

int Compare(const char* xwdPath, const char* pngPath)
{
    Image shot;
    Image png;
    if (!ReadXwd(xwdPath, shot) || !ReadPng(pngPath, png)) {
        std::fprintf(stderr, "cannot read the images\n");
        return 2;
    }
    if (shot.width != png.width || shot.height != png.height) {
        std::printf("sizes differ: screenshot %dx%d, PNG %dx%d\n", shot.width, shot.height, png.width, png.height);
        return 1;
    }
    std::size_t differing = 0;
    for (std::size_t i = 0; i < shot.rgb.size(); i += 3) {
        if (shot.rgb[i] != png.rgb[i] || shot.rgb[i + 1] != png.rgb[i + 1] || shot.rgb[i + 2] != png.rgb[i + 2]) {
            ++differing;
        }
    }
    std::printf("%dx%d, %zu pixels differ\n", shot.width, shot.height, differing);
    return differing == 0 ? 0 : 1;
}

int Ink(const char* pngPath)
{
    Image png;
    if (!ReadPng(pngPath, png)) return 2;
    int x0 = png.width, y0 = png.height, x1 = -1, y1 = -1;
    for (int y = 0; y < png.height; ++y) {
        for (int x = 0; x < png.width; ++x) {
            const std::size_t i = (std::size_t{png.width} * y + x) * 3;
            if (png.rgb[i] != png.rgb[0] || png.rgb[i + 1] != png.rgb[1] || png.rgb[i + 2] != png.rgb[2]) {
                x0 = std::min(x0, x);
                y0 = std::min(y0, y);
                x1 = std::max(x1, x);
                y1 = std::max(y1, y);
            }
        }
    }
    if (x1 < 0) {
        std::printf("none\n");
    } else {
        std::printf("%d %d %d %d\n", x0, y0, x1, y1);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "close" && argc == 3) return Close(argv[2]);
    if (command == "compare" && argc == 4) return Compare(argv[2], argv[3]);
    if (command == "ink" && argc == 3) return Ink(argv[2]);
    std::fprintf(stderr, "usage: window_tools close WINDOW | compare XWD PNG | ink PNG\n");
    return 2;
}
